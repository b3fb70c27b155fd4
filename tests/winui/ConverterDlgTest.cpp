// The main dialog of tarnex.exe, driven by messages to its controls as the user's clicks and keys
// reach them.
#include "convert/HelpText.h"
#include "platform/FileLayer.h"
#include "platform/Win32Handles.h"
#include "tests/support/Files.h"
#include "tests/support/SceneGenerator.h"
#include "tests/winui/WindowTestSupport.h"
#include "winui/ConverterDlg.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <thread>

namespace {

std::unique_ptr<CConverterDlg> Open(const std::string& input = {}, const std::string& output = {},
                                    const std::vector<std::string>& words = {})
{
    auto dialog = std::make_unique<CConverterDlg>();
    dialog->SetPresets(input, output, words);
    dialog->Create();
    ::ShowWindow(dialog->Window(), SW_SHOW);
    ::UpdateWindow(dialog->Window());
    Pump(dialog->Window(), std::chrono::milliseconds(50));
    return dialog;
}

std::string WriteScene(const ScopedTempDir& dir, const std::string& name)
{
    scenegen::SceneShape shape;
    shape.objectCount = 3;
    shape.verticesPerObject = 40;
    shape.frames = 20;
    WriteFileBytes(dir.File(name), scenegen::GenerateScene(shape));
    return dir.File(name);
}

bool EndsWith(const std::string& text, const std::string& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

} // namespace

TEST(ConverterDlg, OpensShortWithTheTemplatesControlsAndDefaults)
{
    const auto dialog = Open();
    const HWND window = dialog->Window();
    ASSERT_NE(window, nullptr);
    for (int id : CConverterDlg::kControlIds)
        EXPECT_NE(dialog->Control(id), nullptr) << id;
    EXPECT_EQ(dialog->Control(1011), nullptr);
    // Where the template puts them, in dialog units.
    const RECT go = ClientRectOf(dialog->Control(IDC_GO)), goUnits = DialogUnits(window, 57, 99, 33, 14);
    EXPECT_EQ(go.left, goUnits.left);
    EXPECT_EQ(go.bottom, goUnits.bottom);
    const RECT deusEx = ClientRectOf(dialog->Control(IDC_DEUS_EX)), deusExUnits = DialogUnits(window, 346, 76, 104, 11);
    EXPECT_EQ(deusEx.left, deusExUnits.left);
    EXPECT_EQ(deusEx.top, deusExUnits.top);
    // The Status group (118 units down to the end) is out of sight.
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.bottom, DialogUnits(window, 0, 0, 0, 199).bottom - dialog->CollapsedHeight());
    EXPECT_EQ(dialog->CollapsedHeight(), DialogUnits(window, 0, 118, 0, 81).bottom - DialogUnits(window, 0, 118, 0, 0).bottom);

    EXPECT_TRUE(IsChecked(dialog->Control(IDC_UNIFORM_SCALE)));
    EXPECT_TRUE(IsChecked(dialog->Control(IDC_BY_KEY_FRAME)));
    for (int id : {IDC_XYZ_SCALE, IDC_CLIP_BOUNDS, IDC_BY_OBJECT_NAME, IDC_APPEND, IDC_FILL, IDC_SCRIPT, IDC_PACKAGE})
        EXPECT_FALSE(IsChecked(dialog->Control(id))) << id;
    EXPECT_EQ(WindowText(dialog->Control(IDC_GO)), "&Go");
    EXPECT_FALSE(::IsWindowEnabled(dialog->Control(IDC_PREVIEW)));
    EXPECT_EQ(::GetFocus(), dialog->Control(IDC_INPUT_PATH));
    // The About item closes the window's system menu.
    const HMENU menu = ::GetSystemMenu(window, FALSE);
    const int items = ::GetMenuItemCount(menu);
    ASSERT_GT(items, 0);
    EXPECT_EQ(::GetMenuItemID(menu, items - 1), static_cast<UINT>(CConverterDlg::kAboutCommand));
}

TEST(ConverterDlg, ChoicesFollowClicksAndOptionWords)
{
    {
        const auto dialog = Open("in.3ds", "", {"CLIP", " byname ", "bogus", "append"});
        EXPECT_TRUE(IsChecked(dialog->Control(IDC_CLIP_BOUNDS)));
        EXPECT_FALSE(IsChecked(dialog->Control(IDC_UNIFORM_SCALE)));
        EXPECT_TRUE(IsChecked(dialog->Control(IDC_BY_OBJECT_NAME)));
        EXPECT_FALSE(IsChecked(dialog->Control(IDC_BY_KEY_FRAME)));
        EXPECT_TRUE(IsChecked(dialog->Control(IDC_APPEND)));
        EXPECT_FALSE(::IsWindowEnabled(dialog->Control(IDC_FILL))) << "clipping scales nothing to fill";
        EXPECT_EQ(dialog->ReadOptions().unknownWords, std::vector<std::string>{"bogus"});
        EXPECT_EQ(WindowText(dialog->Control(IDC_INPUT_PATH)), "in.3ds");
    }
    const auto dialog = Open();
    Click(dialog->Control(IDC_XYZ_SCALE));
    Click(dialog->Control(IDC_XYZ_SCALE));
    EXPECT_EQ(dialog->ReadOptions().vertexMode, VertexMode::XyzScale);
    EXPECT_FALSE(IsChecked(dialog->Control(IDC_UNIFORM_SCALE)));
    Click(dialog->Control(IDC_CLIP_BOUNDS));
    EXPECT_FALSE(IsChecked(dialog->Control(IDC_XYZ_SCALE)));
    EXPECT_FALSE(::IsWindowEnabled(dialog->Control(IDC_FILL)));
    Click(dialog->Control(IDC_UNIFORM_SCALE));
    EXPECT_TRUE(::IsWindowEnabled(dialog->Control(IDC_FILL)));
    Click(dialog->Control(IDC_BY_OBJECT_NAME));
    EXPECT_EQ(dialog->ReadOptions().frameMode, FrameMode::ByObjectName);
    // A package holds its script, and a script fills the cube.
    Click(dialog->Control(IDC_PACKAGE));
    EXPECT_TRUE(IsChecked(dialog->Control(IDC_SCRIPT)));
    EXPECT_TRUE(IsChecked(dialog->Control(IDC_FILL)));
    ::SetWindowTextW(dialog->Control(IDC_SIZE_FIELD), L" 78 ");
    EXPECT_EQ(dialog->ReadOptions().size, std::optional<std::string>("78"));
}

TEST(ConverterDlg, CommandLineRunStartsAfterTheFirstPaintAndGoThenCloses)
{
    // A folder whose name is not ASCII: the fields hold UTF-16, the core UTF-8.
    ScopedTempDir dir;
    const std::string folder = dir.File("Modell \xC3\xA4\xC3\x9F");
    std::filesystem::create_directory(std::filesystem::u8path(folder));
    scenegen::SceneShape shape;
    shape.objectCount = 3;
    shape.verticesPerObject = 40;
    shape.frames = 20;
    {
        const std::wstring scene = win32::Wide(folder + "/ship.3ds");
        const auto bytes = scenegen::GenerateScene(shape);
        HANDLE file = ::CreateFileW(scene.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        ::CloseHandle(file);
    }
    const auto dialog = Open(folder + "/ship.3ds", folder + "/ship.3d");
    const HWND window = dialog->Window();
    ASSERT_TRUE(PumpUntil([&] { return dialog->State().runFinished; }, window));
    EXPECT_TRUE(EndsWith(WindowText(dialog->Control(IDC_STATUS)), "Done.\r\n")) << WindowText(dialog->Control(IDC_STATUS));
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_EQ(client.bottom, DialogUnits(window, 0, 0, 0, 199).bottom) << "the whole template in sight";
    EXPECT_EQ(WindowText(dialog->Control(IDC_GO)), "&Close");
    EXPECT_TRUE(::IsWindowEnabled(dialog->Control(IDC_PREVIEW)));
    EXPECT_NE(::GetFileAttributesW(win32::Wide(folder + "/ship_a.3d").c_str()), INVALID_FILE_ATTRIBUTES);

    // A click within a double-click's time of the end belongs to the run; a later one closes.
    Click(dialog->Control(IDC_GO));
    EXPECT_TRUE(::IsWindow(window));
    std::this_thread::sleep_for(std::chrono::milliseconds(::GetDoubleClickTime() + 100));
    Click(dialog->Control(IDC_GO));
    EXPECT_FALSE(::IsWindow(window));
}

TEST(ConverterDlg, AFailedRunLeavesTheWindowReadyForAnotherTry)
{
    ScopedTempDir dir;
    WriteFileBytes(dir.File("broken.3ds"), std::vector<std::uint8_t>(64, 0x4D));
    const auto dialog = Open(dir.File("broken.3ds"));
    ::SetWindowTextW(dialog->Control(IDC_OUTPUT_PATH), win32::Wide(dir.File("out.3d")).c_str());
    // Enter in a path field is a Go request.
    ::SetFocus(dialog->Control(IDC_OUTPUT_PATH));
    ::PostMessageW(dialog->Control(IDC_OUTPUT_PATH), WM_KEYDOWN, VK_RETURN, 0);
    ASSERT_TRUE(PumpUntil([&] { return WindowText(dialog->Control(IDC_STATUS)).find("Error") != std::string::npos; },
                          dialog->Window()));
    EXPECT_EQ(WindowText(dialog->Control(IDC_GO)), "&Go");
    for (int id : {IDC_INPUT_PATH, IDC_OUTPUT_PATH, IDC_GO, IDC_APPEND, IDC_FILL, IDC_SIZE_FIELD})
        EXPECT_TRUE(::IsWindowEnabled(dialog->Control(id))) << id;
    EXPECT_EQ(::GetFocus(), dialog->Control(IDC_INPUT_PATH));
    EXPECT_FALSE(dialog->State().runFinished) << WindowText(dialog->Control(IDC_STATUS));

    // The input fixed, Go converts.
    ::SetWindowTextW(dialog->Control(IDC_INPUT_PATH), win32::Wide(WriteScene(dir, "ship.3ds")).c_str());
    Click(dialog->Control(IDC_GO));
    Pump(dialog->Window());
    EXPECT_TRUE(dialog->State().runFinished) << WindowText(dialog->Control(IDC_STATUS));
}

TEST(ConverterDlg, HelpButtonAboutItemAndF1OpenTheHelpBox)
{
    const auto dialog = Open();
    const std::string help = HelpText();
    const auto expectHelpBox = [&](HWND box) {
        EXPECT_EQ(WindowText(box), "Tarnex Help");
        EXPECT_EQ(WindowText(::GetDlgItem(box, IDC_HELP_TEXT)), help);
        EXPECT_EQ(::GetFocus(), ::GetDlgItem(box, IDOK));
        EXPECT_EQ(::GetWindow(box, GW_OWNER), dialog->Window());
    };
    EXPECT_TRUE(WithModalBox([&] { Click(dialog->Control(IDC_HELP_BUTTON)); }, expectHelpBox));
    EXPECT_TRUE(WithModalBox([&] { ::SendMessageW(dialog->Window(), WM_SYSCOMMAND, 31, 0); }, expectHelpBox));
    EXPECT_TRUE(WithModalBox(
        [&] {
            ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_F1, 0);
            Pump(dialog->Window(), std::chrono::milliseconds(200));
        },
        expectHelpBox));
    // Escape ended the box; the window goes on as it was.
    EXPECT_TRUE(::IsWindow(dialog->Window()));
    EXPECT_TRUE(::IsWindowEnabled(dialog->Window()));
}

TEST(ConverterDlg, BrowseButtonsSetTheirFieldAndACancelEmptiesIt)
{
    const auto dialog = Open("typed.3ds", "typed.3d");
    std::vector<std::wstring> filters;
    dialog->SetFileDialogRunner([&](OPENFILENAMEW& files, bool save) {
        filters.push_back(std::wstring(files.lpstrFilter) + L"|" + files.lpstrDefExt);
        EXPECT_TRUE(files.Flags & OFN_HIDEREADONLY);
        EXPECT_FALSE(files.Flags & OFN_OVERWRITEPROMPT);
        return save ? std::wstring(L"C:\\models\\\u00fc.3d") : std::wstring();
    });
    Click(dialog->Control(IDC_BROWSE_INPUT));
    Click(dialog->Control(IDC_BROWSE_OUTPUT));
    EXPECT_EQ(WindowText(dialog->Control(IDC_INPUT_PATH)), "");
    EXPECT_EQ(dialog->ReadOptions().outputPath, "C:\\models\\\xC3\xBC.3d");
    ASSERT_EQ(filters.size(), 2u);
    EXPECT_EQ(filters[0], L"3D Studio MAX (*.3DS)|3DS");
    EXPECT_EQ(filters[1], L"Unreal 3D Format (*.3D)|3D");
}

namespace {

std::function<void()> onTimer; // what the next tick of LockTimer does
void CALLBACK LockTimer(HWND, UINT, UINT_PTR timer, DWORD)
{
    ::KillTimer(nullptr, timer);
    if (onTimer)
        onTimer();
}

} // namespace

TEST(ConverterDlg, ARunWaitsForAnotherThatHoldsTheFileAndEscapeEndsTheWait)
{
    ScopedTempDir dir;
    const std::string scene = WriteScene(dir, "ship.3ds");
    {
        const auto first = Open(scene, dir.File("ship.3d"));
        ASSERT_TRUE(PumpUntil([&] { return first->State().runFinished; }, first->Window()));
    }
    struct Case {
        const char* what;
        bool escape; // the user gives up; otherwise the other run lets go
        const char* logEnd;
    };
    for (const Case& c : {Case{"the other run lets go", false, "Done.\r\n"},
                          Case{"Escape", true, "Error: Stopped while waiting for another conversion to finish with "}}) {
        SCOPED_TRACE(c.what);
        std::unique_ptr<CFile> other = CFileSystem::Native().OpenReadWrite(dir.File("ship_a.3d"));
        ASSERT_TRUE(other && other->Lock(false) == LockResult::Locked);
        const auto before = ReadFileBytes(dir.File("ship_a.3d"));
        onTimer = [&] {
            if (c.escape)
                ::PostMessageW(::GetFocus(), WM_KEYDOWN, VK_ESCAPE, 0);
            else
                other.reset();
        };
        ::SetTimer(nullptr, 0, 400, LockTimer);
        const auto dialog = Open(scene, dir.File("ship_a.3d"), {"append"});
        ASSERT_TRUE(PumpUntil([&] { return !dialog->Window() || dialog->State().runFinished; }, dialog->Window()));
        const std::string log = dialog->State().statusLog.Text();
        EXPECT_NE(log.find("Waiting for another conversion to finish with "), std::string::npos) << log;
        EXPECT_NE(log.find(c.logEnd), std::string::npos) << log;
        EXPECT_EQ(dialog->Window() == nullptr, c.escape) << "Escape in the wait closes the window after the run";
        if (c.escape)
            EXPECT_TRUE(ReadFileBytes(dir.File("ship_a.3d")) == before);
        else
            EXPECT_GT(ReadFileBytes(dir.File("ship_a.3d")).size(), before.size());
        onTimer = nullptr;
    }
}
