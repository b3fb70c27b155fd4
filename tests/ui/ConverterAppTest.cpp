#include "ui/ConverterApp.h"

#include <QTest>

class ConverterAppTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void programNameTakesNoSlot()
    {
        const CConverterCommandLineInfo line =
            CConverterApp::CollectCommandLine({"/usr/bin/tarnex", "-clip", "in.3ds", "out.3d"});
        QCOMPARE(line.slots[0], std::string("clip"));
        QCOMPARE(line.slots[1], std::string("in.3ds"));
        QCOMPARE(line.slots[2], std::string("out.3d"));
        QCOMPARE(line.slots[3], std::string());
        QCOMPARE(line.slots[4], std::string());
    }
};

int RunConverterAppTests(int argc, char** argv)
{
    ConverterAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConverterAppTest.moc"
