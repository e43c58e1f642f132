// A check of the SDL2 host through the Win32 and waveOut subset, without the intro:
//   host_smoke [frames] [audio_seconds]
// creates the 740 x 600 pop-up, asks Yes/No (Yes: full screen), opens the display, plays a
// looping 440 Hz tone from a one-second ring, presents `frames` moving test pictures (or until
// Escape, a left click or a close request), then closes everything and prints what it saw:
// answer, frames, seconds, frames per second and audio bytes consumed. Exit code 0 on success,
// 1 when the window or display could not be had.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "platform/host.h"
#include "platform/platform_api.h"

namespace {

const int PICTURE_WIDTH = 800;
const int PICTURE_HEIGHT = 600;

LRESULT CALLBACK SmokeProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam)
{
    if (message == WM_DESTROY) PostQuitMessage(0);
    if ((message == WM_KEYDOWN && wparam == VK_ESCAPE) || message == WM_LBUTTONDOWN) {
        SendMessageA(window, WM_CLOSE, 0, 0);
    }
    return DefWindowProcA(window, message, wparam, lparam);
}

// Colour bars that scroll one pixel per frame, with a white frame counter bar at the top.
void DrawTestPicture(std::vector<uint32_t>& pixels, int frame)
{
    static const uint32_t bars[8] = {0xFFFFFF, 0xFFFF00, 0x00FFFF, 0x00FF00,
                                     0xFF00FF, 0xFF0000, 0x0000FF, 0x000000};
    for (int y = 0; y < PICTURE_HEIGHT; y++) {
        for (int x = 0; x < PICTURE_WIDTH; x++) {
            uint32_t colour = bars[((x + frame) % PICTURE_WIDTH) / 100];
            if (y < 8 && x < frame % PICTURE_WIDTH) colour = 0xFFFFFF;
            pixels[size_t(y) * PICTURE_WIDTH + size_t(x)] = colour;
        }
    }
}

}  // namespace

int main(int argc, char** argv)
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // progress visible even if the run is cut short
    int frames_wanted = argc > 1 ? std::atoi(argv[1]) : 120;
    double audio_seconds = argc > 2 ? std::atof(argv[2]) : 1.0;

    WNDCLASSA window_class{};
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = SmokeProcedure;
    window_class.lpszClassName = "Vestrel";
    RegisterClassA(&window_class);
    int x = GetSystemMetrics(SM_CXSCREEN) / 2 - 400;
    int y = GetSystemMetrics(SM_CYSCREEN) / 2 - 300;
    HWND window = CreateWindowExA(0, "Vestrel", "Vestrel", WS_POPUPWINDOW, x, y, 740, 600, nullptr,
                                  nullptr, nullptr, nullptr);
    int answer = MessageBoxA(nullptr, "Run in Fullscreen !?", "Orvanthe", MB_YESNO);
    bool fullscreen = answer != IDNO;
    std::printf("screen %dx%d window %s answer %d fullscreen %d\n", GetSystemMetrics(SM_CXSCREEN),
                GetSystemMetrics(SM_CYSCREEN), window ? "created" : "none", answer, fullscreen);
    if (window == nullptr || !HostOpenDisplay(fullscreen)) {
        MessageBoxA(nullptr, "What the...?!", "Couldn\xB4t set up DirectX.", MB_OK);
        if (window) DestroyWindow(window);
        std::printf("no display\n");
        return 1;
    }

    // One second of a 440 Hz tone, looped by the device.
    std::vector<int16_t> ring(size_t(44100) * 2);
    for (size_t i = 0; i < ring.size() / 2; i++) {
        int16_t value =
            int16_t(std::lround(8000.0 * std::sin(2.0 * M_PI * 440.0 * double(i) / 44100.0)));
        ring[2 * i] = value;
        ring[2 * i + 1] = value;
    }
    WAVEFORMATEX format{WAVE_FORMAT_PCM, 2, 44100, 44100 * 4, 4, 16, 0};
    HWAVEOUT wave_out = nullptr;
    WAVEHDR header{};
    MMRESULT opened = waveOutOpen(&wave_out, WAVE_MAPPER, &format, 0, 0, CALLBACK_NULL);
    if (opened == MMSYSERR_NOERROR) {
        header.lpData = reinterpret_cast<LPSTR>(ring.data());
        header.dwBufferLength = DWORD(ring.size() * sizeof(int16_t));
        header.dwFlags = WHDR_BEGINLOOP | WHDR_ENDLOOP;
        header.dwLoops = 0xFFFFFFFFu;
        waveOutPrepareHeader(wave_out, &header, sizeof(header));
        waveOutWrite(wave_out, &header, sizeof(header));
    }
    std::printf("audio open %u\n", unsigned(opened));

    ShowWindow(window, SW_SHOWDEFAULT);
    ShowCursor(FALSE);
    UpdateWindow(window);

    std::vector<uint32_t> pixels(size_t(PICTURE_WIDTH) * PICTURE_HEIGHT);
    auto start = std::chrono::steady_clock::now();
    MSG msg{};
    int frames = 0;
    int lost_passes = 0;
    DWORD audio_bytes = 0;
    bool audio_done = opened != MMSYSERR_NOERROR;
    while (msg.message != WM_QUIT && (frames < frames_wanted || !audio_done)) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
            continue;
        }
        if (!audio_done) {
            MMTIME time{};
            time.wType = TIME_BYTES;
            waveOutGetPosition(wave_out, &time, sizeof(time));
            audio_bytes = time.u.cb;
            audio_done = double(audio_bytes) >= audio_seconds * 44100.0 * 4.0;
        }
        if (frames >= frames_wanted) {
            Sleep(1);
            continue;
        }
        if (!HostDisplayUsable()) {
            lost_passes++;
            Sleep(1);
            continue;
        }
        DrawTestPicture(pixels, frames);
        HostPresent(pixels.data(), PICTURE_WIDTH, PICTURE_HEIGHT, PICTURE_WIDTH);
        frames++;
    }
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();

    if (opened == MMSYSERR_NOERROR) {
        waveOutReset(wave_out);
        waveOutUnprepareHeader(wave_out, &header, sizeof(header));
        waveOutClose(wave_out);
    }
    HostCloseDisplay();
    bool quit_by_user = msg.message == WM_QUIT;
    if (!quit_by_user) DestroyWindow(window);
    std::printf("frames %d seconds %.3f fps %.1f lost_passes %d audio_bytes %u quit_by_user %d\n",
                frames, seconds, seconds > 0 ? frames / seconds : 0.0, lost_passes,
                unsigned(audio_bytes), quit_by_user);
    return 0;
}
