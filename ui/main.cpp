// tarnex: the desktop window of the Tarnex Model Converter.
#include "convert/CommandLineUsage.h"
#include "ui/ConverterApp.h"

#include <QApplication>

#include <cstdio>

namespace {

// Answers -h, --help, --version and an unknown "--" option without a window: the exit status,
// or -1 when the window is to open.
int AnswerWithoutWindow(const char* firstArgument)
{
    switch (WindowStartRequest(firstArgument)) {
    case WindowStart::Help: std::fputs(kCommandLineUsage, stdout); return 0;
    case WindowStart::Version: std::printf("tarnex %s\n", TARNEX_VERSION); return 0;
    case WindowStart::UnknownOption:
        std::fprintf(stderr, "tarnex: unknown option \"%s\"\n", firstArgument);
        std::fputs(kCommandLineUsage, stderr);
        return 2;
    case WindowStart::Window: break;
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    // Before Qt, so that no display is needed to answer them.
    if (const int status = AnswerWithoutWindow(argc > 1 ? argv[1] : nullptr); status >= 0)
        return status;
    // QApplication takes its own options (-platform, -style, ...) out of argc and argv.
    QApplication application(argc, argv);
    if (const int status = AnswerWithoutWindow(argc > 1 ? argv[1] : nullptr); status >= 0)
        return status;
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnex"));
    CConverterApp app;
    app.InitInstance(argc, argv);
    return 0;
}
