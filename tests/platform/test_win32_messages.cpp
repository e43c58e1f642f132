// The window and its message queue: the paths the intro's loop and window procedure take.
#include <gtest/gtest.h>

#include <vector>

#include "platform/headless/headless.h"
#include "platform/platform_api.h"

namespace {

struct SeenMessage {
    UINT message;
    WPARAM wparam;
    LPARAM lparam;
};

std::vector<SeenMessage> seen;

// The intro's own window procedure shape: Escape and left click close through WM_CLOSE,
// WM_DESTROY posts the quit message, everything goes on to DefWindowProcA.
LRESULT CALLBACK IntroLikeProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    seen.push_back({message, wparam, lparam});
    if (message == WM_DESTROY) PostQuitMessage(0);
    if ((message == WM_KEYDOWN && wparam == VK_ESCAPE) || message == WM_LBUTTONDOWN) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

LRESULT CALLBACK QuitWithSeven(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_DESTROY) PostQuitMessage(7);
    return DefWindowProcA(window, message, wparam, lparam);
}

class Win32Window : public ::testing::Test {
protected:
    HWND window = nullptr;

    void SetUp() override
    {
        HeadlessReset();
        seen.clear();
        window = Create(IntroLikeProcedure);
    }
    void TearDown() override
    {
        if (window) DestroyWindow(window);
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {}
        HeadlessReset();
    }

    static HWND Create(WNDPROC procedure)
    {
        WNDCLASSA window_class{};
        window_class.style = CS_HREDRAW | CS_VREDRAW;
        window_class.lpfnWndProc = procedure;
        window_class.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        window_class.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        window_class.lpszClassName = "Vestrel";
        EXPECT_NE(RegisterClassA(&window_class), 0);
        int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 400;
        int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 300;
        return CreateWindowExA(0, "Vestrel", "Vestrel", WS_POPUPWINDOW, x, y, 740, 600, nullptr,
                               nullptr, nullptr, nullptr);
    }

    // The intro's loop: dispatch until WM_QUIT; returns its exit code and the messages seen.
    static int RunLoop(int max_passes = 100)
    {
        MSG msg{};
        for (int pass = 0; pass < max_passes; pass++) {
            if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            if (msg.message == WM_QUIT) return int(msg.wParam);
        }
        return -1;
    }

    static std::vector<UINT> SeenKinds()
    {
        std::vector<UINT> kinds;
        for (const SeenMessage& m : seen) kinds.push_back(m.message);
        return kinds;
    }
};

TEST_F(Win32Window, CreatedHiddenThroughTheHostAtTheGivenPlace)
{
    ASSERT_NE(window, nullptr);
    HeadlessWindowRecord record = HeadlessWindow();
    EXPECT_TRUE(record.created);
    EXPECT_EQ(record.title, "Vestrel");
    EXPECT_EQ(record.x, 1024 / 2 - 400);
    EXPECT_EQ(record.y, 768 / 2 - 300);
    EXPECT_EQ(record.width, 740);
    EXPECT_EQ(record.height, 600);
    EXPECT_FALSE(record.visible);
    ShowWindow(window, SW_SHOWDEFAULT);
    EXPECT_TRUE(UpdateWindow(window));
    EXPECT_TRUE(HeadlessWindow().visible);
    // Unknown classes create nothing.
    EXPECT_EQ(CreateWindowExA(0, "Other", "x", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(HeadlessWindow().created);
}

TEST_F(Win32Window, RunThatNeverDestroyedItsWindowDoesNotBlockTheNext)
{
    // A run that ends early (e.g. the device could not be created) returns without
    // DestroyWindow; the next run in the same process must still get a window and a queue.
    PostQuitMessage(0);
    HWND again = Create(QuitWithSeven);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(HeadlessWindow().create_count, 2);
    EXPECT_TRUE(HeadlessWindow().created);
    EXPECT_TRUE(seen.empty());  // the old procedure got nothing
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    HeadlessPushEvent(HeadlessCloseRequest());
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, WPARAM(7));  // the new window's procedure ran
    window = nullptr;
}

TEST_F(Win32Window, EscapeClosesThroughDefaultHandlingAndQuitComesLast)
{
    HeadlessPushEvent(HeadlessKeyDown(VK_ESCAPE));
    EXPECT_EQ(RunLoop(), 0);
    // WM_KEYDOWN → SendMessageA(WM_CLOSE) → DefWindowProcA → DestroyWindow → WM_DESTROY.
    EXPECT_EQ(SeenKinds(), (std::vector<UINT>{WM_KEYDOWN, WM_CLOSE, WM_DESTROY}));
    EXPECT_EQ(seen[0].wparam, WPARAM(VK_ESCAPE));
    EXPECT_TRUE(HeadlessWindow().destroyed);
    // The window is gone: sending to it reaches nothing, destroying it again fails.
    EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
    EXPECT_FALSE(DestroyWindow(window));
    window = nullptr;
}

TEST_F(Win32Window, QuitCarriesTheExitCodeAndIsNotDispatched)
{
    DestroyWindow(window);
    window = Create(QuitWithSeven);
    ASSERT_NE(window, nullptr);
    HeadlessPushEvent(HeadlessCloseRequest());
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_CLOSE));
    EXPECT_EQ(msg.hwnd, window);
    DispatchMessageA(&msg);
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.message, UINT(WM_QUIT));
    EXPECT_EQ(msg.wParam, WPARAM(7));
    EXPECT_EQ(msg.hwnd, nullptr);
    EXPECT_EQ(DispatchMessageA(&msg), 0);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));  // taken once only
    window = nullptr;
}

TEST_F(Win32Window, HostEventsBecomeMessagesInOrderAndQuitWaitsForThem)
{
    HeadlessPushEvent(HeadlessKeyDown('A'));
    HeadlessPushEvent(HeadlessRightClick(12, 34));
    HeadlessPushEvent(HeadlessLeftClick(700, 599));
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));  // peeking leaves it queued
    PostQuitMessage(3);
    std::vector<MSG> got;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        got.push_back(msg);
        if (msg.message == WM_QUIT) break;
    }
    ASSERT_EQ(got.size(), 4u);
    EXPECT_EQ(got[0].message, UINT(WM_KEYDOWN));
    EXPECT_EQ(got[0].wParam, WPARAM('A'));
    EXPECT_EQ(got[1].message, UINT(WM_RBUTTONDOWN));
    EXPECT_EQ(got[1].lParam, LPARAM(12 | (34 << 16)));
    EXPECT_EQ(got[2].message, UINT(WM_LBUTTONDOWN));
    EXPECT_EQ(got[2].lParam, LPARAM(700 | (599 << 16)));
    EXPECT_EQ(got[3].message, UINT(WM_QUIT));
    EXPECT_EQ(got[3].wParam, WPARAM(3));
}

TEST_F(Win32Window, OtherKeysAndRightClicksDoNotClose)
{
    HeadlessPushEvent(HeadlessKeyDown(VK_SPACE));
    HeadlessPushEvent(HeadlessRightClick(1, 1));
    EXPECT_EQ(RunLoop(20), -1);
    EXPECT_EQ(SeenKinds(), (std::vector<UINT>{WM_KEYDOWN, WM_RBUTTONDOWN}));
    EXPECT_TRUE(HeadlessWindow().created);
}

TEST_F(Win32Window, LeftClickClosesAndEventsAfterTheWindowAreDropped)
{
    HeadlessScheduleEvent(1, HeadlessLeftClick(3, 4));
    EXPECT_EQ(RunLoop(5), -1);  // not due before a frame is presented
    std::vector<uint32_t> pixels(800 * 600, 0);
    HostPresent(pixels.data(), 800, 600, 800);
    HeadlessScheduleEvent(1, HeadlessKeyDown('B'));
    EXPECT_EQ(RunLoop(), 0);
    EXPECT_EQ(SeenKinds(), (std::vector<UINT>{WM_LBUTTONDOWN, WM_CLOSE, WM_DESTROY}));
    // The key arrived after the window was gone: nobody receives it.
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    window = nullptr;
}

TEST_F(Win32Window, NewWindowStartsWithAnEmptyQueue)
{
    PostQuitMessage(0);
    DestroyWindow(window);
    window = Create(IntroLikeProcedure);
    MSG msg{};
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
}

TEST_F(Win32Window, CursorCounterHidesBelowZero)
{
    EXPECT_EQ(ShowCursor(FALSE), -1);
    EXPECT_FALSE(HeadlessWindow().cursor_visible);
    EXPECT_EQ(ShowCursor(FALSE), -2);
    EXPECT_EQ(ShowCursor(TRUE), -1);
    EXPECT_FALSE(HeadlessWindow().cursor_visible);
    EXPECT_EQ(ShowCursor(TRUE), 0);
    EXPECT_TRUE(HeadlessWindow().cursor_visible);
}

TEST_F(Win32Window, ScreenMetricsComeFromTheHost)
{
    HeadlessSetScreenSize(640, 480);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 640);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 480);
    EXPECT_EQ(GetSystemMetrics(2), 0);
    // A screen smaller than 800 x 600 gives a negative position, used as computed.
    DestroyWindow(window);
    window = Create(IntroLikeProcedure);
    EXPECT_EQ(HeadlessWindow().x, -80);
    EXPECT_EQ(HeadlessWindow().y, -60);
}

TEST_F(Win32Window, MessageBoxesPassTextsVerbatimAndReturnTheAnswer)
{
    HeadlessQueueMessageBoxAnswer(IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Run in Fullscreen !?", "Orvanthe", MB_YESNO), IDYES);
    EXPECT_EQ(MessageBoxA(nullptr, "Run in Fullscreen !?", "Orvanthe", MB_YESNO), IDNO);
    EXPECT_EQ(MessageBoxA(nullptr, "What the...?!", "Couldn\xB4t set up DirectX.", MB_OK), IDOK);
    std::vector<HeadlessMessageBoxRecord> boxes = HeadlessMessageBoxes();
    ASSERT_EQ(boxes.size(), 3u);
    EXPECT_TRUE(boxes[0].yes_no);
    EXPECT_FALSE(boxes[2].yes_no);
    EXPECT_EQ(boxes[2].caption, "Couldn\xB4t set up DirectX.");
}

TEST_F(Win32Window, StockHandlesAreNotNull)
{
    EXPECT_NE(LoadIconA(nullptr, IDI_APPLICATION), nullptr);
    EXPECT_NE(LoadCursorA(nullptr, IDC_ARROW), nullptr);
}

}  // namespace
