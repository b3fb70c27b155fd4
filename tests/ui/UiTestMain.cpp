// Runs every window test class in turn; the exit status counts the failed test functions.
#include <QApplication>
#include <QStandardPaths>

int RunConverterAppTests(int argc, char** argv);
int RunConverterDlgTests(int argc, char** argv);
int RunDialogUnitsTests(int argc, char** argv);
int RunHelpDlgTests(int argc, char** argv);
int RunMeshViewerTests(int argc, char** argv);

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    // Settings that Qt keeps (the file dialogs') go to a test folder, not the user's.
    QStandardPaths::setTestModeEnabled(true);
    int failed = 0;
    failed += RunConverterAppTests(argc, argv);
    failed += RunConverterDlgTests(argc, argv);
    failed += RunDialogUnitsTests(argc, argv);
    failed += RunHelpDlgTests(argc, argv);
    failed += RunMeshViewerTests(argc, argv);
    return failed;
}
