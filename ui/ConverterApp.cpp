#include "ui/ConverterApp.h"

#include "ui/ConverterDlg.h"

#include <QStringList>

CConverterCommandLineInfo CConverterApp::CollectCommandLine(int argc, char** argv)
{
    CConverterCommandLineInfo line;
    for (int i = 1; i < argc; ++i)
        line.ParseParam(argv[i]);
    return line;
}

bool CConverterApp::InitInstance(int argc, char** argv)
{
    const CConverterCommandLineInfo line = CollectCommandLine(argc, argv);
    CConverterDlg dialog;
    QStringList words;
    for (const std::string& word : line.Words())
        words.append(QString::fromLocal8Bit(word.c_str()));
    dialog.SetPresets(line.InputPath(), line.OutputPath(), words);
    dialog.exec();
    return false;
}
