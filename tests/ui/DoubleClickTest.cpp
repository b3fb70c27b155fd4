// A real double-click on Go, by xdotool on an X server: the run it starts ends long before the
// second click, which must not close the window.
#include "ui/ConverterDlg.h"

#include "tests/ui/UiTestSupport.h"

#include <QApplication>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class DoubleClickTest : public QObject {
    Q_OBJECT

private:
    // Clicks the left button count times at the centre of widget, delay ms apart, while the
    // window's event loop runs.
    static bool Click(QWidget* widget, int count, int delay)
    {
        const QPoint at = widget->mapToGlobal(widget->rect().center());
        QProcess xdotool;
        xdotool.start("xdotool", {"mousemove", QString::number(at.x()), QString::number(at.y()), "sleep", "0.2", "click",
                                  "--repeat", QString::number(count), "--delay", QString::number(delay), "1"});
        if (!xdotool.waitForStarted())
            return false;
        for (int waited = 0; xdotool.state() != QProcess::NotRunning && waited < 10000; waited += 10)
            QTest::qWait(10); // the window's event loop takes the clicks as they come
        QTest::qWait(100);    // the last release reaches the window
        return xdotool.exitStatus() == QProcess::NormalExit && xdotool.exitCode() == 0;
    }

private Q_SLOTS:
    void doubleClickOnGoAfterAFastRunLeavesTheWindowOpen()
    {
        QTemporaryDir dir;
        QVERIFY(WriteFile(dir.filePath("scene.3ds"), TwoObjectScene()));
        CConverterDlg dialog;
        dialog.SetPresets(dir.filePath("scene.3ds").toStdString(), "", {});
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        static_cast<QLineEdit*>(dialog.Control(1001))->setText(dir.filePath("fast.3d"));
        auto* go = static_cast<QPushButton*>(dialog.Control(1012));
        const auto log = [&] { return static_cast<QPlainTextEdit*>(dialog.Control(1009))->toPlainText(); };

        // 150 ms apart, within the double-click interval; the run takes a few milliseconds.
        QVERIFY(QApplication::doubleClickInterval() > 150);
        QVERIFY(Click(go, 2, 150));
        QVERIFY2(log().endsWith("Done.\n"), qPrintable(log())); // the first click ran
        QVERIFY(dialog.isVisible());
        QCOMPARE(go->text(), QString("&Close"));
        QCOMPARE(log().count("Done."), 1);

        // A click of its own, later, closes it.
        QTest::qWait(QApplication::doubleClickInterval());
        QVERIFY(Click(go, 1, 0));
        QTRY_VERIFY(!dialog.isVisible());
    }
};

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    DoubleClickTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DoubleClickTest.moc"
