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

using enum CConverterDlg::ControlId;

QString StatusText(const CConverterDlg& dialog)
{
    return static_cast<QPlainTextEdit*>(dialog.Control(kStatus))->toPlainText();
}

QPushButton* GoButton(const CConverterDlg& dialog)
{
    return static_cast<QPushButton*>(dialog.Control(kGo));
}

// A caption as the user reads it, without the "&" that marks its Alt shortcut.
QString Caption(const QAbstractButton* button)
{
    return QString(button->text()).remove(QLatin1Char('&'));
}

// A Go that comes within a double-click's interval of a completed run is not taken for Close.
void WaitPastDoubleClick()
{
    QTest::qWait(QApplication::doubleClickInterval() + 20);
}

QLineEdit* Field(const CConverterDlg& dialog, int id)
{
    return static_cast<QLineEdit*>(dialog.Control(id));
}

QGroupBox* StatusGroup(const CConverterDlg& dialog)
{
    return dialog.findChild<QGroupBox*>("statusGroup");
}

// The ids of the ticked radio buttons and check boxes, in ascending order.
QList<int> CheckedIds(const CConverterDlg& dialog)
{
    QList<int> ids;
    for (int id : CConverterDlg::kControlIds) {
        const auto* button = qobject_cast<const QAbstractButton*>(dialog.Control(id));
        if (button != nullptr && button->isChecked())
            ids.append(id);
    }
    return ids;
}

// The ids of the enabled controls, in ascending order.
QList<int> EnabledIds(const CConverterDlg& dialog)
{
    QList<int> ids;
    for (int id : CConverterDlg::kControlIds)
        if (dialog.Control(id)->isEnabled())
            ids.append(id);
    return ids;
}

// Before a run every control takes input but Preview, which waits for a run's files.
const QList<int> kEnabledBeforeARun = {
    kInputPath,  kOutputPath, kBrowseInput, kBrowseOutput, kUniformScale, kClipBounds, kAppend, kByObjectName,
    kByKeyFrame, kStatus,     kHelp,        kGo,           kXyzScale,     kFill,       kScript, kExact, kSize,
    kPackage,    kMaterials,  kDeusEx};

// The status box's text, one entry a line.
QStringList StatusLines(const CConverterDlg& dialog)
{
    QStringList lines = static_cast<QPlainTextEdit*>(dialog.Control(kStatus))->toPlainText().split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    return lines;
}

void Show(CConverterDlg& dialog)
{
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
}

// Types the input and output paths, as a user would before Go.
void TypePaths(CConverterDlg& dialog, const QString& input, const QString& output)
{
    Field(dialog, kInputPath)->setText(input);
    Field(dialog, kOutputPath)->setText(output);
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
        QCOMPARE(CheckedIds(dialog), QList<int>({kUniformScale, kByKeyFrame}));
        QCOMPARE(Field(dialog, kInputPath)->text(), QString());
        QCOMPARE(Field(dialog, kOutputPath)->text(), QString());
        QCOMPARE(Caption(GoButton(dialog)), QString("Go"));
        QVERIFY(GoButton(dialog)->isDefault());
        QCOMPARE(EnabledIds(dialog), kEnabledBeforeARun);
        QCOMPARE(dialog.focusWidget(), dialog.Control(kInputPath));
    }

    void tabVisitsTheTabStopsInTemplateOrder()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        const auto visit = [](int stops) {
            QList<int> visited;
            for (int i = 0; i < stops; ++i) {
                visited.append(QApplication::focusWidget()->property("controlId").toInt());
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            }
            return visited;
        };
        // Each radio group at its selected button; Preview waits for a completed run, and the
        // status box for the window to show it.
        const QList<int> stops = {kInputPath, kBrowseInput, kOutputPath, kBrowseOutput, kUniformScale, kAppend, kByKeyFrame, kFill, kScript, kSize, kExact, kPackage, kMaterials, kDeusEx, kGo, kHelp};
        QCOMPARE(visit(16), stops);
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kInputPath));
        dialog.GrowWindow(kWindowGrowth);
        QCOMPARE(visit(17), stops + QList<int>({kStatus}));
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kInputPath));
    }

    void altShortcutsReachTheLabelledControls()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(&dialog, Qt::Key_O, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kOutputPath));
        QTest::keyClick(&dialog, Qt::Key_I, Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kInputPath));
        for (const Qt::Key key : {Qt::Key_X, Qt::Key_N, Qt::Key_A})
            QTest::keyClick(&dialog, key, Qt::AltModifier);
        QTRY_COMPARE(CheckedIds(dialog), QList<int>({kAppend, kByObjectName, kXyzScale}));
        QTest::keyClick(&dialog, Qt::Key_G, Qt::AltModifier);
        QTRY_COMPARE(StatusText(dialog), QString("Error: You must specify an input file"));
    }

    void unknownOptionWordIsNotedInTheLog()
    {
        CConverterDlg dialog;
        dialog.SetPresets(inputPath.toStdString(), dir.filePath("noted.3d").toStdString(), {"--scrpit", "--clip"});
        Show(dialog);
        QTRY_COMPARE(Caption(GoButton(dialog)), QString("Close"));
        QVERIFY2(StatusText(dialog).startsWith("Note: unknown option word \"scrpit\" ignored\nLoading model...\n"),
                 qPrintable(StatusText(dialog)));
        QCOMPARE(CheckedIds(dialog), QList<int>({kClipBounds, kByKeyFrame}));
    }

    void everyControlTakesTheClicksOnItself()
    {
        // The group frames lie over some of the buttons they frame; they must not catch clicks.
        CConverterDlg dialog;
        Show(dialog);
        dialog.GrowWindow(kWindowGrowth);
        for (int id : CConverterDlg::kControlIds) {
            QWidget* control = dialog.Control(id);
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
        QCOMPARE(EnabledIds(dialog), kEnabledBeforeARun);

        Field(dialog, kInputPath)->setText(inputPath);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QCOMPARE(StatusText(dialog), QString("Error: You must specify an output file name"));
        QCOMPARE(dialog.height(), grownHeight);
        QCOMPARE(Caption(GoButton(dialog)), QString("Go"));
    }

    void failedRunLeavesTheWindowAsBeforeWithTheFocusOnTheFix()
    {
        const QString broken = dir.filePath("broken.3ds");
        QVERIFY(WriteFile(broken, QByteArray("not a scene at all")));
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        TypePaths(dialog, broken, dir.filePath("broken.3d"));
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY2(StatusText(dialog).startsWith("Loading model...\n"), qPrintable(StatusText(dialog)));
        QCOMPARE(EnabledIds(dialog), kEnabledBeforeARun);
        QCOMPARE(Caption(GoButton(dialog)), QString("Go"));
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kInputPath));
        QVERIFY(!QFile::exists(dir.filePath("broken_d.3d")));

        // By name the scene's objects must have one point count; by key frame they need not.
        QTest::mouseClick(dialog.Control(kByObjectName), Qt::LeftButton);
        QVERIFY(WriteFile(dir.filePath("uneven.3ds"), UnevenScene()));
        Field(dialog, kInputPath)->setText(dir.filePath("uneven.3ds"));
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY(StatusText(dialog).endsWith("Error: Object point counts do not match\n"));
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kByObjectName));
        QCOMPARE(Caption(GoButton(dialog)), QString("Go"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Down); // the one option change
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QCOMPARE(Caption(GoButton(dialog)), QString("Close"));
        const QString log = StatusText(dialog);
        QVERIFY2(log.startsWith("Loading model...\nError reading input file"), qPrintable(log));
        QCOMPARE(log.count("----\n"), 2);
        QVERIFY(log.endsWith("\nDone.\n"));
    }

    void completedRunShowsCloseAndGoEndsDialog()
    {
        CConverterDlg dialog;
        Show(dialog);
        TypePaths(dialog, inputPath, dir.filePath("done.3d"));
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY2(StatusText(dialog).startsWith("Loading model...\n"), qPrintable(StatusText(dialog)));
        QVERIFY(StatusText(dialog).endsWith("\nDone.\n"));
        QCOMPARE(Caption(GoButton(dialog)), QString("Close"));
        QCOMPARE(EnabledIds(dialog), QList<int>({kStatus, kHelp, kGo, kPreview}));

        const QByteArray data = ReadFile(dir.filePath("done_d.3d"));
        const QByteArray animation = ReadFile(dir.filePath("done_a.3d"));
        QVERIFY(!data.isEmpty() && !animation.isEmpty());
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton); // the second click of a double-click
        QVERIFY(dialog.isVisible());
        WaitPastDoubleClick();
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
        QTest::keyClick(Field(dialog, kOutputPath), Qt::Key_Return);
        QTRY_COMPARE(Caption(GoButton(dialog)), QString("Close"));
        // Enter goes to the focused button: on any other it would not close.
        QCOMPARE(QApplication::focusWidget(), GoButton(dialog));
        WaitPastDoubleClick();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(!dialog.isVisible());
    }

    void enterInPathFieldPressesGo()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        QTest::keyClick(Field(dialog, kInputPath), Qt::Key_Return);
        QTRY_COMPARE(StatusText(dialog), QString("Error: You must specify an input file"));
        Field(dialog, kInputPath)->setText(inputPath);
        Field(dialog, kOutputPath)->setFocus();
        QTest::keyClick(Field(dialog, kOutputPath), Qt::Key_Enter);
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
            {kXyzScale, {kByKeyFrame, kXyzScale}},
            {kXyzScale, {kByKeyFrame, kXyzScale}},
            {kClipBounds, {kClipBounds, kByKeyFrame}},
            {kClipBounds, {kClipBounds, kByKeyFrame}},
            {kUniformScale, {kUniformScale, kByKeyFrame}},
            {kXyzScale, {kByKeyFrame, kXyzScale}},
            {kByObjectName, {kByObjectName, kXyzScale}},
            {kByObjectName, {kByObjectName, kXyzScale}},
            {kAppend, {kAppend, kByObjectName, kXyzScale}},
            {kByKeyFrame, {kAppend, kByKeyFrame, kXyzScale}},
            {kUniformScale, {kUniformScale, kAppend, kByKeyFrame}},
            {kAppend, {kUniformScale, kByKeyFrame}},
        };
        for (const auto& step : steps) {
            QTest::mouseClick(dialog.Control(step.click), Qt::LeftButton);
            QCOMPARE(CheckedIds(dialog), step.checked);
        }
    }

    void optionWordPresetsTickTheirChoices_data()
    {
        QTest::addColumn<QString>("word1");
        QTest::addColumn<QString>("word2");
        QTest::addColumn<QString>("word3");
        QTest::addColumn<QList<int>>("checked");
        QTest::newRow("no words") << "" << "" << "" << QList<int>({kUniformScale, kByKeyFrame});
        QTest::newRow("clip then xyz") << "clip" << "xyz" << "" << QList<int>({kByKeyFrame, kXyzScale});
        QTest::newRow("xyz then clip") << "xyz" << "clip" << "" << QList<int>({kClipBounds, kByKeyFrame});
        QTest::newRow("APPEND") << "APPEND" << "" << "" << QList<int>({kUniformScale, kAppend, kByKeyFrame});
        QTest::newRow("all three kinds") << "ByName" << "append" << "Clip" << QList<int>({kClipBounds, kAppend, kByObjectName});
        QTest::newRow("word after an empty one") << "" << "" << "xyz" << QList<int>({kByKeyFrame, kXyzScale});
        QTest::newRow("unknown words") << "clipped" << "x,y,z" << "-/clip" << QList<int>({kUniformScale, kByKeyFrame});
        QTest::newRow("dashes") << "--byname" << "-xyz" << "" << QList<int>({kByObjectName, kXyzScale});
        QTest::newRow("the package's words") << "materials" << "DeusEx" << "package"
                                             << QList<int>({kUniformScale, kByKeyFrame, kScript, kPackage, kMaterials,
                                                            kDeusEx});
    }

    void optionWordPresetsTickTheirChoices()
    {
        QFETCH(QString, word1);
        QFETCH(QString, word2);
        QFETCH(QString, word3);
        QFETCH(QList<int>, checked);
        CConverterDlg dialog;
        dialog.SetPresets("in.3ds", "", {word1, word2, word3});
        Show(dialog);
        QCOMPARE(CheckedIds(dialog), checked);
        QCOMPARE(Field(dialog, kInputPath)->text(), QString("in.3ds"));
        QCOMPARE(Field(dialog, kOutputPath)->text(), QString());
    }

    void editorWordsTickTheirBoxesAndClipBoundsDisablesFill()
    {
        CConverterDlg dialog;
        dialog.SetPresets("in.3ds", "", {"FILL", "script", "xyz"});
        Show(dialog);
        auto* fill = static_cast<QCheckBox*>(dialog.Control(kFill));
        auto* script = static_cast<QCheckBox*>(dialog.Control(kScript));
        QVERIFY(fill->isChecked() && fill->isEnabled());
        QVERIFY(script->isChecked());
        QTest::mouseClick(dialog.Control(kClipBounds), Qt::LeftButton); // Clip Bounds: nothing to fill
        QVERIFY(!fill->isEnabled());
        QTest::mouseClick(dialog.Control(kUniformScale), Qt::LeftButton);
        QVERIFY(fill->isEnabled());
        const ConversionOptions options = dialog.ReadOptions();
        QVERIFY(options.fill && options.script);
        QCOMPARE(options.vertexMode, VertexMode::UniformScale);
        QVERIFY(!options.size);

        // Ticking the script ticks Fill the cube, which stays the user's to untick; the size field
        // is the word size=.
        QTest::mouseClick(script, Qt::LeftButton);
        fill->setChecked(false);
        QTest::mouseClick(script, Qt::LeftButton);
        QVERIFY(fill->isChecked() && script->isChecked());
        QTest::mouseClick(fill, Qt::LeftButton);
        QVERIFY(!fill->isChecked() && script->isChecked());
        QTest::keyClicks(dialog.Control(kSize), " 78 ");
        QCOMPARE(dialog.ReadOptions().size.value_or(""), std::string("78"));
        QTest::mouseClick(script, Qt::LeftButton); // off
        QTest::mouseClick(dialog.Control(kPackage), Qt::LeftButton);
        QVERIFY(script->isChecked() && dialog.ReadOptions().package && dialog.ReadOptions().script);
        QTest::mouseClick(dialog.Control(kMaterials), Qt::LeftButton);
        QTest::mouseClick(dialog.Control(kDeusEx), Qt::LeftButton);
        QVERIFY(dialog.ReadOptions().materials);
        QCOMPARE(dialog.ReadOptions().vertexFormat, VertexFormat::DeusEx);
    }

    void autoRunsOnceAfterFirstPaint()
    {
        CConverterDlg dialog;
        dialog.SetPresets(inputPath.toStdString(), dir.filePath("auto.3d").toStdString(), {"clip"});
        Show(dialog);
        QCOMPARE(Field(dialog, kOutputPath)->text(), dir.filePath("auto.3d"));
        QTRY_COMPARE(Caption(GoButton(dialog)), QString("Close"));
        QVERIFY(QFile::exists(dir.filePath("auto_a.3d")));
        QVERIFY(!StatusLines(dialog).contains("Checking model scale..."));
        // A second automatic request would find the run finished and close the window.
        dialog.repaint();
        dialog.update();
        QTest::qWait(50);
        QVERIFY(dialog.isVisible());
        QCOMPARE(StatusLines(dialog).count("Done."), 1);
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
        QTest::keyClicks(Field(dialog, kOutputPath), dir.filePath("typed.3d"));
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
        QTest::mouseClick(dialog.Control(kBrowseInput), Qt::LeftButton);
        QCOMPARE(Field(dialog, kInputPath)->text(), QString());
        QCOMPARE(Field(dialog, kOutputPath)->text(), QString("typed.3d"));
        QTest::mouseClick(dialog.Control(kBrowseOutput), Qt::LeftButton);
        QCOMPARE(Field(dialog, kOutputPath)->text(), QString());
    }

    void browseDialogsShowBothCasesAndNeverAskToReplace()
    {
        CConverterDlg dialog;
        QStringList filters;
        QList<QFileDialog::AcceptMode> modes;
        QStringList suffixes;
        QList<bool> confirms;
        QList<QWidget*> parents;
        QList<QFileDialog::FileMode> fileModes;
        dialog.SetFileDialogRunner([&](QFileDialog& files) {
            filters.append(files.nameFilters());
            fileModes.append(files.fileMode());
            modes.append(files.acceptMode());
            suffixes.append(files.defaultSuffix());
            confirms.append(!files.testOption(QFileDialog::DontConfirmOverwrite));
            parents.append(files.parentWidget());
            return files.acceptMode() == QFileDialog::AcceptOpen ? QString("/models/ship.3DS")
                                                                  : QString("/out/ship.3d");
        });
        Show(dialog);
        QTest::mouseClick(dialog.Control(kBrowseInput), Qt::LeftButton);
        QTest::mouseClick(dialog.Control(kBrowseOutput), Qt::LeftButton);
        QCOMPARE(filters, QStringList({"3D Studio MAX (*.3DS *.3ds)", "All files (*)", "Unreal 3D Format (*.3D *.3d)"}));
        QCOMPARE(fileModes.at(0), QFileDialog::ExistingFile); // Open takes no file that is not there
        QCOMPARE(modes, QList<QFileDialog::AcceptMode>({QFileDialog::AcceptOpen, QFileDialog::AcceptSave}));
        QCOMPARE(suffixes, QStringList({"3DS", "3D"}));
        QCOMPARE(confirms.at(1), false);
        QCOMPARE(parents, QList<QWidget*>({&dialog, &dialog}));
        QCOMPARE(Field(dialog, kInputPath)->text(), QString("/models/ship.3DS"));
        QCOMPARE(Field(dialog, kOutputPath)->text(), QString("/out/ship.3d"));
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
        QVERIFY(WithModalDialog([&] { QTest::mouseClick(dialog.Control(kHelp), Qt::LeftButton); }, look));
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
        auto* status = static_cast<QPlainTextEdit*>(dialog.Control(kStatus));
        QVERIFY(status->verticalScrollBar()->maximum() > 0);
        QCOMPARE(status->verticalScrollBar()->value(), status->verticalScrollBar()->maximum());
        QCOMPARE(status->horizontalScrollBar()->maximum(), 0); // the long line wraps
        QStringList lines;
        for (int i = 1; i <= 40; ++i)
            lines.append("line " + QString::number(i));
        lines.append(QString::fromStdString(last).chopped(2));
        QCOMPARE(StatusLines(dialog), lines);
        QVERIFY(status->isReadOnly());
    }

    void progressLinePaintsAtOnce()
    {
        // The load that reports progress keeps the thread busy: no event loop runs until it ends.
        CConverterDlg dialog;
        Show(dialog);
        dialog.GrowWindow(kWindowGrowth);
        QTest::qWait(20);
        auto* status = static_cast<QPlainTextEdit*>(dialog.Control(kStatus));
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
                QWidget* go = dialog->Control(kGo);
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
        static_cast<QPlainTextEdit*>(dialog.Control(kStatus))->viewport()->installEventFilter(&user);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QTest::qWait(50);
        QVERIFY(user.acted);
        QVERIFY(dialog.isVisible());
        QCOMPARE(Caption(GoButton(dialog)), QString("Close"));
        QVERIFY(StatusText(dialog).endsWith("Done.\n"));
    }

    void browseTakesTheFileThereWhateverTheCaseOfItsExtension()
    {
        QVERIFY(WriteFile(dir.filePath("lower.3ds"), TwoObjectScene()));
        CConverterDlg dialog;
        // The file dialog added ".3DS" to a name typed without an extension.
        dialog.SetFileDialogRunner([&](QFileDialog&) { return dir.filePath("lower.3DS"); });
        Show(dialog);
        QTest::mouseClick(dialog.Control(kBrowseInput), Qt::LeftButton);
        QCOMPARE(Field(dialog, kInputPath)->text(), dir.filePath("lower.3ds"));
        dialog.SetFileDialogRunner([&](QFileDialog&) { return dir.filePath("none.3DS"); });
        QTest::mouseClick(dialog.Control(kBrowseInput), Qt::LeftButton);
        QCOMPARE(Field(dialog, kInputPath)->text(), dir.filePath("none.3DS")); // nothing there to take
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
        QTRY_COMPARE(Caption(GoButton(dialog)), QString("Close"));
        QVERIFY(std::filesystem::exists(folder + "/sc\xe9ne_a.3d"));

        // Chosen in the file dialog, the name comes back as text that lost the byte.
        CConverterDlg browsing;
        browsing.SetFileDialogRunner([&](QFileDialog&) { return QFile::decodeName(QByteArray::fromStdString(input)); });
        Show(browsing);
        QTest::mouseClick(browsing.Control(kBrowseInput), Qt::LeftButton);
        QCOMPARE(browsing.ReadOptions().inputPath, input);
    }

    void radioGroupsTakeTheArrowKeys()
    {
        CConverterDlg dialog;
        Show(dialog);
        QApplication::setActiveWindow(&dialog);
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        dialog.Control(kUniformScale)->setFocus();
        QTest::keyClick(dialog.Control(kUniformScale), Qt::Key_Down);
        QCOMPARE(CheckedIds(dialog), QList<int>({kByKeyFrame, kXyzScale}));
        QCOMPARE(QApplication::focusWidget(), dialog.Control(kXyzScale));
        QTest::keyClick(dialog.Control(kXyzScale), Qt::Key_Down);
        QCOMPARE(CheckedIds(dialog), QList<int>({kClipBounds, kByKeyFrame}));
        QVERIFY(!dialog.Control(kFill)->isEnabled()); // Clip Bounds: nothing to fill
        QTest::keyClick(dialog.Control(kClipBounds), Qt::Key_Down); // round to the first again
        QCOMPARE(CheckedIds(dialog), QList<int>({kUniformScale, kByKeyFrame}));
        dialog.Control(kByKeyFrame)->setFocus();
        QTest::keyClick(dialog.Control(kByKeyFrame), Qt::Key_Up);
        QCOMPARE(CheckedIds(dialog), QList<int>({kUniformScale, kByObjectName}));
    }

    void previewShowsTheFilesOfACompletedRun()
    {
        CConverterDlg dialog;
        Show(dialog);
        QVERIFY(!dialog.Control(kPreview)->isEnabled());
        TypePaths(dialog, inputPath, dir.filePath("seen.3d"));
        QTest::mouseClick(dialog.Control(kByObjectName), Qt::LeftButton);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QVERIFY(dialog.Control(kPreview)->isEnabled());
        QString frames;
        QVERIFY(WithModalDialog([&] { QTest::mouseClick(dialog.Control(kPreview), Qt::LeftButton); },
                                [&](QDialog& viewer) { frames = viewer.findChild<QLabel*>("frameNumber")->text(); }));
        QCOMPARE(frames, QString("Frame 0 (1 of 2)"));
    }

    void goWritesTheSameBytesAsCli()
    {
        CConverterDlg dialog;
        Show(dialog);
        TypePaths(dialog, inputPath, dir.filePath("window.3d"));
        QTest::mouseClick(dialog.Control(kXyzScale), Qt::LeftButton);
        QTest::mouseClick(dialog.Control(kByObjectName), Qt::LeftButton);
        QTest::mouseClick(GoButton(dialog), Qt::LeftButton);
        QCOMPARE(Caption(GoButton(dialog)), QString("Close"));

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
