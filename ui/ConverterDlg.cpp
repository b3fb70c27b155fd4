#include "ui/ConverterDlg.h"

#include "convert/Conversion.h"
#include "convert/ConverterCommandLineInfo.h"
#include "platform/StatusLine.h"
#include "ui/DialogUnits.h"
#include "ui/HelpDlg.h"
#include "ui/MeshViewer.h"
#include "ui/NativePath.h"
#include "ui/ProgramIcon.h"
#include "ui/SelectingRadioButton.h"

#include <QApplication>
#include <QCheckBox>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QShortcut>

namespace {

// Swallows the user's input: what arrived while a run held the window.
class CInputSink final : public QObject {
public:
    bool closeAsked = false; // Escape or the close box came, and was dropped
protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        closeAsked = closeAsked || event->type() == QEvent::Close ||
                     (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape);
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
        case QEvent::KeyRelease:
        case QEvent::ShortcutOverride:
        case QEvent::Shortcut:
        case QEvent::Wheel:
        case QEvent::Close:
            return true;
        default:
            return false;
        }
    }
};

// Template 102 in dialog units, with a third group on the right for the editor's options.
constexpr int kTemplateWidth = 461;
constexpr int kTemplateHeight = 199;
constexpr int kStatusGroupTop = 118;

// The log's lines end in kLineEnd; the box shows one break for each.
QString DisplayText(const std::string& text)
{
    return QString::fromStdString(text).replace(QString::fromLatin1(kLineEnd), QStringLiteral("\n"));
}

QString DefaultFileDialogRunner(QFileDialog& dialog)
{
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().constFirst();
}

} // namespace

CConverterDlg::CConverterDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      fileDialogRunner(DefaultFileDialogRunner)
{
    setWindowTitle(tr("Tarnex Model Converter"));
    setFont(TemplateFont());
    const CDialogUnits units = CDialogUnits::FromFont(font());
    setFixedSize(units.Size(kTemplateWidth, kTemplateHeight));
    collapsedHeight = units.Y(kTemplateHeight) - units.Y(kStatusGroupTop);

    const auto place = [&](int id, QWidget* widget, int x, int y, int w, int h) {
        widget->setGeometry(units.Rect(x, y, w, h));
        if (id != 0) {
            widget->setProperty("controlId", id);
            controls[static_cast<std::size_t>(id - 1000)] = widget;
        }
    };

    // Template order, which is also the tab order.
    inputEdit = new QLineEdit(this);
    place(kInputPath, inputEdit, 47, 7, 156, 13);
    browseInputButton = new QPushButton(tr("..."), this);
    place(kBrowseInput, browseInputButton, 203, 7, 15, 13);
    outputEdit = new QLineEdit(this);
    place(kOutputPath, outputEdit, 47, 22, 156, 13);
    browseOutputButton = new QPushButton(tr("..."), this);
    place(kBrowseOutput, browseOutputButton, 203, 22, 15, 13);
    appendBox = new QCheckBox(tr("&Append Frame(s) to output"), this);
    place(kAppend, appendBox, 97, 49, 107, 11);
    goButton = new QPushButton(tr("&Go"), this);
    place(kGo, goButton, 57, 99, 33, 14);
    goButton->setDefault(true);
    helpButton = new QPushButton(tr("&Help"), this);
    place(kHelp, helpButton, 124, 99, 33, 14);
    // The files a completed run wrote, read back and shown as the engine will see them.
    previewButton = new QPushButton(tr("&Preview"), this);
    place(kPreview, previewButton, 182, 99, 36, 14);
    previewButton->setEnabled(false);

    statusEdit = new QPlainTextEdit(this);
    place(kStatus, statusEdit, 13, 131, 199, 57);
    statusEdit->setReadOnly(true);
    statusEdit->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    statusEdit->setFocusPolicy(Qt::NoFocus); // a Tab stop once the first Go shows it
    statusEdit->setTabChangesFocus(true);
    statusEdit->setFrameShape(QFrame::NoFrame);
    statusEdit->setLineWrapMode(QPlainTextEdit::WidgetWidth); // a line that names a long path wraps
    statusEdit->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    statusEdit->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    uniformScaleButton = new CSelectingRadioButton(tr("&Uniform Scale"), this);
    place(kUniformScale, uniformScaleButton, 13, 50, 59, 12);
    byObjectNameButton = new CSelectingRadioButton(tr("Convert by object &name (vxsplit)"), this);
    place(kByObjectName, byObjectNameButton, 97, 63, 122, 10);
    clipBoundsButton = new CSelectingRadioButton(tr("&Clip Bounds"), this);
    place(kClipBounds, clipBoundsButton, 13, 73, 58, 13);
    byKeyFrameButton = new CSelectingRadioButton(tr("Convert by &key Frame"), this);
    place(kByKeyFrame, byKeyFrameButton, 97, 76, 93, 8);

    auto* inputLabel = new QLabel(tr("&Input from:"), this);
    place(0, inputLabel, 7, 7, 40, 8);
    inputLabel->setBuddy(inputEdit);
    auto* outputLabel = new QLabel(tr("&Output to:"), this);
    place(0, outputLabel, 7, 24, 37, 10);
    outputLabel->setBuddy(outputEdit);
    auto* vertexGroup = new QGroupBox(tr("Vertex Conversion"), this);
    place(0, vertexGroup, 7, 38, 74, 53);
    auto* animationGroup = new QGroupBox(tr("Animation"), this);
    place(0, animationGroup, 89, 38, 129, 53);
    statusGroup = new QGroupBox(tr("Status"), this);
    statusGroup->setObjectName(QStringLiteral("statusGroup"));
    place(0, statusGroup, 7, 118, 211, 74);

    xyzScaleButton = new CSelectingRadioButton(tr("&X,Y,Z Scale"), this);
    place(kXyzScale, xyzScaleButton, 13, 63, 58, 10);

    // The editor's options stand apart, to the right of the template's controls.
    auto* editorGroup = new QGroupBox(tr("Unreal Editor"), this);
    place(0, editorGroup, 226, 38, 228, 66);
    fillBox = new QCheckBox(tr("&Fill the cube (finest detail)"), this);
    place(kFill, fillBox, 232, 50, 104, 11);
    scriptBox = new QCheckBox(tr("Write import &script (.uc)"), this);
    place(kScript, scriptBox, 232, 63, 104, 11);
    auto* sizeLabel = new QLabel(tr("Si&ze in Unreal units:"), this);
    place(0, sizeLabel, 232, 77, 68, 8);
    sizeEdit = new QLineEdit(this);
    sizeLabel->setBuddy(sizeEdit);
    place(kSize, sizeEdit, 300, 75, 36, 12);
    sizeEdit->setPlaceholderText(tr("as .3DS"));
    sizeEdit->setToolTip(tr("The model's largest extent in the game (size=N); empty keeps the .3DS units"));
    exactBox = new QCheckBox(tr("&Exact animation"), this);
    place(kExact, exactBox, 232, 90, 104, 11);
    // What goes into the editor's package, in a column of its own.
    packageBox = new QCheckBox(tr("Package fo&lder"), this);
    place(kPackage, packageBox, 346, 50, 104, 11);
    materialsBox = new QCheckBox(tr("Number every texture &map"), this);
    place(kMaterials, materialsBox, 346, 63, 104, 11);
    deusExBox = new QCheckBox(tr("&Deus Ex format"), this);
    place(kDeusEx, deusExBox, 346, 76, 104, 11);

    // The group frames are drawn behind the controls they frame and never take their clicks.
    for (QGroupBox* group : {vertexGroup, animationGroup, statusGroup, editorGroup}) {
        group->setFocusPolicy(Qt::NoFocus);
        group->lower();
    }
    // The radio groups take the focus at their selected button, in the order they stand.
    CSelectingRadioButton::MakeGroup({uniformScaleButton, xyzScaleButton, clipBoundsButton});
    CSelectingRadioButton::MakeGroup({byObjectNameButton, byKeyFrameButton});
    QWidget* const tabOrder[] = {inputEdit,      browseInputButton, outputEdit, browseOutputButton, uniformScaleButton,
                                 xyzScaleButton, clipBoundsButton,  appendBox,  byObjectNameButton, byKeyFrameButton,
                                 fillBox,        scriptBox,         sizeEdit,   exactBox,   packageBox,         materialsBox, deusExBox,
                                 goButton,       helpButton,        previewButton, statusEdit};
    for (std::size_t i = 0; i + 1 < std::size(tabOrder); ++i)
        setTabOrder(tabOrder[i], tabOrder[i + 1]);

    connect(helpButton, &QPushButton::clicked, this, &CConverterDlg::OnHelpButton);
    connect(browseInputButton, &QPushButton::clicked, this, &CConverterDlg::OnBrowseInput);
    connect(browseOutputButton, &QPushButton::clicked, this, &CConverterDlg::OnBrowseOutput);
    connect(goButton, &QPushButton::clicked, this, &CConverterDlg::OnGo);
    goButton->installEventFilter(this); // when a click on Go began
    connect(previewButton, &QPushButton::clicked, this, &CConverterDlg::OnPreview);
    connect(uniformScaleButton, &QRadioButton::clicked, this, &CConverterDlg::OnUniformScale);
    connect(xyzScaleButton, &QRadioButton::clicked, this, &CConverterDlg::OnXyzScale);
    connect(clipBoundsButton, &QRadioButton::clicked, this, &CConverterDlg::OnClipBounds);
    connect(byObjectNameButton, &QRadioButton::clicked, this, &CConverterDlg::OnByObjectName);
    connect(byKeyFrameButton, &QRadioButton::clicked, this, &CConverterDlg::OnByKeyFrame);
    // A script brings the model back to its size, so the finest detail comes at no cost: ticking
    // it ticks Fill the cube too, which the user may untick.
    connect(scriptBox, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked && fillBox->isEnabled())
            fillBox->setChecked(true);
    });
    // A package holds its script: ticking it ticks the script, and with it Fill the cube.
    connect(packageBox, &QCheckBox::clicked, this, [this](bool checked) {
        if (checked && !scriptBox->isChecked())
            scriptBox->click();
    });
    // The desktop's Help key opens the help box as the Help button does.
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this,
            &CConverterDlg::OnHelpButton);
}

CConverterDlg::~CConverterDlg() = default;

void CConverterDlg::SetPresets(const std::string& inputPath, const std::string& outputPath, const QStringList& words)
{
    inputPreset = inputPath;
    outputPreset = outputPath;
    wordPresets = words;
}

QWidget* CConverterDlg::Control(int id) const
{
    if (id < 1000 || id >= 1000 + static_cast<int>(controls.size()))
        return nullptr;
    return controls[static_cast<std::size_t>(id - 1000)];
}

void CConverterDlg::SetFileDialogRunner(FileDialogRunner runner)
{
    fileDialogRunner = std::move(runner);
}

void CConverterDlg::setVisible(bool visible)
{
    if (visible && !initialised) {
        initialised = true;
        OnInitDialog();
    }
    QDialog::setVisible(visible);
}

void CConverterDlg::OnInitDialog()
{
    // Open short: the Status group stays out of sight until the first Go request.
    setFixedSize(width(), height() - collapsedHeight);

    runState = RunState();
    autoRunPending = true;

    uniformScaleButton->setChecked(true);
    byKeyFrameButton->setChecked(true);
    if (!inputPreset.empty())
        SetPath(inputEdit, inputBytes, inputPreset);
    if (!outputPreset.empty())
        SetPath(outputEdit, outputBytes, outputPreset);
    for (const QString& word : wordPresets)
        if (!word.isEmpty())
            ApplyOptionWord(word);

    setWindowIcon(ProgramIcon());
    inputEdit->setFocus();
}

void CConverterDlg::ApplyOptionWord(const QString& word)
{
    const OptionWord parsed = ParseOptionWord(word.toStdString());
    if (parsed == OptionWord::None) {
        const std::string bare = BareOptionWord(word.toStdString());
        if (!bare.empty())
            unknownWords.push_back(bare);
        return;
    }
    ConversionOptions choices = ReadOptions();
    ::ApplyOptionWord(word.toStdString(), choices);
    sizeEdit->setText(choices.size ? QString::fromStdString(*choices.size) : QString());

    appendBox->setChecked(choices.append);
    fillBox->setChecked(choices.fill);
    scriptBox->setChecked(choices.script);
    exactBox->setChecked(choices.exact);
    packageBox->setChecked(choices.package);
    materialsBox->setChecked(choices.materials);
    deusExBox->setChecked(choices.vertexFormat == VertexFormat::DeusEx);
    fillBox->setEnabled(choices.vertexMode != VertexMode::ClipBounds);
    uniformScaleButton->setChecked(choices.vertexMode == VertexMode::UniformScale);
    xyzScaleButton->setChecked(choices.vertexMode == VertexMode::XyzScale);
    clipBoundsButton->setChecked(choices.vertexMode == VertexMode::ClipBounds);
    byObjectNameButton->setChecked(choices.frameMode == FrameMode::ByObjectName);
    byKeyFrameButton->setChecked(choices.frameMode == FrameMode::ByKeyFrame);
}

void CConverterDlg::paintEvent(QPaintEvent* event)
{
    QDialog::paintEvent(event);
    if (!autoRunPending)
        return;
    autoRunPending = false;
    // The run repaints the window as it goes, which a paint handler may not do: it starts as
    // soon as this first paint has ended.
    if (!outputPreset.empty())
        QMetaObject::invokeMethod(this, &CConverterDlg::OnGo, Qt::QueuedConnection);
}

void CConverterDlg::contextMenuEvent(QContextMenuEvent* event)
{
    // Linux windows have no system menu to add to; the window's own context menu offers About.
    QMenu menu(this);
    QAction* about = menu.addAction(tr("&About Tarnex..."));
    about->setData(kAboutCommand);
    if (menu.exec(event->globalPos()) == about)
        OnSysCommand(about->data().toInt());
}

void CConverterDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) == kAboutCommand)
        OnHelpButton();
}

bool CConverterDlg::KeepWaiting()
{
    // The run waits for another: paint, and let Escape or the close box end the run and the window.
    CInputSink sink;
    qApp->installEventFilter(&sink);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&sink);
    closeAfterRun = closeAfterRun || sink.closeAsked;
    return !closeAfterRun;
}

bool CConverterDlg::eventFilter(QObject* watched, QEvent* event)
{
    const QEvent::Type type = event->type();
    if (watched == goButton &&
        (type == QEvent::MouseButtonPress || type == QEvent::MouseButtonDblClick || type == QEvent::KeyPress))
        goPressedAt = std::chrono::steady_clock::now();
    return QDialog::eventFilter(watched, event);
}

void CConverterDlg::OnGo()
{
    const auto now = std::chrono::steady_clock::now();
    const auto pressedAt = goPressedAt.value_or(now); // Enter on the window clicks at once
    goPressedAt.reset();
    if (runState.runFinished &&
        !GoRequestCloses(runState, pressedAt, now, std::chrono::milliseconds(QApplication::doubleClickInterval())))
        return;
    if (RunConversion(*this, runState) == RunOutcome::Completed)
        previewButton->setEnabled(true);
    if (closeAfterRun)
        reject();
    // The run held the window: clicks, keys and the close box that came meanwhile are dropped,
    // or a second click on Go would close the window the moment the run ended.
    CInputSink sink;
    qApp->installEventFilter(&sink);
    QCoreApplication::processEvents();
    qApp->removeEventFilter(&sink);
}

void CConverterDlg::OnPreview()
{
    if (!runState.runFinished)
        return;
    CMeshViewer viewer(this);
    std::string fault;
    if (!viewer.Open(runState.written, fault)) {
        ShowText(DisplayText(runState.statusLog.Text() + fault + kLineEnd));
        return;
    }
    viewer.exec();
}

void CConverterDlg::OnHelpButton()
{
    CHelpDlg box(this);
    box.exec();
}

void CConverterDlg::OnBrowseInput()
{
    QFileDialog dialog(this);
    dialog.setNameFilters({tr("3D Studio MAX (*.3DS *.3ds)"), tr("All files (*)")});
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(QStringLiteral("3DS"));
    SetPath(inputEdit, inputBytes, ExistingChoice(TypedPath(fileDialogRunner(dialog))));
}

void CConverterDlg::OnBrowseOutput()
{
    QFileDialog dialog(this, QString(), QString(), tr("Unreal 3D Format (*.3D *.3d)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(QStringLiteral("3D"));
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    SetPath(outputEdit, outputBytes, ExistingChoice(TypedPath(fileDialogRunner(dialog))));
}

void CConverterDlg::OnUniformScale()
{
    xyzScaleButton->setChecked(false);
    clipBoundsButton->setChecked(false);
    fillBox->setEnabled(true);
}

void CConverterDlg::OnXyzScale()
{
    uniformScaleButton->setChecked(false);
    clipBoundsButton->setChecked(false);
    fillBox->setEnabled(true);
}

// Clipping scales nothing, so there is nothing to fill.
void CConverterDlg::OnClipBounds()
{
    xyzScaleButton->setChecked(false);
    uniformScaleButton->setChecked(false);
    fillBox->setEnabled(false);
}

void CConverterDlg::OnByObjectName()
{
    byKeyFrameButton->setChecked(false);
}

void CConverterDlg::OnByKeyFrame()
{
    byObjectNameButton->setChecked(false);
}

ConversionOptions CConverterDlg::ReadOptions()
{
    ConversionOptions options;
    options.inputPath = PathOf(inputEdit, inputBytes);
    options.outputPath = PathOf(outputEdit, outputBytes);
    options.vertexMode = uniformScaleButton->isChecked() ? VertexMode::UniformScale
                         : xyzScaleButton->isChecked()   ? VertexMode::XyzScale
                                                         : VertexMode::ClipBounds;
    options.frameMode = byObjectNameButton->isChecked() ? FrameMode::ByObjectName : FrameMode::ByKeyFrame;
    options.append = appendBox->isChecked();
    options.fill = fillBox->isChecked();
    options.script = scriptBox->isChecked();
    const QString size = sizeEdit->text().trimmed();
    if (!size.isEmpty())
        options.size = size.toStdString();
    options.unknownWords = unknownWords;
    options.exact = exactBox->isChecked();
    options.package = packageBox->isChecked();
    options.materials = materialsBox->isChecked();
    options.vertexFormat = deusExBox->isChecked() ? VertexFormat::DeusEx : VertexFormat::Standard;
    return options;
}

void CConverterDlg::GrowWindow(int pixels)
{
    // The run asks in the pixels of a window whose hidden part is kWindowGrowth high; here the
    // hidden part is the Status group, whatever the font makes of it.
    const int grow = static_cast<int>((static_cast<long long>(pixels) * collapsedHeight + kWindowGrowth / 2) /
                                      kWindowGrowth);
    setFixedSize(width(), height() + grow);
    statusEdit->setFocusPolicy(Qt::StrongFocus); // in sight now: a Tab stop
    repaint();
}

void CConverterDlg::ShowText(const QString& text)
{
    // The newest line is the one to read: the box shows the end of the log.
    statusEdit->setPlainText(text);
    statusEdit->moveCursor(QTextCursor::End);
    statusEdit->verticalScrollBar()->setValue(statusEdit->verticalScrollBar()->maximum());
}

void CConverterDlg::SetPath(QLineEdit* edit, std::string& bytes, const std::string& path)
{
    bytes = path;
    edit->setText(DisplayPath(path));
}

std::string CConverterDlg::PathOf(const QLineEdit* edit, const std::string& bytes) const
{
    // A path the user left as it was shown keeps its bytes, valid UTF-8 or not.
    return edit->text() == DisplayPath(bytes) ? bytes : TypedPath(edit->text());
}

void CConverterDlg::SetStatusText(const std::string& text)
{
    ShowText(DisplayText(text));
}

void CConverterDlg::ShowLog(const std::string& log, const std::string&)
{
    ShowText(DisplayText(log));
    // A stage such as measuring or writing can take a while: its line shows before it starts.
    statusEdit->repaint();
}

void CConverterDlg::ShowProgress(const std::string& log, const std::string& line)
{
    ShowText(DisplayText(log + line));
    // The load keeps the one thread busy: paint now, or the line would never be seen.
    statusEdit->repaint();
    repaint();
}

void CConverterDlg::DisableControls()
{
    for (int id : {kInputPath, kOutputPath, kBrowseInput, kBrowseOutput, kGo, kUniformScale, kClipBounds, kByObjectName,
                   kByKeyFrame, kXyzScale, kAppend, kFill, kScript, kSize, kExact, kPackage, kMaterials, kDeusEx, kPreview})
        Control(id)->setEnabled(false);
}

void CConverterDlg::EnableControls(RetryFocus focus)
{
    for (int id : {kInputPath, kOutputPath, kBrowseInput, kBrowseOutput, kGo, kUniformScale, kClipBounds,
                   kByObjectName, kByKeyFrame, kXyzScale, kAppend, kScript, kSize, kExact, kPackage, kMaterials, kDeusEx})
        Control(id)->setEnabled(true);
    fillBox->setEnabled(!clipBoundsButton->isChecked()); // clipping scales nothing to fill
    SetGoCaption("Go");
    QWidget* const target = [&]() -> QWidget* {
        switch (focus) {
        case RetryFocus::InputPath: return inputEdit;
        case RetryFocus::OutputPath: return outputEdit;
        case RetryFocus::FrameMode: return byObjectNameButton->isChecked() ? byObjectNameButton : byKeyFrameButton;
        case RetryFocus::Append: return appendBox;
        case RetryFocus::Script: return scriptBox;
        }
        return inputEdit;
    }();
    target->setFocus();
}

void CConverterDlg::SetGoCaption(const std::string& text)
{
    // The run's captions with their Alt shortcut: Alt+G for Go, Alt+C for Close.
    goButton->setText(QLatin1Char('&') + QString::fromStdString(text));
}

void CConverterDlg::EnableGo()
{
    goButton->setEnabled(true);
    // The run disabled the control that had the focus; Enter now means Close.
    goButton->setFocus();
}

void CConverterDlg::CloseDialog()
{
    reject();
}
