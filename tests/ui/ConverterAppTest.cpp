#include "ui/ConverterApp.h"

#include <QTest>

class ConverterAppTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programNameTakesNoSlot()
    {
        const CConverterCommandLineInfo line =
            CConverterApp::CollectCommandLine({"/usr/bin/tarnex", "-clip", "in.3ds", "out.3d"});
        QCOMPARE(line.InputPath(), std::string("clip"));
        QCOMPARE(line.OutputPath(), std::string("in.3ds"));
        QCOMPARE(line.Words(), std::vector<std::string>{"out.3d"});
    }
};

int RunConverterAppTests(int argc, char** argv)
{
    ConverterAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConverterAppTest.moc"
