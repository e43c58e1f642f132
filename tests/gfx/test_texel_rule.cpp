// The palette-to-texel rule and the byte swap it is built on.
#include <gtest/gtest.h>

#include "gfx/graphics.h"

TEST(ByteSwap32, ReversesTheFourBytes)
{
    EXPECT_EQ(ByteSwap32(0x11223344u), 0x44332211u);
    EXPECT_EQ(ByteSwap32(0x000000FFu), 0xFF000000u);
    EXPECT_EQ(ByteSwap32(0x80000001u), 0x01000080u);
    EXPECT_EQ(ByteSwap32(ByteSwap32(0xDEADBEEFu)), 0xDEADBEEFu);
}

TEST(PaletteTexel, RedEntryWithFlagsGivesOpaqueFreeRed)
{
    const uint8_t entry[4] = {255, 0, 0, 4};
    EXPECT_EQ(PaletteTexel(entry), 0x00FF0000u);
}

TEST(PaletteTexel, ChannelsLandInPlaceAndFlagsAreDropped)
{
    const uint8_t entry[4] = {0x12, 0x34, 0x56, 0xFF};
    EXPECT_EQ(PaletteTexel(entry), 0x00123456u);
    const uint8_t blue[4] = {0, 0, 0xC8, 0x01};
    EXPECT_EQ(PaletteTexel(blue), 0x000000C8u);
    const uint8_t black[4] = {0, 0, 0, 0x80};
    EXPECT_EQ(PaletteTexel(black), 0u);
}
