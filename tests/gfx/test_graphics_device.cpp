// The Direct3D objects on the headless host's software device: creation, the upload of the
// embedded images through the locked pitch, re-creation after a reset, release.
#include <gtest/gtest.h>

#include <vector>

#include "assets/assets.h"
#include "gfx/graphics.h"
#include "platform/headless/headless.h"
#include "tests/plain_window.h"

namespace {

class GraphicsDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessReset();
        windowed = true;
        window_ = CreatePlainWindow("GraphicsDeviceTest", 740, 600);
    }
    void TearDown() override
    {
        ReleaseGraphics();
        if (window_ != nullptr) DestroyWindow(window_);
        windowed = false;
    }

    HWND window_ = nullptr;
};

// Runs `check` over every texel of level 0 that lies within `width` columns of each row,
// and `tail` over the texels of the row beyond them (up to the pitch).
template <typename Check, typename Tail>
void VisitTexels(IDirect3DTexture9* texture, int width, int height, Check check, Tail tail)
{
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    const int stride = locked.Pitch / 4;
    const auto* texels = static_cast<const uint32_t*>(locked.pBits);
    for (int r = 0; r < height; ++r) {
        for (int c = 0; c < width; ++c) check(c, r, texels[size_t(r) * stride + c]);
        for (int c = width; c < stride; ++c) tail(c, r, texels[size_t(r) * stride + c]);
    }
    texture->UnlockRect(0);
}

uint32_t ImageTexel(const uint8_t* image, int entries, int size, int column, int row)
{
    const uint8_t index = ImagePixels(image, entries)[row * size + column];
    return PaletteTexel(PaletteEntries(image) + 4 * index);
}

int MismatchesWithImage(IDirect3DTexture9* texture, const uint8_t* image, int entries, int size)
{
    int wrong = 0;
    VisitTexels(
        texture, size, size,
        [&](int c, int r, uint32_t texel) {
            if (texel != ImageTexel(image, entries, size, c, r)) ++wrong;
        },
        [](int, int, uint32_t) {});
    return wrong;
}

int NonZeroTexels(IDirect3DTexture9* texture, int size)
{
    int lit = 0;
    VisitTexels(
        texture, size, size, [&](int, int, uint32_t texel) { lit += texel != 0; },
        [](int, int, uint32_t) {});
    return lit;
}

}  // namespace

TEST_F(GraphicsDevice, StartUpCreatesEverythingAndFillsTheTextures)
{
    ASSERT_TRUE(InitGraphics(window_, false));
    EXPECT_NE(direct3d, nullptr);
    EXPECT_NE(device, nullptr);
    EXPECT_NE(vertex_buffer, nullptr);
    EXPECT_NE(back_buffer, nullptr);

    EXPECT_EQ(present_parameters.BackBufferWidth, 800u);
    EXPECT_EQ(present_parameters.BackBufferHeight, 600u);
    EXPECT_EQ(present_parameters.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_EQ(present_parameters.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(present_parameters.hDeviceWindow, window_);
    EXPECT_EQ(present_parameters.Windowed, TRUE);
    EXPECT_EQ(present_parameters.EnableAutoDepthStencil, FALSE);
    EXPECT_EQ(present_parameters.Flags, D3DPRESENTFLAG_LOCKABLE_BACKBUFFER);
    EXPECT_EQ(present_parameters.PresentationInterval, D3DPRESENT_INTERVAL_ONE);

    EXPECT_EQ(MismatchesWithImage(left_panel_texture, left_panel_data, 256, 512), 0);
    EXPECT_EQ(MismatchesWithImage(right_panel_texture, right_panel_data, 256, 512), 0);
    EXPECT_EQ(MismatchesWithImage(sprite_texture, sprite_sheet_data, 32, 256), 0);
    EXPECT_EQ(NonZeroTexels(page_texture, 512), 0);
}

TEST_F(GraphicsDevice, FullScreenAnswerAsksForAFullScreenDevice)
{
    windowed = false;
    ASSERT_TRUE(InitGraphics(window_, false));
    EXPECT_EQ(present_parameters.Windowed, FALSE);
    EXPECT_TRUE(HeadlessDisplayFullscreen());
}

TEST_F(GraphicsDevice, UploadWritesOnlyTheImageWidthOfEachPaddedRow)
{
    ASSERT_TRUE(InitGraphics(window_, false));
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(
        device->CreateTexture(256, 256, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr),
        D3D_OK);
    constexpr uint32_t MARKER = 0xA5A5A5A5u;
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    // This only proves something when the rows are padded.
    ASSERT_GT(locked.Pitch, 256 * 4);
    for (int r = 0; r < 256; ++r) {
        auto* row =
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + r * locked.Pitch);
        for (int c = 0; c < locked.Pitch / 4; ++c) row[c] = MARKER;
    }
    texture->UnlockRect(0);

    // Palette entry i = (i, 255 - i, i / 2, flags i); pixel (r, c) = (r + 3c) mod 256.
    std::vector<uint8_t> palette(4 * 256);
    for (int i = 0; i < 256; ++i) {
        palette[4 * i] = uint8_t(i);
        palette[4 * i + 1] = uint8_t(255 - i);
        palette[4 * i + 2] = uint8_t(i / 2);
        palette[4 * i + 3] = uint8_t(i);
    }
    std::vector<uint8_t> pixels(256 * 256);
    for (int r = 0; r < 256; ++r) {
        for (int c = 0; c < 256; ++c) pixels[r * 256 + c] = uint8_t(r + 3 * c);
    }
    UploadPalettedImage(texture, pixels.data(), palette.data(), 256);

    int wrong = 0, tails_touched = 0;
    VisitTexels(
        texture, 256, 256,
        [&](int c, int r, uint32_t texel) {
            const uint32_t i = uint8_t(r + 3 * c);
            if (texel != ((i << 16) | ((255 - i) << 8) | (i / 2))) ++wrong;
        },
        [&](int, int, uint32_t texel) { tails_touched += texel != MARKER; });
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(tails_touched, 0);
    texture->Release();
}

TEST_F(GraphicsDevice, ResourcesComeBackAfterAResetWithABlankPage)
{
    ASSERT_TRUE(InitGraphics(window_, false));
    IDirect3DDevice9* const first_device = device;
    // Something on the page, as the pager would leave it.
    D3DLOCKED_RECT locked = {};
    ASSERT_EQ(page_texture->LockRect(0, &locked, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(locked.pBits)[5] = 0xFFFFFFFFu;
    page_texture->UnlockRect(0);

    // The recovery path: the resources go, the device is reset, the resources come back.
    back_buffer->Release();
    back_buffer = nullptr;
    for (IDirect3DTexture9** texture :
         {&sprite_texture, &page_texture, &left_panel_texture, &right_panel_texture}) {
        (*texture)->Release();
        *texture = nullptr;
    }
    vertex_buffer->Release();
    vertex_buffer = nullptr;
    device->Reset(&present_parameters);
    ASSERT_TRUE(InitGraphics(window_, true));

    EXPECT_EQ(device, first_device);
    EXPECT_NE(back_buffer, nullptr);
    EXPECT_NE(vertex_buffer, nullptr);
    EXPECT_EQ(MismatchesWithImage(left_panel_texture, left_panel_data, 256, 512), 0);
    EXPECT_EQ(MismatchesWithImage(right_panel_texture, right_panel_data, 256, 512), 0);
    EXPECT_EQ(MismatchesWithImage(sprite_texture, sprite_sheet_data, 32, 256), 0);
    EXPECT_EQ(NonZeroTexels(page_texture, 512), 0);
}

TEST_F(GraphicsDevice, RefusedDeviceFailsAndKeepsWhatWasCreated)
{
    HeadlessSetDisplayAvailable(false);
    EXPECT_FALSE(InitGraphics(window_, false));
    EXPECT_NE(direct3d, nullptr);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(left_panel_texture, nullptr);
}

TEST_F(GraphicsDevice, ReleaseEmptiesEveryHandleSoASecondReleaseDoesNothing)
{
    ASSERT_TRUE(InitGraphics(window_, false));
    ReleaseGraphics();
    EXPECT_EQ(back_buffer, nullptr);
    EXPECT_EQ(sprite_texture, nullptr);
    EXPECT_EQ(page_texture, nullptr);
    EXPECT_EQ(left_panel_texture, nullptr);
    EXPECT_EQ(right_panel_texture, nullptr);
    EXPECT_EQ(vertex_buffer, nullptr);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(direct3d, nullptr);
    ReleaseGraphics();
}
