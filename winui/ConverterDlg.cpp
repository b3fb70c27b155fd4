#include "winui/ConverterDlg.h"

#include "convert/Conversion.h"
#include "convert/ConverterCommandLineInfo.h"
#include "platform/StatusLine.h"
#include "platform/Win32Handles.h"
#include "winui/HelpDlg.h"
#include "winui/MeshViewer.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

namespace {

// Template 102's height, and where its Status group begins, in dialog units.
constexpr int kTemplateHeight = 199;
constexpr int kStatusGroupTop = 118;

// The controls a run disables; a failed run enables them again, Fill the cube as the vertex
// mode allows.
constexpr int kRunControls[] = {IDC_INPUT_PATH,   IDC_OUTPUT_PATH, IDC_BROWSE_INPUT, IDC_BROWSE_OUTPUT, IDC_GO,
                                IDC_UNIFORM_SCALE, IDC_CLIP_BOUNDS, IDC_BY_OBJECT_NAME, IDC_BY_KEY_FRAME, IDC_XYZ_SCALE,
                                IDC_APPEND,       IDC_FILL,        IDC_SCRIPT,       IDC_SIZE_FIELD,          IDC_EXACT,
                                IDC_PACKAGE,      IDC_MATERIALS,   IDC_DEUS_EX};

std::wstring DefaultFileDialogRunner(OPENFILENAMEW& dialog, bool save)
{
    const BOOL chosen = save ? ::GetSaveFileNameW(&dialog) : ::GetOpenFileNameW(&dialog);
    return chosen ? std::wstring(dialog.lpstrFile) : std::wstring();
}

// The dialog whose keys the filter sees: the one that initialised last and is still there.
CConverterDlg* keyFilterDialog = nullptr;

bool IsInput(UINT message)
{
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) || (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

// Escape, Alt+F4 or a press on the close box.
bool AsksToClose(const MSG& message)
{
    return (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) ||
           (message.message == WM_SYSKEYDOWN && message.wParam == VK_F4) ||
           (message.message == WM_NCLBUTTONDOWN && message.wParam == HTCLOSE);
}

} // namespace

CConverterDlg::CConverterDlg() : fileDialogRunner_(DefaultFileDialogRunner)
{
    const HINSTANCE instance = ::GetModuleHandleW(nullptr);
    icon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                            ::GetSystemMetrics(SM_CXICON), ::GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ = static_cast<HICON>(::LoadImageW(instance, MAKEINTRESOURCEW(IDI_PROGRAM), IMAGE_ICON,
                                                 ::GetSystemMetrics(SM_CXSMICON), ::GetSystemMetrics(SM_CYSMICON), 0));
}

CConverterDlg::~CConverterDlg()
{
    if (window_ && !modal_)
        ::DestroyWindow(window_);
    for (HICON icon : {icon_, smallIcon_})
        if (icon)
            ::DestroyIcon(icon);
}

void CConverterDlg::SetPresets(const std::string& inputPath, const std::string& outputPath,
                               const std::vector<std::string>& words)
{
    inputPreset_ = inputPath;
    outputPreset_ = outputPath;
    wordPresets_ = words;
}

void CConverterDlg::DoModal()
{
    modal_ = true;
    ::DialogBoxParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                      reinterpret_cast<LPARAM>(this));
    window_ = nullptr;
}

HWND CConverterDlg::Create()
{
    modal_ = false;
    ::CreateDialogParamW(::GetModuleHandleW(nullptr), MAKEINTRESOURCEW(IDD_MAIN), nullptr, DialogProc,
                         reinterpret_cast<LPARAM>(this));
    return window_;
}

HWND CConverterDlg::Control(int id) const
{
    if (!window_ || std::find(kControlIds.begin(), kControlIds.end(), id) == kControlIds.end())
        return nullptr;
    return ::GetDlgItem(window_, id);
}

void CConverterDlg::SetFileDialogRunner(FileDialogRunner runner)
{
    fileDialogRunner_ = std::move(runner);
}

INT_PTR CALLBACK CConverterDlg::DialogProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        auto* dialog = reinterpret_cast<CConverterDlg*>(lParam);
        ::SetWindowLongPtrW(window, DWLP_USER, lParam);
        dialog->window_ = window;
    }
    auto* dialog = reinterpret_cast<CConverterDlg*>(::GetWindowLongPtrW(window, DWLP_USER));
    if (!dialog)
        return FALSE;
    const INT_PTR result = dialog->Handle(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        dialog->window_ = nullptr;
        ::SetWindowLongPtrW(window, DWLP_USER, 0);
    }
    return result;
}

LRESULT CALLBACK CConverterDlg::KeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    // The dialog's own loop hands each message here first. F1 on any of the window's controls
    // opens the help box, as the Help button does; the system turns only a key that it saw
    // pressed into WM_HELP.
    const MSG* message = reinterpret_cast<const MSG*>(lParam);
    CConverterDlg* dialog = keyFilterDialog;
    if (code == MSGF_DIALOGBOX && dialog && dialog->window_ && !dialog->running_ && message->message == WM_KEYDOWN &&
        message->wParam == VK_F1 && (message->hwnd == dialog->window_ || ::IsChild(dialog->window_, message->hwnd))) {
        dialog->OnHelpButton();
        return TRUE;
    }
    return ::CallNextHookEx(nullptr, code, wParam, lParam);
}

LRESULT CALLBACK CConverterDlg::GoButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                             DWORD_PTR data)
{
    // When a click on Go began: the button reports the click only when it ends.
    if (message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK || (message == WM_KEYDOWN && wParam == VK_SPACE))
        reinterpret_cast<CConverterDlg*>(data)->goPressedAt_ = std::chrono::steady_clock::now();
    return ::DefSubclassProc(button, message, wParam, lParam);
}

INT_PTR CConverterDlg::Handle(UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        OnInitDialog();
        return TRUE; // the focus goes to the first tab stop, the input field
    case WM_PAINT:
        if (autoRunPending_) {
            // The run repaints the window as it goes, which a paint handler may not do: it
            // starts as soon as this first paint has ended.
            autoRunPending_ = false;
            if (!outputPreset_.empty())
                ::PostMessageW(window_, kAutoRunMessage, 0, 0);
        }
        return FALSE; // the dialog's own painting
    case kAutoRunMessage:
        OnGo();
        return TRUE;
    case WM_COMMAND:
        if (HIWORD(wParam) == BN_CLICKED || lParam == 0)
            OnCommand(LOWORD(wParam));
        return TRUE;
    case WM_SYSCOMMAND:
        if ((wParam & 0xFFF0) == kAboutCommand) {
            OnSysCommand(static_cast<int>(wParam & 0xFFFF));
            return TRUE;
        }
        return FALSE; // moving, closing and the rest as usual
    case WM_HELP: // F1 where the key filter did not see it
        OnHelpButton();
        return TRUE;
    case WM_CLOSE:
        OnCommand(IDCANCEL);
        return TRUE;
    case WM_DESTROY:
        ::RemoveWindowSubclass(::GetDlgItem(window_, IDC_GO), GoButtonProc, 0);
        if (keyFilter_)
            ::UnhookWindowsHookEx(keyFilter_);
        keyFilter_ = nullptr;
        if (keyFilterDialog == this)
            keyFilterDialog = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

void CConverterDlg::OnInitDialog()
{
    // Open short: the Status group stays out of sight until the first Go request.
    RECT units{0, kStatusGroupTop, 0, kTemplateHeight};
    ::MapDialogRect(window_, &units);
    collapsedHeight_ = units.bottom - units.top;
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top - collapsedHeight_,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);

    runState_ = RunState();
    autoRunPending_ = true;
    Check(IDC_UNIFORM_SCALE, true);
    Check(IDC_BY_KEY_FRAME, true);
    if (!inputPreset_.empty())
        SetText(IDC_INPUT_PATH, inputPreset_);
    if (!outputPreset_.empty())
        SetText(IDC_OUTPUT_PATH, outputPreset_);
    for (const std::string& word : wordPresets_)
        if (!word.empty())
            ApplyOptionWord(word);

    if (HMENU menu = ::GetSystemMenu(window_, FALSE)) {
        wchar_t about[64] = {};
        if (::LoadStringW(::GetModuleHandleW(nullptr), IDS_ABOUT, about, static_cast<int>(std::size(about))) > 0) {
            ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
            ::AppendMenuW(menu, MF_STRING, kAboutCommand, about);
        }
    }
    ::SendMessageW(window_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    ::SendMessageW(window_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));
    // Empty keeps the .3DS units.
    ::SendMessageW(Control(IDC_SIZE_FIELD), EM_SETCUEBANNER, FALSE, reinterpret_cast<LPARAM>(L"as .3DS"));
    ::SetWindowSubclass(Control(IDC_GO), GoButtonProc, 0, reinterpret_cast<DWORD_PTR>(this));
    keyFilterDialog = this;
    keyFilter_ = ::SetWindowsHookExW(WH_MSGFILTER, KeyFilter, nullptr, ::GetCurrentThreadId());
}

void CConverterDlg::ApplyOptionWord(const std::string& word)
{
    if (ParseOptionWord(word) == OptionWord::None) {
        const std::string bare = BareOptionWord(word);
        if (!bare.empty())
            unknownWords_.push_back(bare);
        return;
    }
    ConversionOptions choices = ReadOptions();
    ::ApplyOptionWord(word, choices);
    SetText(IDC_SIZE_FIELD, choices.size.value_or(std::string()));
    Check(IDC_APPEND, choices.append);
    Check(IDC_FILL, choices.fill);
    Check(IDC_SCRIPT, choices.script);
    Check(IDC_EXACT, choices.exact);
    Check(IDC_PACKAGE, choices.package);
    Check(IDC_MATERIALS, choices.materials);
    Check(IDC_DEUS_EX, choices.vertexFormat == VertexFormat::DeusEx);
    ::EnableWindow(Control(IDC_FILL), choices.vertexMode != VertexMode::ClipBounds);
    Check(IDC_UNIFORM_SCALE, choices.vertexMode == VertexMode::UniformScale);
    Check(IDC_XYZ_SCALE, choices.vertexMode == VertexMode::XyzScale);
    Check(IDC_CLIP_BOUNDS, choices.vertexMode == VertexMode::ClipBounds);
    Check(IDC_BY_OBJECT_NAME, choices.frameMode == FrameMode::ByObjectName);
    Check(IDC_BY_KEY_FRAME, choices.frameMode == FrameMode::ByKeyFrame);
}

void CConverterDlg::OnCommand(int id)
{
    if (running_) {
        // The run holds the window; a close request ends the window when the run has ended.
        closeAfterRun_ = closeAfterRun_ || id == IDCANCEL;
        return;
    }
    switch (id) {
    case IDOK: // Enter where Go is not the default button
    case IDC_GO: OnGo(); break;
    case IDCANCEL: CloseDialog(); break;
    case IDC_HELP_BUTTON: OnHelpButton(); break;
    case IDC_PREVIEW: OnPreview(); break;
    case IDC_BROWSE_INPUT: OnBrowse(false); break;
    case IDC_BROWSE_OUTPUT: OnBrowse(true); break;
    case IDC_UNIFORM_SCALE:
    case IDC_XYZ_SCALE:
    case IDC_CLIP_BOUNDS: OnVertexMode(id); break;
    case IDC_BY_OBJECT_NAME:
    case IDC_BY_KEY_FRAME: OnFrameMode(id); break;
    case IDC_SCRIPT:
        // A script brings the model back to its size, so the finest detail comes at no cost:
        // ticking it ticks Fill the cube too, which the user may untick.
        if (Checked(IDC_SCRIPT) && ::IsWindowEnabled(Control(IDC_FILL)))
            Check(IDC_FILL, true);
        break;
    case IDC_PACKAGE:
        // A package holds its script: ticking it ticks the script, and with it Fill the cube.
        if (Checked(IDC_PACKAGE) && !Checked(IDC_SCRIPT)) {
            Check(IDC_SCRIPT, true);
            OnCommand(IDC_SCRIPT);
        }
        break;
    default: break;
    }
}

void CConverterDlg::OnSysCommand(int id)
{
    if ((id & 0xFFF0) == kAboutCommand)
        OnHelpButton();
}

void CConverterDlg::OnVertexMode(int clicked)
{
    // The clicked button is selected already; its partners are deselected here, and clipping,
    // which scales nothing, leaves nothing to fill.
    for (int id : {IDC_UNIFORM_SCALE, IDC_XYZ_SCALE, IDC_CLIP_BOUNDS})
        if (id != clicked)
            Check(id, false);
    Check(clicked, true);
    ::EnableWindow(Control(IDC_FILL), clicked != IDC_CLIP_BOUNDS);
}

void CConverterDlg::OnFrameMode(int clicked)
{
    Check(clicked == IDC_BY_OBJECT_NAME ? IDC_BY_KEY_FRAME : IDC_BY_OBJECT_NAME, false);
    Check(clicked, true);
}

void CConverterDlg::OnGo()
{
    const auto now = std::chrono::steady_clock::now();
    const auto pressedAt = goPressedAt_.value_or(now); // Enter on the window clicks at once
    goPressedAt_.reset();
    if (runState_.runFinished &&
        !GoRequestCloses(runState_, pressedAt, now, std::chrono::milliseconds(::GetDoubleClickTime())))
        return;
    running_ = true;
    const RunOutcome outcome = RunConversion(*this, runState_);
    running_ = false;
    if (outcome == RunOutcome::Closed)
        return; // the window is gone
    if (outcome == RunOutcome::Completed)
        ::EnableWindow(Control(IDC_PREVIEW), TRUE);
    // The run held the window: clicks, keys and the close box that came meanwhile are dropped,
    // or a second click on Go would close the window the moment the run ended.
    DropInput();
    if (closeAfterRun_)
        CloseDialog();
}

void CConverterDlg::DropInput()
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            ::PostQuitMessage(static_cast<int>(message.wParam));
            closeAfterRun_ = true;
            return;
        }
        if (IsInput(message.message)) {
            closeAfterRun_ = closeAfterRun_ || AsksToClose(message);
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

bool CConverterDlg::KeepWaiting()
{
    // The run waits for another: paint, and let Escape or the close box end the run and the window.
    DropInput();
    return !closeAfterRun_;
}

void CConverterDlg::OnPreview()
{
    if (!runState_.runFinished)
        return;
    CMeshViewer viewer;
    std::string fault;
    if (!viewer.Open(runState_.written, fault)) {
        ShowText(runState_.statusLog.Text() + fault + kLineEnd);
        return;
    }
    viewer.DoModal(window_);
}

void CConverterDlg::OnHelpButton()
{
    CHelpDlg box;
    box.DoModal(window_);
}

void CConverterDlg::OnBrowse(bool output)
{
    wchar_t path[32768] = {};
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = window_;
    dialog.lpstrFile = path;
    dialog.nMaxFile = static_cast<DWORD>(std::size(path));
    dialog.Flags = OFN_HIDEREADONLY | OFN_EXPLORER | OFN_NOCHANGEDIR;
    if (output) {
        dialog.lpstrFilter = L"Unreal 3D Format (*.3D)\0*.3D\0";
        dialog.lpstrDefExt = L"3D";
    } else {
        dialog.lpstrFilter = L"3D Studio MAX (*.3DS)\0*.3DS\0All files (*.*)\0*.*\0";
        dialog.lpstrDefExt = L"3DS";
        dialog.Flags |= OFN_FILEMUSTEXIST;
    }
    // Whatever the user did: a cancelled dialog empties the field.
    const std::wstring chosen = fileDialogRunner_(dialog, output);
    SetText(output ? IDC_OUTPUT_PATH : IDC_INPUT_PATH, win32::Narrow(chosen.c_str()));
}

ConversionOptions CConverterDlg::ReadOptions()
{
    ConversionOptions options;
    options.inputPath = Text(IDC_INPUT_PATH);
    options.outputPath = Text(IDC_OUTPUT_PATH);
    options.vertexMode = Checked(IDC_UNIFORM_SCALE) ? VertexMode::UniformScale
                         : Checked(IDC_XYZ_SCALE)   ? VertexMode::XyzScale
                                                    : VertexMode::ClipBounds;
    options.frameMode = Checked(IDC_BY_OBJECT_NAME) ? FrameMode::ByObjectName : FrameMode::ByKeyFrame;
    options.append = Checked(IDC_APPEND);
    options.fill = Checked(IDC_FILL);
    options.script = Checked(IDC_SCRIPT);
    const std::string size = Trimmed(Text(IDC_SIZE_FIELD));
    if (!size.empty())
        options.size = size;
    options.unknownWords = unknownWords_;
    options.exact = Checked(IDC_EXACT);
    options.package = Checked(IDC_PACKAGE);
    options.materials = Checked(IDC_MATERIALS);
    options.vertexFormat = Checked(IDC_DEUS_EX) ? VertexFormat::DeusEx : VertexFormat::Standard;
    return options;
}

void CConverterDlg::GrowWindow(int pixels)
{
    // The run asks in the pixels of a window whose hidden part is kWindowGrowth high; here the
    // hidden part is the Status group, whatever the font and the screen make of it.
    const int grow = static_cast<int>((static_cast<long long>(pixels) * collapsedHeight_ + kWindowGrowth / 2) /
                                      kWindowGrowth);
    RECT frame{};
    ::GetWindowRect(window_, &frame);
    ::SetWindowPos(window_, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top + grow,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    // In sight now: a Tab stop.
    const HWND status = Control(IDC_STATUS);
    ::SetWindowLongPtrW(status, GWL_STYLE, ::GetWindowLongPtrW(status, GWL_STYLE) | WS_TABSTOP);
    ::RedrawWindow(window_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

void CConverterDlg::ShowText(const std::string& text)
{
    // The newest line is the one to read: the box shows the end of the log.
    const HWND status = Control(IDC_STATUS);
    ::SetWindowTextW(status, win32::Wide(text).c_str());
    const LRESULT length = ::GetWindowTextLengthW(status);
    ::SendMessageW(status, EM_SETSEL, static_cast<WPARAM>(length), length);
    ::SendMessageW(status, EM_SCROLLCARET, 0, 0);
}

void CConverterDlg::SetStatusText(const std::string& text)
{
    ShowText(text);
}

void CConverterDlg::ShowLog(const std::string& log, const std::string&)
{
    ShowText(log);
    // A stage such as measuring or writing can take a while: its line shows before it starts.
    ::UpdateWindow(Control(IDC_STATUS));
}

void CConverterDlg::ShowProgress(const std::string& log, const std::string& line)
{
    ShowText(log + line);
    // The load keeps the one thread busy: paint now, or the line would never be seen.
    ::UpdateWindow(Control(IDC_STATUS));
    ::UpdateWindow(window_);
}

void CConverterDlg::DisableControls()
{
    for (int id : kRunControls)
        ::EnableWindow(Control(id), FALSE);
    ::EnableWindow(Control(IDC_PREVIEW), FALSE);
}

void CConverterDlg::EnableControls(RetryFocus focus)
{
    for (int id : kRunControls)
        ::EnableWindow(Control(id), TRUE);
    ::EnableWindow(Control(IDC_FILL), !Checked(IDC_CLIP_BOUNDS)); // clipping scales nothing to fill
    SetGoCaption("Go");
    const int target = [&] {
        switch (focus) {
        case RetryFocus::InputPath: return IDC_INPUT_PATH;
        case RetryFocus::OutputPath: return IDC_OUTPUT_PATH;
        case RetryFocus::FrameMode: return Checked(IDC_BY_OBJECT_NAME) ? IDC_BY_OBJECT_NAME : IDC_BY_KEY_FRAME;
        case RetryFocus::Append: return IDC_APPEND;
        case RetryFocus::Script: return IDC_SCRIPT;
        }
        return IDC_INPUT_PATH;
    }();
    ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(target)), TRUE);
}

void CConverterDlg::SetGoCaption(const std::string& text)
{
    // The run's captions with their Alt shortcut: Alt+G for Go, Alt+C for Close.
    SetText(IDC_GO, "&" + text);
}

void CConverterDlg::EnableGo()
{
    ::EnableWindow(Control(IDC_GO), TRUE);
    // The run disabled the control that had the focus; Enter now means Close.
    ::SendMessageW(window_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Control(IDC_GO)), TRUE);
}

void CConverterDlg::CloseDialog()
{
    if (modal_)
        ::EndDialog(window_, IDCANCEL);
    else
        ::DestroyWindow(window_);
}

bool CConverterDlg::Checked(int id) const
{
    return ::SendMessageW(Control(id), BM_GETCHECK, 0, 0) == BST_CHECKED;
}

void CConverterDlg::Check(int id, bool checked)
{
    ::SendMessageW(Control(id), BM_SETCHECK, checked ? BST_CHECKED : BST_UNCHECKED, 0);
}

std::string CConverterDlg::Text(int id) const
{
    const HWND control = Control(id);
    std::wstring text(static_cast<std::size_t>(::GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(::GetWindowTextW(control, text.data(), static_cast<int>(text.size()))));
    return win32::Narrow(text.c_str());
}

void CConverterDlg::SetText(int id, const std::string& text)
{
    ::SetWindowTextW(Control(id), win32::Wide(text).c_str());
}
