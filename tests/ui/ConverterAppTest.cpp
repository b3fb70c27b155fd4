#include "ui/ConverterApp.h"

#include <QProcess>
#include <QTest>

namespace {

struct Answer {
    int status = -1;
    QByteArray out, err;
};

Answer Run(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    Answer answer;
    if (!process.waitForFinished(10000))
        return answer;
    answer.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    answer.out = process.readAllStandardOutput();
    answer.err = process.readAllStandardError();
    return answer;
}

} // namespace

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

    void helpVersionAndUnknownOptionsAreAnsweredWithoutAWindow()
    {
        // No display is needed: the answer comes before any window could open.
        const Answer cliHelp = Run(TARNEX_CLI_PATH, {"--help"});
        for (const char* help : {"--help", "-h"}) {
            const Answer answer = Run(TARNEX_GUI_PATH, {help});
            QCOMPARE(answer.status, 0);
            QCOMPARE(answer.out, cliHelp.out);
        }
        const Answer version = Run(TARNEX_GUI_PATH, {"--version"});
        QCOMPARE(version.status, 0);
        QCOMPARE(version.out, QByteArray("tarnex " TARNEX_EXPECTED_VERSION "\n"));

        const Answer unknown = Run(TARNEX_GUI_PATH, {"--info", "x.3d"});
        QCOMPARE(unknown.status, 2);
        QCOMPARE(unknown.out, QByteArray());
        QCOMPARE(unknown.err, "tarnex: unknown option \"--info\"\n" + cliHelp.out);
    }
};

int RunConverterAppTests(int argc, char** argv)
{
    ConverterAppTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConverterAppTest.moc"
