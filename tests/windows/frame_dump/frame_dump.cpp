// Runs RenderFrame (which steps the text pager and presents) for as many frames as the
// largest frame number asked for, and writes the back buffer of each asked frame to
// OUT_DIR/frame_NNNN.ppm (binary PPM, 800 x 600, red green blue), and the bubbles' start
// table to OUT_DIR/sprite_positions.txt.
// Usage: frame_dump OUT_DIR FRAME...      e.g. frame_dump out 1 60 200 700
//
// The device runs windowed with the copy swap effect, so the back buffer still holds the
// frame after Present. The bubbles start from the intro's own table (FillSpritePositions),
// drawn from the runtime's rand as the intro draws it: the same table on every build.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "scene/frame_renderer.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"
#include "scene/sprite_positions.h"
#include "tests/picture_file.h"
#include "tests/plain_window.h"

namespace {

// The bubbles' start table, one "x y" line per bubble, so two builds' tables can be compared
// exactly (most bubbles start below the screen, out of every early frame).
bool WriteSpritePositions(const std::string& path)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr) return false;
    for (int k = 0; k < SPRITE_COUNT; ++k) {
        std::fprintf(file, "%d %d\n", static_cast<int>(sprite_positions[2 * k]),
                     static_cast<int>(sprite_positions[2 * k + 1]));
    }
    return std::fclose(file) == 0;
}

// Switches the device to the copy swap effect, presenting without waiting for the display
// (to be quick): releases the resources, resets the device and re-creates them the way the
// intro recovers a lost device; the pager is then in its start state (nothing of the scene
// has moved yet).
void UseCopySwapEffect(HWND window)
{
    ReleaseResources();
    present_parameters.SwapEffect = D3DSWAPEFFECT_COPY;
    present_parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    device->Reset(&present_parameters);
    InitGraphics(window, true);
    ResetPagerState();
}

bool WriteBackBuffer(const std::string& path)
{
    D3DLOCKED_RECT locked = {};
    if (back_buffer == nullptr || FAILED(back_buffer->LockRect(&locked, nullptr, 0))) {
        std::fprintf(stderr, "frame_dump: cannot lock the back buffer\n");
        return false;
    }
    const bool written = WritePicturePpm(path, static_cast<const uint32_t*>(locked.pBits),
                                         SCREEN_WIDTH, SCREEN_HEIGHT, locked.Pitch / 4);
    back_buffer->UnlockRect();
    if (!written) std::fprintf(stderr, "frame_dump: cannot write %s\n", path.c_str());
    return written;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: frame_dump OUT_DIR FRAME...\n");
        return 2;
    }
    const std::string out_dir = argv[1];
    std::vector<int> wanted;
    for (int i = 2; i < argc; ++i) {
        const int frame = std::atoi(argv[i]);
        if (frame < 1) {
            std::fprintf(stderr, "frame_dump: frame numbers start at 1: %s\n", argv[i]);
            return 2;
        }
        wanted.push_back(frame);
    }
    const int last = *std::max_element(wanted.begin(), wanted.end());

    HWND window = CreatePlainWindow("FrameDump", SCREEN_WIDTH, SCREEN_HEIGHT);
    windowed = true;
    if (window == nullptr || !InitGraphics(window, false)) {
        std::fprintf(stderr, "frame_dump: no window or no Direct3D device\n");
        return 1;
    }
    ShowWindow(window, SW_SHOW);
    UseCopySwapEffect(window);
    FillSpritePositions();

    int status = WriteSpritePositions(out_dir + "/sprite_positions.txt") ? 0 : 1;
    for (int frame = 1; frame <= last; ++frame) {
        MSG message = {};
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        RenderFrame();
        if (std::find(wanted.begin(), wanted.end(), frame) == wanted.end()) continue;
        char name[32];
        std::snprintf(name, sizeof name, "/frame_%04d.ppm", frame);
        if (!WriteBackBuffer(out_dir + name)) status = 1;
    }
    ReleaseGraphics();
    DestroyWindow(window);
    return status;
}
