// Runs every window test class in turn; the exit status counts the failed test functions.
#include <QApplication>

int RunConverterAppTests(int argc, char** argv);
int RunConverterDlgTests(int argc, char** argv);
int RunDialogUnitsTests(int argc, char** argv);
int RunHelpDlgTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    int failed = 0;
    failed += RunConverterAppTests(argc, argv);
    failed += RunConverterDlgTests(argc, argv);
    failed += RunDialogUnitsTests(argc, argv);
    failed += RunHelpDlgTests(argc, argv);
    return failed;
}
