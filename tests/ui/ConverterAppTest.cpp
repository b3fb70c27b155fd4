#include "ui/ConverterApp.h"

#include <QTest>

class ConverterAppTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programNameTakesNoSlot()
    {
        // Bytes as the process got them: a path need not be valid UTF-8.
        char arguments[][16] = {"/usr/bin/tarnex", "-clip", "in\xff.3ds", "out.3d"};
        char* argv[] = {arguments[0], arguments[1], arguments[2], arguments[3]};
        const CConverterCommandLineInfo line = CConverterApp::CollectCommandLine(4, argv);
        QCOMPARE(line.InputPath(), std::string("clip"));
        QCOMPARE(line.OutputPath(), std::string("in\xff.3ds"));
        QCOMPARE(line.Words(), std::vector<std::string>{"out.3d"});
    }
};

int RunConverterAppTests(int argc, char** argv)
{
    ConverterAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConverterAppTest.moc"
