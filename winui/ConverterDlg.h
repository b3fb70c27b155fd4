// The main window on Windows: dialog template 102 with its controls by id, the conversion's host
// on those controls. The run state lives as long as the dialog object.
#pragma once

#include "convert/ConversionHost.h"
#include "winui/resource.h"

#include <windows.h>

#include <array>
#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

class CConverterDlg : public ConversionHost {
public:
    // Every control of template 102 with an id.
    static constexpr std::array<int, 21> kControlIds = {
        IDC_INPUT_PATH, IDC_OUTPUT_PATH, IDC_BROWSE_INPUT, IDC_BROWSE_OUTPUT, IDC_UNIFORM_SCALE, IDC_CLIP_BOUNDS,
        IDC_APPEND,     IDC_BY_OBJECT_NAME, IDC_BY_KEY_FRAME, IDC_STATUS,     IDC_HELP_BUTTON,          IDC_GO,
        IDC_XYZ_SCALE,  IDC_FILL,        IDC_SCRIPT,       IDC_PREVIEW,       IDC_EXACT,         IDC_SIZE_FIELD,
        IDC_PACKAGE,    IDC_MATERIALS,   IDC_DEUS_EX};
    // The About item's command id; ids 16 to 31 all count as it.
    static constexpr int kAboutCommand = 16;
    // Posted by the first paint when the command line named an output: the run starts once the
    // paint has ended.
    static constexpr UINT kAutoRunMessage = WM_APP + 1;

    // Runs an open (save false) or save dialog that is fully set up and returns the full path
    // chosen, or an empty text when the user cancelled. Replaceable so that a test can answer in
    // place of the user.
    using FileDialogRunner = std::function<std::wstring(OPENFILENAMEW&, bool save)>;

    CConverterDlg();
    ~CConverterDlg() override;
    CConverterDlg(const CConverterDlg&) = delete;
    CConverterDlg& operator=(const CConverterDlg&) = delete;

    // The command line: input path, output path (UTF-8) and option words. Called once, before
    // the window is created; an output path starts a run after the first paint.
    void SetPresets(const std::string& inputPath, const std::string& outputPath, const std::vector<std::string>& words);

    // Runs the dialog modally, with no parent, until it closes.
    void DoModal();
    // The dialog as a modeless window, for tests that drive it by messages; it is destroyed when
    // it closes.
    HWND Create();
    HWND Window() const { return window_; }
    HWND Control(int id) const;
    void SetFileDialogRunner(FileDialogRunner runner);
    // Hidden below the Go and Help buttons until the first Go request: the Status group, in pixels.
    int CollapsedHeight() const { return collapsedHeight_; }
    const RunState& State() const { return runState_; }

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

private:
    static INT_PTR CALLBACK DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK KeyFilter(int code, WPARAM wParam, LPARAM lParam);
    static LRESULT CALLBACK GoButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR);
    INT_PTR Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnInitDialog();
    void OnCommand(int id);
    void OnSysCommand(int id);
    void ApplyOptionWord(const std::string& word);
    void OnGo();
    void OnPreview();
    void OnHelpButton();
    void OnBrowse(bool output);
    void OnVertexMode(int clicked);
    void OnFrameMode(int clicked);
    // Takes the input that came while a run held the window; notes a request to close.
    void DropInput();
    void ShowText(const std::string& text);
    bool Checked(int id) const;
    void Check(int id, bool checked);
    std::string Text(int id) const;
    void SetText(int id, const std::string& text);

    HWND window_ = nullptr;
    bool modal_ = false;
    HHOOK keyFilter_ = nullptr; // F1 on any control of the window
    HICON icon_ = nullptr;
    HICON smallIcon_ = nullptr;
    std::string inputPreset_;
    std::string outputPreset_;
    std::vector<std::string> wordPresets_;
    std::vector<std::string> unknownWords_; // of the presets, for the first run's notes
    RunState runState_;
    bool running_ = false;
    bool closeAfterRun_ = false; // Escape or the close box came while the run waited for another
    // When the press that is to become a click on Go began; none while no press is pending.
    std::optional<std::chrono::steady_clock::time_point> goPressedAt_;
    bool autoRunPending_ = true;
    int collapsedHeight_ = 0;
    FileDialogRunner fileDialogRunner_;
};
