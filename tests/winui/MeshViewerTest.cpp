// The viewer of a converted pair on Windows, driven by messages: it reads the frames from the
// files, follows its slider, plays and wraps and pauses, frames the model, takes C and R wherever
// the focus is, turns when dragged, zooms with the wheel, follows its size, closes with Escape and
// refuses a damaged pair.
#include "winui/MeshViewer.h"

#include "convert/Conversion.h"
#include "platform/FileLayer.h"
#include "platform/Win32Handles.h"
#include "tests/support/Files.h"
#include "tests/support/MemoryFile.h"
#include "tests/support/SceneGenerator.h"
#include "winui/resource.h"

#include <commctrl.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

namespace {

// Converts a generated scene as the window's Go does; the names of the pair written.
OutputNames Convert(const ScopedTempDir& dir, const scenegen::SceneShape& shape, const std::string& name)
{
    WriteFileBytes(dir.File(name + ".3ds"), scenegen::GenerateScene(shape));
    CRecordingView view;
    view.options.inputPath = dir.File(name + ".3ds");
    view.options.outputPath = dir.File(name + ".3d");
    RunState state;
    EXPECT_EQ(RunConversion(view, state, CFileSystem::Native()), RunOutcome::Completed) << view.statusText;
    return state.written;
}

// Handles what the queue holds, as a modal dialog's loop does: keys go through IsDialogMessage.
void Pump(HWND dialog)
{
    MSG message;
    while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE))
        if (!dialog || !::IsWindow(dialog) || !::IsDialogMessageW(dialog, &message)) {
            ::TranslateMessage(&message);
            ::DispatchMessageW(&message);
        }
}

// Pumps until done() holds or a generous guard of seconds has passed.
bool PumpUntil(HWND dialog, const std::function<bool()>& done)
{
    const auto guard = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!done() && std::chrono::steady_clock::now() < guard) {
        Pump(dialog);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 10, QS_ALLINPUT);
    }
    return done();
}

std::wstring Text(HWND window)
{
    wchar_t text[512] = {};
    ::GetWindowTextW(window, text, static_cast<int>(std::size(text)));
    return text;
}

RECT ClientRectOf(HWND control, HWND dialog)
{
    RECT rect{};
    ::GetWindowRect(control, &rect);
    ::MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&rect), 2);
    return rect;
}

// A press of a key where the focus is, through the dialog's key handling.
void PressKey(HWND dialog, WPARAM key)
{
    ::PostMessageW(::GetFocus(), WM_KEYDOWN, key, 1);
    ::PostMessageW(::GetFocus(), WM_KEYUP, key, 1 | 0xC0000000);
    Pump(dialog);
}

class WindowsMeshViewer : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_STANDARD_CLASSES | ICC_BAR_CLASSES};
        ::InitCommonControlsEx(&controls);
        dir = std::make_unique<ScopedTempDir>();
        // Two objects over a segment of 12 frames.
        scenegen::SceneShape shape;
        shape.objectCount = 2;
        shape.verticesPerObject = 40;
        shape.frames = 12;
        shape.keyEvery = 4;
        walk = Convert(*dir, shape, "walk");
    }
    static void TearDownTestSuite() { dir.reset(); }

    // Opens the walk in a viewer window.
    void OpenShown(CMeshViewer& viewer)
    {
        std::string fault;
        ASSERT_TRUE(viewer.Open(walk, fault)) << fault;
        ASSERT_NE(viewer.Create(nullptr), nullptr);
        Pump(viewer.Window());
    }

    static std::unique_ptr<ScopedTempDir> dir;
    static OutputNames walk;
};

std::unique_ptr<ScopedTempDir> WindowsMeshViewer::dir;
OutputNames WindowsMeshViewer::walk;

TEST_F(WindowsMeshViewer, FollowsItsSliderAndPlaysWrapsAndPauses)
{
    CMeshViewer viewer;
    OpenShown(viewer);
    const HWND window = viewer.Window(), slider = viewer.Control(IDC_VIEW_FRAMES), play = viewer.Control(IDC_VIEW_PLAY),
               label = viewer.Control(IDC_VIEW_FRAME_NUMBER);
    EXPECT_EQ(Text(window), L"Preview - " + win32::Wide(walk.animationPath));
    EXPECT_EQ(Text(label), L"Frame 0 (1 of 12)");
    EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMIN, 0, 0), 0);
    EXPECT_EQ(::SendMessageW(slider, TBM_GETRANGEMAX, 0, 0), 11);
    ASSERT_FALSE(viewer.Picture().pixels.empty());
    const std::vector<std::uint32_t> first = viewer.Picture().pixels;

    const auto slide = [&](int frame) {
        ::SendMessageW(slider, TBM_SETPOS, TRUE, frame);
        ::SendMessageW(window, WM_HSCROLL, MAKEWPARAM(TB_THUMBTRACK, frame), reinterpret_cast<LPARAM>(slider));
    };
    const int length = ClientRectOf(slider, window).right - ClientRectOf(slider, window).left;
    slide(11);
    EXPECT_EQ(Text(label), L"Frame 11 (12 of 12)");
    EXPECT_EQ(ClientRectOf(slider, window).right - ClientRectOf(slider, window).left, length);
    slide(7);
    EXPECT_EQ(viewer.Frame(), 7);
    EXPECT_EQ(Text(label), L"Frame 7 (8 of 12)");
    EXPECT_NE(viewer.Picture().pixels, first); // frame 7 moves the objects

    ::SendMessageW(play, BM_CLICK, 0, 0);
    EXPECT_TRUE(viewer.Playing());
    EXPECT_EQ(Text(play), L"Pause");
    EXPECT_TRUE(PumpUntil(window, [&] { return viewer.Frame() != 7; }));
    EXPECT_EQ(::SendMessageW(slider, TBM_GETPOS, 0, 0), viewer.Frame()); // the slider follows the play
    // The frame after the last is the first.
    viewer.ShowFrame(11);
    ::SendMessageW(window, WM_TIMER, CMeshViewer::kPlayTimer, 0);
    EXPECT_EQ(viewer.Frame(), 0);
    EXPECT_EQ(viewer.Picture().pixels, first);

    ::SendMessageW(play, BM_CLICK, 0, 0);
    EXPECT_FALSE(viewer.Playing());
    EXPECT_EQ(Text(play), L"Play");
    const int paused = viewer.Frame();
    PumpUntil(window, [start = std::chrono::steady_clock::now()] {
        return std::chrono::steady_clock::now() - start > std::chrono::milliseconds(3 * 1000 / 25);
    });
    EXPECT_EQ(viewer.Frame(), paused);
}

TEST_F(WindowsMeshViewer, FramesTheModelAndTakesCAndRWhereverTheFocusIsAndEscapeOrTheCloseBoxCloses)
{
    CMeshViewer viewer;
    OpenShown(viewer);
    const HWND window = viewer.Window();
    EXPECT_EQ(Text(viewer.Control(IDC_VIEW_SPAN)),
              L"The model spans 157 of 2048 grid steps in X, 33 of 2048 in Y, 33 of 1024 in Z");
    EXPECT_EQ(Text(viewer.Control(IDC_VIEW_HINT)), L"Drag to turn the view, turn the wheel to zoom; C shows the "
                                                   L"whole cube or the model, R resets the view.");
    EXPECT_FALSE(viewer.WholeCubeShown());
    const std::vector<std::uint32_t> framed = viewer.Picture().pixels;

    for (const int focus : {IDC_VIEW_PLAY, IDC_VIEW_FRAMES}) {
        ::SetFocus(viewer.Control(focus));
        ASSERT_EQ(::GetFocus(), viewer.Control(focus));
        PressKey(window, 'C');
        EXPECT_TRUE(viewer.WholeCubeShown()) << focus;
        EXPECT_NE(viewer.Picture().pixels, framed);
        viewer.Turn(40, 10);
        viewer.TurnWheel(2 * 120);
        PressKey(window, 'R');
        EXPECT_FALSE(viewer.WholeCubeShown()) << focus;
        EXPECT_EQ(viewer.View().yaw, ViewAngles{}.yaw);
        EXPECT_EQ(viewer.Zoom().notches, 0);
        EXPECT_EQ(viewer.Picture().pixels, framed);
    }
    // C and R moved neither the frame nor the play.
    EXPECT_EQ(viewer.Frame(), 0);
    EXPECT_FALSE(viewer.Playing());

    PressKey(window, VK_ESCAPE);
    EXPECT_EQ(viewer.Window(), nullptr);
    EXPECT_FALSE(::IsWindow(window));
    // The close box.
    CMeshViewer other;
    OpenShown(other);
    ::SendMessageW(other.Window(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(PumpUntil(nullptr, [&] { return other.Window() == nullptr; }));
}

TEST_F(WindowsMeshViewer, PlayIsDisabledOnAOneFramePair)
{
    scenegen::SceneShape shape; // no keyframe data: one frame
    const OutputNames still = Convert(*dir, shape, "still");
    CMeshViewer viewer;
    ASSERT_NE(viewer.Create(nullptr), nullptr); // the pair may come after the window
    std::string fault;
    ASSERT_TRUE(viewer.Open(still, fault)) << fault;
    EXPECT_FALSE(::IsWindowEnabled(viewer.Control(IDC_VIEW_PLAY)));
    EXPECT_EQ(Text(viewer.Control(IDC_VIEW_FRAME_NUMBER)), L"Frame 0 (1 of 1)");
    EXPECT_FALSE(viewer.Picture().pixels.empty());
    viewer.SetPlaying(true);
    EXPECT_FALSE(viewer.Playing());
    EXPECT_EQ(Text(viewer.Control(IDC_VIEW_PLAY)), L"Play");
}

TEST_F(WindowsMeshViewer, ADragTurnsTheViewAndTheWheelOverThePictureZooms)
{
    CMeshViewer viewer;
    OpenShown(viewer);
    const HWND window = viewer.Window(), slider = viewer.Control(IDC_VIEW_FRAMES);
    const std::vector<std::uint32_t> before = viewer.Picture().pixels;
    const float yaw = viewer.View().yaw;
    ::SendMessageW(window, WM_MOUSEMOVE, 0, MAKELPARAM(130, 100)); // no button held: nothing turns
    EXPECT_EQ(viewer.View().yaw, yaw);
    ::SendMessageW(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(100, 100));
    ::SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(160, 110));
    ::SendMessageW(window, WM_LBUTTONUP, 0, MAKELPARAM(160, 110));
    EXPECT_FLOAT_EQ(viewer.View().yaw, yaw - 0.6f);
    EXPECT_FLOAT_EQ(viewer.View().pitch, ViewAngles{}.pitch + 0.1f);
    EXPECT_NE(viewer.Picture().pixels, before);
    ::SendMessageW(window, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(200, 200)); // the drag has ended
    EXPECT_FLOAT_EQ(viewer.View().yaw, yaw - 0.6f);

    // The wheel over the picture zooms, wherever the focus is; over the slider it is the slider's.
    const RECT picture = viewer.PictureRect();
    POINT centre{(picture.left + picture.right) / 2, (picture.top + picture.bottom) / 2};
    ::ClientToScreen(window, &centre);
    const std::vector<std::uint32_t> turned = viewer.Picture().pixels;
    ::SendMessageW(window, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(viewer.Zoom().notches, 1);
    EXPECT_NE(viewer.Picture().pixels, turned);
    ::SendMessageW(slider, WM_MOUSEWHEEL, MAKEWPARAM(0, WHEEL_DELTA), MAKELPARAM(centre.x, centre.y));
    EXPECT_EQ(viewer.Zoom().notches, 2);
    EXPECT_EQ(viewer.Frame(), 0);
    POINT onSlider{2, 2};
    ::ClientToScreen(slider, &onSlider);
    ::SendMessageW(slider, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA), MAKELPARAM(onSlider.x, onSlider.y));
    EXPECT_EQ(viewer.Zoom().notches, 2);
}

TEST_F(WindowsMeshViewer, ThePictureAndTheControlsFollowTheWindowsSizeDownToItsMinimum)
{
    CMeshViewer viewer;
    OpenShown(viewer);
    const HWND window = viewer.Window();
    // The picture, the legend, the lines and the controls, top to bottom, inside the client area.
    const auto checkLayout = [&] {
        RECT client{};
        ::GetClientRect(window, &client);
        const RECT picture = viewer.PictureRect();
        EXPECT_EQ(viewer.Picture().width, picture.right - picture.left);
        EXPECT_EQ(picture.right - picture.left, picture.bottom - picture.top);
        EXPECT_GE(picture.left, 0);
        EXPECT_LE(picture.right, client.right);
        int above = picture.bottom;
        for (const int id : {IDC_VIEW_LEGEND, IDC_VIEW_SPAN, IDC_VIEW_HINT, IDC_VIEW_FRAMES}) {
            const RECT control = ClientRectOf(viewer.Control(id), window);
            EXPECT_LE(above, control.top) << id;
            EXPECT_LE(control.right, client.right) << id;
            above = control.bottom;
        }
        EXPECT_LE(above, client.bottom);
        EXPECT_GT(above, client.bottom - 30); // the controls along the bottom
        const RECT play = ClientRectOf(viewer.Control(IDC_VIEW_PLAY), window);
        const RECT slider = ClientRectOf(viewer.Control(IDC_VIEW_FRAMES), window);
        const RECT label = ClientRectOf(viewer.Control(IDC_VIEW_FRAME_NUMBER), window);
        EXPECT_LE(play.right, slider.left);
        EXPECT_LE(slider.right, label.left);
        return picture.right - picture.left;
    };
    const int first = checkLayout();
    ::SetWindowPos(window, nullptr, 0, 0, 900, 760, SWP_NOMOVE | SWP_NOZORDER);
    Pump(window);
    const int larger = checkLayout();
    EXPECT_GT(larger, first);
    ::SetWindowPos(window, nullptr, 0, 0, 50, 50, SWP_NOMOVE | SWP_NOZORDER);
    Pump(window);
    RECT client{};
    ::GetClientRect(window, &client);
    EXPECT_GE(client.right, 360);
    EXPECT_GE(client.bottom, 400);
    EXPECT_LT(checkLayout(), first);
}

TEST_F(WindowsMeshViewer, RefusesADamagedPairWithItsFault)
{
    // The animation file loses its last byte: its length no longer agrees with its header.
    Bytes animation = ReadFileBytes(walk.animationPath);
    animation.pop_back();
    const OutputNames cut{dir->File("cut_d.3d"), dir->File("cut_a.3d")};
    WriteFileBytes(cut.animationPath, animation);
    WriteFileBytes(cut.dataPath, ReadFileBytes(walk.dataPath));
    CMeshViewer viewer;
    std::string fault;
    EXPECT_FALSE(viewer.Open(cut, fault));
    // The header's frame count and frame size, each a little-endian 16-bit word.
    const auto word = [&](int at) { return std::to_string(animation[at] | animation[at + 1] << 8); };
    EXPECT_EQ(fault, "Error: " + cut.animationPath + " holds " + std::to_string(animation.size()) +
                         " bytes, but its header gives " + word(0) + " frames of " + word(2) + " bytes, " +
                         std::to_string(animation.size() + 1) + " bytes");
}

} // namespace
