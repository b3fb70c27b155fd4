#include "ui/ConverterApp.h"

#include "ui/ConverterDlg.h"

#include <QCoreApplication>

CConverterCommandLineInfo CConverterApp::CollectCommandLine(const QStringList& arguments)
{
    CConverterCommandLineInfo line;
    for (qsizetype i = 1; i < arguments.size(); ++i)
        line.ParseParam(arguments[i].toStdString());
    return line;
}

bool CConverterApp::InitInstance()
{
    const CConverterCommandLineInfo line = CollectCommandLine(QCoreApplication::arguments());
    CConverterDlg dialog;
    const auto text = [&](std::size_t slot) { return QString::fromStdString(line.slots[slot]); };
    dialog.SetPresets(text(0), text(1), text(2), text(3), text(4));
    dialog.exec();
    return false;
}
