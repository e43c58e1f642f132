// The intro's scene, drawn offline (intro_scene.cpp): the same InitGraphics on the headless
// host's software device, the same bubble start positions from the runtime's unseeded
// generator, and the same RenderFrame, one call per frame, whose presented back buffer is
// handed out. The scene advances one step per frame, as on a 60 Hz display, whatever rate
// the frames are later shown at.
#pragma once

#include <cstdint>

// The presented back buffer: width x height pixels 0x00RRGGBB, rows `pitch` pixels apart.
// Valid until the next RenderIntroFrame.
struct IntroPicture {
    const uint32_t* pixels;
    int width;
    int height;
    int pitch;
};

// Creates the device and the resources as the intro's start-up does (the answer "window",
// so no display is switched) and fills the bubble positions. Call it before anything else
// draws from the runtime's generator. False when the device could not be made.
bool StartIntroScene();
// Draws and presents the next frame; the first call gives the intro's first frame.
IntroPicture RenderIntroFrame();
void StopIntroScene();
