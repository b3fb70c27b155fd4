#include "ui/ConverterDlg.h"

#include "tests/ui/UiTestSupport.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QLabel>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <filesystem>

namespace {

// The controls a run disables, in the order it disables them.
const QList<int> kInputControls = {1000, 1001, 1002, 1003, 1012, 1004, 1005, 1007, 1008, 1013, 1006};

QString StatusText(const CConverterDlg& dialog)
{
    return static_cast<QPlainTextEdit*>(dialog.Control(1009))->toPlainText();
}

QPushButton* GoButton(const CConverterDlg& dialog)
{
    return static_cast<QPushButton*>(dialog.Control(1012));
}

QLineEdit* Field(const CConverterDlg& dialog, int id)
{
    return static_cast<QLineEdit*>(dialog.Control(id));
}

QGroupBox* StatusGroup(const CConverterDlg& dialog)
{
    return dialog.findChild<QGroupBox*>("statusGroup");
}

// The ids of the ticked radio buttons and check box, in ascending order.
QList<int> CheckedIds(const CConverterDlg& dialog)
{
    QList<int> ids;
    for (int id : {1004, 1005, 1006, 1007, 1008, 1013})
        if (static_cast<QAbstractButton*>(dialog.Control(id))->isChecked())
            ids.append(id);
    return ids;
}

QList<int> EnabledIds(const CConverterDlg& dialog)
{
    QList<int> ids;
    for (int id = 1000; id <= 1013; ++id)
        if (dialog.Control(id) != nullptr && dialog.Control(id)->isEnabled())
            ids.append(id);
    return ids;
}

void Show(CConverterDlg& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

// Types the input and output paths, as a user would before Go.
void TypePaths(CConverterDlg& dialog, const QString& input, const QString& output)
{
    Field(dialog, 1000)->setText(input);
    Field(dialog, 1001)->setText(output);
}

class CPaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

} // namespace

class ConverterDlgTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir dir;
    QString inputPath;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        inputPath = dir.filePath("scene.3ds");
        QVERIFY(WriteFile(inputPath, TwoObjectScene()));
    }

    void opensShortWithDefaultChoices()
    {
        CConverterDlg dialog;
        Show(dialog);
        QCOMPARE(dialog.windowTitle(), QString("Tarnex Model Converter"));
        // The window ends exactly where the Status group begins; Go and Help stay in sight.
        QCOMPARE(dialog.height(), StatusGroup(dialog)->y());
        QVERIFY(GoButton(dialog)->geometry().bottom() < dialog.height());
        QCOMPARE(CheckedIds(dialog), QList<int>({1004, 1008}));
        QCOMPARE(Field(dialog, 1000)->text(), QString());
        QCOMPARE(Field(dialog, 1001)->text(), QString());
        QCOMPARE(GoButton(dialog)->text(), QString("Go"));
        QVERIFY(GoButton(dialog)->isDefault());
        QCOMPARE(EnabledIds(dialog), QList<int>({1000, 1001, 1002, 1003, 1004, 1005, 1006, 1007, 1008, 1009,
                                                 1010, 1012, 1013}));
        QCOMPARE(dialog.focusWidget(), dialog.Control(1000));
    }

    void tabVisitsTheTabStopsInTemplateOrder()
    {
        CConverterDlg dialog;
        Show(dialog);
        dialog.GrowWindow(kWindowGrowth);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QList<int> visited;
        for (int i = 0; i < 12; ++i) {
            visited.append(QApplication::focusWidget()->property("controlId").toInt());
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        }
        // Each radio group at its selected button; Preview waits for a completed run.
        QCOMPARE(visited, QList<int>({1000, 1002, 1001, 1003, 1004, 1006, 1008, 1014, 1015, 1012, 1010, 1009}));
        QCOMPARE(QApplication::focusWidget(), dialog.Control(1000));
    }

    void everyControlTakesTheClicksOnItself()
    {
        // The group frames lie over some of the buttons they frame; they must not catch clicks.
        CConverterDlg dialog;
        Show(dialog);
        dialog.GrowWindow(kWindowGrowth);
        for (int id = 1000; id <= 1013; ++id) {
            QWidget* control = dialog.Control(id);
            if (control == nullptr)
                continue;
            QWidget* hit = dialog.childAt(control->geometry().center());
            QVERIFY2(hit == control || control->isAncestorOf(hit), qPrintable(QString::number(id)));
        }
    }

    void firstGoGrowsOnceAndRefusedRequestKeepsControls()
    {
        CConverterDlg dialog;
        Show(dialog);
        const QPoint place = dialog.pos();
        const int shortHeight = dialog.height();
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QCOMPARE(StatusText(dialog), QString("Error: You must specify an input file"));
        const int grownHeight = dialog.height();
        QCOMPARE(grownHeight, shortHeight + dialog.CollapsedHeight());
        QVERIFY(StatusGroup(dialog)->geometry().bottom() < grownHeight);
        QCOMPARE(dialog.pos(), place);
        QCOMPARE(dialog.width(), dialog.minimumWidth());
        QCOMPARE(EnabledIds(dialog).size(), 13);

        Field(dialog, 1000)->setText(inputPath);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QCOMPARE(StatusText(dialog), QString("Error: You must specify an output file name"));
        QCOMPARE(dialog.height(), grownHeight);
        QCOMPARE(GoButton(dialog)->text(), QString("Go"));
    }

    void loadFailureLeavesOnlyHelpAndStatus()
    {
        const QString broken = dir.filePath("broken.3ds");
        QVERIFY(WriteFile(broken, QByteArray("not a scene at all")));
        CConverterDlg dialog;
        Show(dialog);
        TypePaths(dialog, broken, dir.filePath("broken.3d"));
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY2(StatusText(dialog).startsWith("Loading model...\n"), qPrintable(StatusText(dialog)));
        QCOMPARE(EnabledIds(dialog), QList<int>({1009, 1010}));
        QCOMPARE(GoButton(dialog)->text(), QString("Go"));
        QVERIFY(!QFile::exists(dir.filePath("broken_d.3d")));
        QVERIFY(WithModalDialog([&] { QTest::mouseClick(static_cast<QPushButton*>(dialog.Control(1010)), Qt::LeftButton); },
                                [](QDialog&) {}));
    }

    void completedRunShowsCloseAndGoEndsDialog()
    {
        CConverterDlg dialog;
        Show(dialog);
        TypePaths(dialog, inputPath, dir.filePath("done.3d"));
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY2(StatusText(dialog).startsWith("Loading model...\n"), qPrintable(StatusText(dialog)));
        QVERIFY(StatusText(dialog).endsWith("\nDone.\n"));
        QCOMPARE(GoButton(dialog)->text(), QString("Close"));
        QCOMPARE(EnabledIds(dialog), QList<int>({1009, 1010, 1012}));

        const QByteArray data = ReadFile(dir.filePath("done_d.3d"));
        const QByteArray animation = ReadFile(dir.filePath("done_a.3d"));
        QVERIFY(!data.isEmpty() && !animation.isEmpty());
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY(!dialog.isVisible());
        QCOMPARE(dialog.result(), int(QDialog::Rejected));
        QCOMPARE(ReadFile(dir.filePath("done_d.3d")), data);
        QCOMPARE(ReadFile(dir.filePath("done_a.3d")), animation);
    }

    void enterEndsTheDialogAfterACompletedRun()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        TypePaths(dialog, inputPath, dir.filePath("enter.3d"));
        QTest::keyClick(Field(dialog, 1001), Qt::Key_Return);
        QTRY_COMPARE(GoButton(dialog)->text(), QString("Close"));
        // Enter goes to the focused button: on any other it would not close.
        QCOMPARE(QApplication::focusWidget(), GoButton(dialog));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!dialog.isVisible());
    }

    void enterInPathFieldPressesGo()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(Field(dialog, 1000), Qt::Key_Return);
        QTRY_COMPARE(StatusText(dialog), QString("Error: You must specify an input file"));
        Field(dialog, 1000)->setText(inputPath);
        Field(dialog, 1001)->setFocus();
        QTest::keyClick(Field(dialog, 1001), Qt::Key_Enter);
        QTRY_COMPARE(StatusText(dialog), QString("Error: You must specify an output file name"));
    }

    void radioButtonsDeselectOnlyTheirPartners()
    {
        CConverterDlg dialog;
        Show(dialog);
        const struct {
            int click;
            QList<int> checked;
        } steps[] = {
            {1013, {1008, 1013}},       {1013, {1008, 1013}},       {1005, {1005, 1008}},
            {1005, {1005, 1008}},       {1004, {1004, 1008}},       {1013, {1008, 1013}},
            {1007, {1007, 1013}},       {1007, {1007, 1013}},       {1006, {1006, 1007, 1013}},
            {1008, {1006, 1008, 1013}}, {1004, {1004, 1006, 1008}}, {1006, {1004, 1008}},
        };
        for (const auto& step : steps) {
            QTest::mouseClick(dialog.Control(step.click), Qt::LeftButton);
            QCOMPARE(CheckedIds(dialog), step.checked);
        }
    }

    void optionWordPresets_data()
    {
        QTest::addColumn<QString>("word1");
        QTest::addColumn<QString>("word2");
        QTest::addColumn<QString>("word3");
        QTest::addColumn<QList<int>>("checked");
        QTest::newRow("no words") << "" << "" << "" << QList<int>({1004, 1008});
        QTest::newRow("clip then xyz") << "clip" << "xyz" << "" << QList<int>({1008, 1013});
        QTest::newRow("xyz then clip") << "xyz" << "clip" << "" << QList<int>({1005, 1008});
        QTest::newRow("APPEND") << "APPEND" << "" << "" << QList<int>({1004, 1006, 1008});
        QTest::newRow("all three kinds") << "ByName" << "append" << "Clip" << QList<int>({1005, 1006, 1007});
        QTest::newRow("word after an empty one") << "" << "" << "xyz" << QList<int>({1008, 1013});
        QTest::newRow("unknown words") << "clipped" << "x,y,z" << "-clip" << QList<int>({1004, 1008});
    }

    void optionWordPresets()
    {
        QFETCH(QString, word1);
        QFETCH(QString, word2);
        QFETCH(QString, word3);
        QFETCH(QList<int>, checked);
        CConverterDlg dialog;
        dialog.SetPresets("in.3ds", "", {word1, word2, word3});
        Show(dialog);
        QCOMPARE(CheckedIds(dialog), checked);
        QCOMPARE(Field(dialog, 1000)->text(), QString("in.3ds"));
        QCOMPARE(Field(dialog, 1001)->text(), QString());
    }

    void editorWordsTickTheirBoxesAndClipBoundsDisablesFill()
    {
        CConverterDlg dialog;
        dialog.SetPresets("in.3ds", "", {"FILL", "script", "xyz"});
        Show(dialog);
        auto* fill = static_cast<QCheckBox*>(dialog.Control(1014));
        auto* script = static_cast<QCheckBox*>(dialog.Control(1015));
        QVERIFY(fill->isChecked() && fill->isEnabled());
        QVERIFY(script->isChecked());
        QTest::mouseClick(dialog.Control(1005), Qt::LeftButton); // Clip Bounds: nothing to fill
        QVERIFY(!fill->isEnabled());
        QTest::mouseClick(dialog.Control(1004), Qt::LeftButton);
        QVERIFY(fill->isEnabled());
        const ConversionOptions options = dialog.ReadOptions();
        QVERIFY(options.fill && options.script);
        QCOMPARE(options.vertexMode, VertexMode::UniformScale);
    }

    void autoRunsOnceAfterFirstPaint()
    {
        CConverterDlg dialog;
        dialog.SetPresets(inputPath.toStdString(), dir.filePath("auto.3d").toStdString(), {"clip"});
        Show(dialog);
        QCOMPARE(Field(dialog, 1001)->text(), dir.filePath("auto.3d"));
        QTRY_COMPARE(GoButton(dialog)->text(), QString("Close"));
        QVERIFY(QFile::exists(dir.filePath("auto_a.3d")));
        QVERIFY(!StatusText(dialog).contains("Checking model scale..."));
        // A second automatic request would find the run finished and close the window.
        dialog.repaint();
        dialog.update();
        QTest::qWait(50);
        QVERIFY(dialog.isVisible());
        QCOMPARE(StatusText(dialog).count("Done."), 1);
    }

    void neverAutoRunsWithoutOutputPreset()
    {
        CConverterDlg dialog;
        dialog.SetPresets(inputPath.toStdString(), "", {});
        Show(dialog);
        QTest::qWait(50);
        const int shortHeight = dialog.height();
        QCOMPARE(StatusText(dialog), QString());
        QCOMPARE(shortHeight, StatusGroup(dialog)->y());
        // An output path typed later never starts a run by itself.
        QTest::keyClicks(Field(dialog, 1001), dir.filePath("typed.3d"));
        dialog.repaint();
        QTest::qWait(50);
        QCOMPARE(StatusText(dialog), QString());
        QCOMPARE(dialog.height(), shortHeight);
    }

    void cancelledBrowseEmptiesItsField()
    {
        CConverterDlg dialog;
        dialog.SetFileDialogRunner([](QFileDialog&) { return QString(); });
        Show(dialog);
        TypePaths(dialog, "typed.3ds", "typed.3d");
        QTest::mouseClick(dialog.Control(1002), Qt::LeftButton);
        QCOMPARE(Field(dialog, 1000)->text(), QString());
        QCOMPARE(Field(dialog, 1001)->text(), QString("typed.3d"));
        QTest::mouseClick(dialog.Control(1003), Qt::LeftButton);
        QCOMPARE(Field(dialog, 1001)->text(), QString());
    }

    void browseDialogsShowBothCasesAndNeverAskToReplace()
    {
        CConverterDlg dialog;
        QStringList filters;
        QList<QFileDialog::AcceptMode> modes;
        QStringList suffixes;
        QList<bool> confirms;
        QList<QWidget*> parents;
        dialog.SetFileDialogRunner([&](QFileDialog& files) {
            filters.append(files.nameFilters());
            modes.append(files.acceptMode());
            suffixes.append(files.defaultSuffix());
            confirms.append(!files.testOption(QFileDialog::DontConfirmOverwrite));
            parents.append(files.parentWidget());
            return files.acceptMode() == QFileDialog::AcceptOpen ? QString("/models/ship.3DS")
                                                                  : QString("/out/ship.3d");
        });
        Show(dialog);
        QTest::mouseClick(dialog.Control(1002), Qt::LeftButton);
        QTest::mouseClick(dialog.Control(1003), Qt::LeftButton);
        QCOMPARE(filters, QStringList({"3D Studio MAX (*.3DS *.3ds)", "Unreal 3D Format (*.3D *.3d)"}));
        QCOMPARE(modes, QList<QFileDialog::AcceptMode>({QFileDialog::AcceptOpen, QFileDialog::AcceptSave}));
        QCOMPARE(suffixes, QStringList({"3DS", "3D"}));
        QCOMPARE(confirms.at(1), false);
        QCOMPARE(parents, QList<QWidget*>({&dialog, &dialog}));
        QCOMPARE(Field(dialog, 1000)->text(), QString("/models/ship.3DS"));
        QCOMPARE(Field(dialog, 1001)->text(), QString("/out/ship.3d"));
    }

    void helpAndAboutOpenTheSameHelpBox()
    {
        CConverterDlg dialog;
        Show(dialog);
        QStringList titles;
        QList<QWidget*> parents;
        const auto look = [&](QDialog& box) {
            titles.append(box.windowTitle());
            parents.append(box.parentWidget());
        };
        QVERIFY(WithModalDialog([&] { QTest::mouseClick(dialog.Control(1010), Qt::LeftButton); }, look));
        QVERIFY(WithModalDialog([&] { dialog.OnSysCommand(16); }, look));
        QVERIFY(WithModalDialog([&] { dialog.OnSysCommand(31); }, look));
        QCOMPARE(titles, QStringList({"Tarnex Help", "Tarnex Help", "Tarnex Help"}));
        QCOMPARE(parents, QList<QWidget*>({&dialog, &dialog, &dialog}));
        QVERIFY(!WithModalDialog([&] { dialog.OnSysCommand(32); }, look));
        QVERIFY(!WithModalDialog([&] { dialog.OnSysCommand(0xF060); }, look));
        QVERIFY(dialog.isVisible());
    }

    void contextMenuOffersAbout()
    {
        CConverterDlg dialog;
        Show(dialog);
        QString itemText;
        QString boxTitle;
        QTimer::singleShot(0, [&] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            if (menu == nullptr || menu->actions().isEmpty())
                return;
            itemText = menu->actions().constFirst()->text();
            WhenModalOpens([&](QDialog& box) { boxTitle = box.windowTitle(); });
            QTest::keyClick(menu, Qt::Key_Down);
            QTest::keyClick(menu, Qt::Key_Return);
        });
        const QPoint at(4, 4);
        QContextMenuEvent event(QContextMenuEvent::Mouse, at, dialog.mapToGlobal(at));
        QApplication::sendEvent(&dialog, &event);
        QCOMPARE(itemText, QString("&About Tarnex..."));
        QTRY_COMPARE(boxTitle, QString("Tarnex Help"));
    }

    void statusBoxShowsTheNewestLineAndWrapsLongOnes()
    {
        CConverterDlg dialog;
        Show(dialog);
        dialog.GrowWindow(kWindowGrowth);
        std::string log;
        for (int i = 1; i <= 40; ++i)
            log += "line " + std::to_string(i) + "\r\n";
        const std::string last = "Error: Could not open Output file: /" + std::string(300, 'p') + "\r\n";
        log += last;
        dialog.ShowLog(log, last);
        auto* status = static_cast<QPlainTextEdit*>(dialog.Control(1009));
        QVERIFY(status->verticalScrollBar()->maximum() > 0);
        QCOMPARE(status->verticalScrollBar()->value(), status->verticalScrollBar()->maximum());
        QCOMPARE(status->horizontalScrollBar()->maximum(), 0); // the long line wraps
        QVERIFY(StatusText(dialog).startsWith("line 1\nline 2\n"));
        QVERIFY(status->isReadOnly());
    }

    void progressLinePaintsAtOnce()
    {
        // The load that reports progress keeps the thread busy: no event loop runs until it ends.
        CConverterDlg dialog;
        Show(dialog);
        dialog.GrowWindow(kWindowGrowth);
        QTest::qWait(20);
        auto* status = static_cast<QPlainTextEdit*>(dialog.Control(1009));
        CPaintCounter counter;
        status->viewport()->installEventFilter(&counter);
        dialog.ShowProgress("Loading model...\r\n", "  reading Object 1 of 2\r\n");
        QVERIFY(counter.paints > 0);
        QCOMPARE(StatusText(dialog), QString("Loading model...\n  reading Object 1 of 2\n"));
    }

    void inputThatCameDuringARunIsDropped()
    {
        CConverterDlg dialog;
        Show(dialog);
        TypePaths(dialog, inputPath, dir.filePath("busy.3d"));
        // While the run holds the window its status box repaints; the user meanwhile clicks Go a
        // second time, presses Escape and clicks the close box.
        class CImpatientUser : public QObject {
        public:
            CConverterDlg* dialog = nullptr;
            bool acted = false;

        protected:
            bool eventFilter(QObject*, QEvent* event) override
            {
                if (event->type() != QEvent::Paint || acted)
                    return false;
                acted = true;
                QWidget* go = dialog->Control(1012);
                const QPointF centre = go->rect().center();
                for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease})
                    QCoreApplication::postEvent(go, new QMouseEvent(type, centre, go->mapToGlobal(centre),
                                                                    Qt::LeftButton, Qt::LeftButton, Qt::NoModifier));
                QCoreApplication::postEvent(dialog, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
                QCoreApplication::postEvent(dialog, new QCloseEvent);
                return false;
            }
        } user;
        user.dialog = &dialog;
        static_cast<QPlainTextEdit*>(dialog.Control(1009))->viewport()->installEventFilter(&user);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(user.acted);
        QVERIFY(dialog.isVisible());
        QCOMPARE(GoButton(dialog)->text(), QString("Close"));
        QVERIFY(StatusText(dialog).endsWith("Done.\n"));
    }

    void browseTakesTheFileThereWhateverTheCaseOfItsExtension()
    {
        QVERIFY(WriteFile(dir.filePath("lower.3ds"), TwoObjectScene()));
        CConverterDlg dialog;
        // The file dialog added ".3DS" to a name typed without an extension.
        dialog.SetFileDialogRunner([&](QFileDialog&) { return dir.filePath("lower.3DS"); });
        Show(dialog);
        QTest::mouseClick(dialog.Control(1002), Qt::LeftButton);
        QCOMPARE(Field(dialog, 1000)->text(), dir.filePath("lower.3ds"));
        dialog.SetFileDialogRunner([&](QFileDialog&) { return dir.filePath("none.3DS"); });
        QTest::mouseClick(dialog.Control(1002), Qt::LeftButton);
        QCOMPARE(Field(dialog, 1000)->text(), dir.filePath("none.3DS")); // nothing there to take
    }

    void pathsThatAreNotUtf8ConvertFromTheWindow()
    {
        // "sc\xe9ne" is Latin-1, not UTF-8: the file system keeps the bytes, a text cannot.
        const std::string folder = dir.path().toStdString();
        const std::string input = folder + "/sc\xe9ne.3ds", output = folder + "/sc\xe9ne.3d";
        const QByteArray scene = TwoObjectScene();
        FILE* file = std::fopen(input.c_str(), "wb");
        QVERIFY(file != nullptr);
        QCOMPARE(std::fwrite(scene.constData(), 1, static_cast<std::size_t>(scene.size()), file), std::size_t(scene.size()));
        std::fclose(file);

        CConverterDlg dialog;
        dialog.SetPresets(input, output, {});
        Show(dialog);
        QTRY_COMPARE(GoButton(dialog)->text(), QString("Close"));
        QVERIFY(std::filesystem::exists(folder + "/sc\xe9ne_a.3d"));

        // Chosen in the file dialog, the name comes back as text that lost the byte.
        CConverterDlg browsing;
        browsing.SetFileDialogRunner([&](QFileDialog&) { return QFile::decodeName(QByteArray::fromStdString(input)); });
        Show(browsing);
        QTest::mouseClick(browsing.Control(1002), Qt::LeftButton);
        QCOMPARE(browsing.ReadOptions().inputPath, input);
    }

    void radioGroupsTakeTheArrowKeys()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Control(1004)->setFocus();
        QTest::keyClick(dialog.Control(1004), Qt::Key_Down);
        QCOMPARE(CheckedIds(dialog), QList<int>({1008, 1013}));
        QCOMPARE(QApplication::focusWidget(), dialog.Control(1013));
        QTest::keyClick(dialog.Control(1013), Qt::Key_Down);
        QCOMPARE(CheckedIds(dialog), QList<int>({1005, 1008}));
        QVERIFY(!dialog.Control(1014)->isEnabled()); // Clip Bounds: nothing to fill
        QTest::keyClick(dialog.Control(1005), Qt::Key_Down); // round to the first again
        QCOMPARE(CheckedIds(dialog), QList<int>({1004, 1008}));
        dialog.Control(1008)->setFocus();
        QTest::keyClick(dialog.Control(1008), Qt::Key_Up);
        QCOMPARE(CheckedIds(dialog), QList<int>({1004, 1007}));
    }

    void previewShowsTheFilesOfACompletedRun()
    {
        CConverterDlg dialog;
        Show(dialog);
        QVERIFY(!dialog.Control(1016)->isEnabled());
        TypePaths(dialog, inputPath, dir.filePath("seen.3d"));
        QTest::mouseClick(dialog.Control(1007), Qt::LeftButton);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY(dialog.Control(1016)->isEnabled());
        QString frames;
        QVERIFY(WithModalDialog([&] { QTest::mouseClick(dialog.Control(1016), Qt::LeftButton); },
                                [&](QDialog& viewer) { frames = viewer.findChild<QLabel*>("frameNumber")->text(); }));
        QCOMPARE(frames, QString("Frame 0 (1 of 2)"));
    }

    void goWritesTheSameBytesAsCli()
    {
        CConverterDlg dialog;
        Show(dialog);
        TypePaths(dialog, inputPath, dir.filePath("window.3d"));
        QTest::mouseClick(dialog.Control(1013), Qt::LeftButton);
        QTest::mouseClick(dialog.Control(1007), Qt::LeftButton);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QCOMPARE(GoButton(dialog)->text(), QString("Close"));

        QProcess cli;
        cli.setStandardOutputFile(QProcess::nullDevice());
        cli.start(TARNEX_CLI_PATH, {inputPath, dir.filePath("cli.3d"), "xyz", "byname"});
        QVERIFY(cli.waitForFinished());
        QCOMPARE(cli.exitCode(), 0);
        const QByteArray data = ReadFile(dir.filePath("window_d.3d"));
        const QByteArray animation = ReadFile(dir.filePath("window_a.3d"));
        QVERIFY(!data.isEmpty());
        QVERIFY(!animation.isEmpty());
        QCOMPARE(data, ReadFile(dir.filePath("cli_d.3d")));
        QCOMPARE(animation, ReadFile(dir.filePath("cli_a.3d")));
    }
};

int RunConverterDlgTests(int argc, char** argv)
{
    ConverterDlgTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "ConverterDlgTest.moc"
