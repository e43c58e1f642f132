// A software device on the headless host with page_texture of its own, for driving the pager
// step by step; and readers for the page's texels and the device's blend state.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "assets/assets.h"
#include "gfx/graphics.h"
#include "gfx/scene_layout.h"
#include "platform/d3d9_soft.h"
#include "platform/headless/headless.h"
#include "scene/page_composer.h"
#include "scene/pager.h"
#include "scene/pager_state.h"
#include "scene/scene_state.h"

constexpr uint32_t SENTINEL = 0x5A5A5A5Au;

// Every texel of level 0 of a texture, padding included, read through a lock.
struct TexelSnapshot {
    int stride = 0;
    std::vector<uint32_t> texels;
    uint32_t At(int row, int column) const { return texels[row * stride + column]; }
};

inline TexelSnapshot ReadTexels(IDirect3DTexture9* texture)
{
    TexelSnapshot snapshot;
    D3DLOCKED_RECT locked{};
    if (FAILED(texture->LockRect(0, &locked, nullptr, 0))) return snapshot;
    snapshot.stride = locked.Pitch / 4;
    const uint32_t* texels = static_cast<const uint32_t*>(locked.pBits);
    snapshot.texels.assign(texels, texels + snapshot.stride * PAGE_TEXTURE_SIZE);
    texture->UnlockRect(0);
    return snapshot;
}

// Fills every texel, the row padding past column 511 included, so that any write shows.
inline void FillTexels(IDirect3DTexture9* texture, uint32_t value)
{
    D3DLOCKED_RECT locked{};
    ASSERT_TRUE(SUCCEEDED(texture->LockRect(0, &locked, nullptr, 0)));
    uint32_t* texels = static_cast<uint32_t*>(locked.pBits);
    std::fill(texels, texels + locked.Pitch / 4 * PAGE_TEXTURE_SIZE, value);
    texture->UnlockRect(0);
}

class PagerOnDevice : public ::testing::Test {
protected:
    void SetUp() override
    {
        HeadlessReset();
        ResetSceneState();
        ResetPagerState();
        direct3d = Direct3DCreate9(D3D_SDK_VERSION);
        ASSERT_NE(direct3d, nullptr);
        D3DPRESENT_PARAMETERS parameters = PresentParametersFor(nullptr, true);
        ASSERT_TRUE(SUCCEEDED(direct3d->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, nullptr,
                                                     D3DCREATE_HARDWARE_VERTEXPROCESSING,
                                                     &parameters, &device)));
        CreatePageTexture();
    }

    void TearDown() override
    {
        if (page_texture) page_texture->Release();
        page_texture = nullptr;
        if (device) device->Release();
        device = nullptr;
        if (direct3d) direct3d->Release();
        direct3d = nullptr;
        ResetSceneState();
        ResetPagerState();
    }

    // A fresh, blank page_texture, as the device's re-creation after a reset leaves it.
    void CreatePageTexture()
    {
        if (page_texture) page_texture->Release();
        page_texture = nullptr;
        ASSERT_EQ(device->CreateTexture(PAGE_TEXTURE_SIZE, PAGE_TEXTURE_SIZE, 1, 0, D3DFMT_A8R8G8B8,
                                        D3DPOOL_MANAGED, &page_texture, nullptr),
                  D3D_OK);
        FillTexels(page_texture, 0);
    }

    static void Run(int frames)
    {
        for (int i = 0; i < frames; ++i) AdvancePager();
    }

    static bool BlendEnabled() { return device->soft->states.alpha_blend_enable != FALSE; }

    // True when the texture holds nothing but zeros in its 512 x 512 texels.
    static bool PageBlank()
    {
        const TexelSnapshot page = ReadTexels(page_texture);
        for (int r = 0; r < PAGE_TEXTURE_SIZE; ++r) {
            for (int c = 0; c < PAGE_TEXTURE_SIZE; ++c) {
                if (page.At(r, c) != 0) return false;
            }
        }
        return true;
    }
};

// Colour shared by the four vertices of a quad, or 0xDEAD when they differ.
inline D3DCOLOR QuadColour(const TLVertex quad[4])
{
    for (int k = 1; k < 4; ++k) {
        if (quad[k].diffuse != quad[0].diffuse) return 0xDEAD;
    }
    return quad[0].diffuse;
}
