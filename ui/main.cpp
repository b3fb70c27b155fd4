// tarnex: the desktop window of the Tarnex Model Converter.
#include "ui/ConverterApp.h"

#include <QApplication>

int main(int argc, char** argv)
{
    // QApplication takes its own options (-platform, -style, ...) out of argc and argv.
    QApplication application(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral("tarnex"));
    CConverterApp app;
    app.InitInstance(argc, argv);
    return 0;
}
