// The SDL host's picture scaling on the two shapes it meets: the 800 x 600 picture into the
// 740 x 600 window and into a larger 4:3 rectangle of a full screen. A colour that fills its
// surroundings comes out exactly, an edge stays where it was and stays sharp, the picture's
// last column and row reach the rectangle's edges, and nothing outside the picture is read
// (the source is an exact allocation, checked by the sanitizers) or written (guard pixels).
#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/picture_scale.h"

namespace {

const int WIDTH = 800;
const int HEIGHT = 600;
const uint32_t GUARD = 0xDEADBEEF;

// Left of column 400 and above row 300 a dark colour, elsewhere a light one; the last column
// and row in a third colour.
uint32_t Pattern(int x, int y)
{
    if (x == WIDTH - 1 || y == HEIGHT - 1) return 0x00C08040;
    return (x < 400 && y < 300) ? 0x00221133 : 0x00F0E0D0;
}

TEST(PictureScale, KeepsColoursEdgesAndBounds)
{
    std::vector<uint32_t> picture(size_t(WIDTH) * HEIGHT);
    for (int y = 0; y < HEIGHT; y++) {
        for (int x = 0; x < WIDTH; x++) picture[size_t(y) * WIDTH + size_t(x)] = Pattern(x, y);
    }
    const struct {
        int width, height;
    } shapes[] = {{740, 600}, {960, 720}};
    for (auto shape : shapes) {
        SCOPED_TRACE(shape.width);
        const int pitch = shape.width + 3;
        std::vector<uint32_t> out(size_t(pitch) * size_t(shape.height), GUARD);
        PictureScale scale;
        PreparePictureScale(&scale, WIDTH, HEIGHT, shape.width, shape.height);
        ScalePicture(&scale, picture.data(), WIDTH, out.data(), pitch);
        auto at = [&](int x, int y) { return out[size_t(y) * size_t(pitch) + size_t(x)]; };

        const int edge_x = 400 * shape.width / WIDTH;
        const int edge_y = 300 * shape.height / HEIGHT;
        for (int y = 0; y < shape.height; y++) {
            for (int x = shape.width; x < pitch; x++) ASSERT_EQ(at(x, y), GUARD) << x << "," << y;
        }
        // Away from the edges, the two colours exactly.
        for (int y = 0; y < edge_y - 1; y++) {
            for (int x = 0; x < edge_x - 1; x++) ASSERT_EQ(at(x, y), 0x00221133u) << x << "," << y;
            for (int x = edge_x + 2; x < shape.width - 2; x++) {
                ASSERT_EQ(at(x, y), 0x00F0E0D0u) << x << "," << y;
            }
        }
        // The edge: at most two blended columns, each between the two colours.
        int blended = 0;
        for (int x = 0; x < shape.width - 2; x++) {
            uint32_t c = at(x, 10);
            if (c != 0x00221133u && c != 0x00F0E0D0u) {
                blended++;
                EXPECT_NEAR(x, edge_x, 1);
                EXPECT_GT(c & 0xFF, 0x33u);
                EXPECT_LT(c & 0xFF, 0xD0u);
            }
        }
        EXPECT_LE(blended, 2);
        // The last column and row of the picture reach the rectangle's edges (blue 0x40 there,
        // 0xD0 beside them).
        EXPECT_LT(at(shape.width - 1, 10) & 0xFF, 0x48u);
        EXPECT_LT(at(10, shape.height - 1) & 0xFF, 0x48u);
    }
}

}  // namespace
