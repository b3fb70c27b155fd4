// The main window: input and output paths, the conversion choices, Go and the status box.
// It keeps the run state for its whole life and is the conversion's host on its real controls.
#pragma once

#include "convert/ConversionHost.h"

#include <QDialog>
#include <QString>
#include <QStringList>

#include <array>
#include <chrono>
#include <optional>
#include <vector>
#include <functional>
#include <string>

class QCheckBox;
class QFileDialog;
class QGroupBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class CSelectingRadioButton;

class CConverterDlg : public QDialog, public ConversionHost {
    Q_OBJECT

public:
    // Control ids of the window; Control(id) returns the widget.
    enum ControlId {
        kInputPath = 1000,
        kOutputPath = 1001,
        kBrowseInput = 1002,
        kBrowseOutput = 1003,
        kUniformScale = 1004,
        kClipBounds = 1005,
        kAppend = 1006,
        kByObjectName = 1007,
        kByKeyFrame = 1008,
        kStatus = 1009,
        kHelp = 1010,
        kGo = 1012,
        kXyzScale = 1013,
        kFill = 1014,
        kScript = 1015,
        kPreview = 1016,
        kExact = 1017,
        kSize = 1018,
        kPackage = 1019,
        kMaterials = 1020,
        kDeusEx = 1021,
    };
    // Every control the window has, in id order: Control(id) returns null for any other id.
    static constexpr std::array<ControlId, 21> kControlIds = {
        kInputPath, kOutputPath,   kBrowseInput, kBrowseOutput, kUniformScale, kClipBounds,
        kAppend,    kByObjectName, kByKeyFrame,  kStatus,       kHelp,         kGo,
        kXyzScale,  kFill,         kScript,      kPreview,      kExact,        kSize,
        kPackage,   kMaterials,    kDeusEx};
    // The About item's command id; ids 16 to 31 all count as it.
    static constexpr int kAboutCommand = 16;

    // Runs a file dialog that is fully set up and returns the full path chosen, or an empty text
    // when the user cancelled. Replaceable so that a test can answer in place of the user.
    using FileDialogRunner = std::function<QString(QFileDialog&)>;

    explicit CConverterDlg(QWidget* parent = nullptr);
    ~CConverterDlg() override;

    // The command line: input path, output path (the file system's bytes) and option words.
    // Called once, before the window is first shown; an output path starts a run after the first
    // paint.
    void SetPresets(const std::string& inputPath, const std::string& outputPath, const QStringList& words);

    QWidget* Control(int id) const;
    void SetFileDialogRunner(FileDialogRunner runner);

    // A window-menu command: the About item opens the help box.
    void OnSysCommand(int id);
    // Hidden below the Go and Help buttons until the first Go request: the Status group.
    int CollapsedHeight() const { return collapsedHeight; }

    // ConversionHost, on the real controls.
    ConversionOptions ReadOptions() override;
    void GrowWindow(int pixels) override;
    void SetStatusText(const std::string& text) override;
    void ShowLog(const std::string& log, const std::string& line) override;
    void ShowProgress(const std::string& log, const std::string& line) override;
    bool KeepWaiting() override;
    void DisableControls() override;
    void EnableControls(RetryFocus focus) override;
    void SetGoCaption(const std::string& text) override;
    void EnableGo() override;
    void CloseDialog() override;

    void setVisible(bool visible) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void OnInitDialog();
    void ApplyOptionWord(const QString& word);
    void OnGo();
    void OnPreview();
    void OnHelpButton();
    void OnBrowseInput();
    void OnBrowseOutput();
    void OnUniformScale();
    void OnXyzScale();
    void OnClipBounds();
    void OnByObjectName();
    void OnByKeyFrame();
    void ShowText(const QString& text);
    void SetPath(QLineEdit* edit, std::string& bytes, const std::string& path);
    std::string PathOf(const QLineEdit* edit, const std::string& bytes) const;

    std::string inputPreset;
    std::string outputPreset;
    std::string inputBytes;  // the path each field shows, as the file system has it
    std::string outputBytes;
    QStringList wordPresets;
    std::vector<std::string> unknownWords; // of the presets, for the first run's notes
    RunState runState;
    bool closeAfterRun = false; // Escape or the close box came while the run waited for another
    // When the press that is to become a click on Go began; none while no press is pending.
    std::optional<std::chrono::steady_clock::time_point> goPressedAt;
    bool autoRunPending = true;
    bool initialised = false;
    int collapsedHeight = 0;
    FileDialogRunner fileDialogRunner;

    QLineEdit* inputEdit;
    QLineEdit* outputEdit;
    QPushButton* browseInputButton;
    QPushButton* browseOutputButton;
    QCheckBox* appendBox;
    QPushButton* goButton;
    QPushButton* helpButton;
    QPushButton* previewButton;
    QPlainTextEdit* statusEdit;
    CSelectingRadioButton* uniformScaleButton;
    CSelectingRadioButton* byObjectNameButton;
    CSelectingRadioButton* clipBoundsButton;
    CSelectingRadioButton* byKeyFrameButton;
    QGroupBox* statusGroup;
    CSelectingRadioButton* xyzScaleButton;
    QCheckBox* fillBox;
    QCheckBox* scriptBox;
    QLineEdit* sizeEdit; // N of size=N; empty: the .3DS units
    QCheckBox* exactBox;
    QCheckBox* packageBox;
    QCheckBox* materialsBox;
    QCheckBox* deusExBox;
    std::array<QWidget*, 22> controls{}; // by id - 1000; 1011 is not used
};
