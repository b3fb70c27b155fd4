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
    QStringList words;
    for (const std::string& word : line.Words())
        words.append(QString::fromStdString(word));
    dialog.SetPresets(QString::fromStdString(line.InputPath()), QString::fromStdString(line.OutputPath()), words);
    dialog.exec();
    return false;
}
