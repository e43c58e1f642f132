// Message-box texts are written for code page 1252; the SDL host shows them as UTF-8.
#include <gtest/gtest.h>

#include "platform/sdl/cp1252.h"

TEST(Cp1252ToUtf8, AsciiPassesAndHighBytesBecomeTheirCharacters)
{
    EXPECT_EQ(Cp1252ToUtf8("Run in Fullscreen !?"), "Run in Fullscreen !?");
    // The acute accent of "Couldn´t" is one byte in 1252 and two in UTF-8.
    EXPECT_EQ(Cp1252ToUtf8("Couldn\xB4t set up DirectX."), "Couldn\xC2\xB4t set up DirectX.");
    EXPECT_EQ(Cp1252ToUtf8("\xE9\xFF"), "\xC3\xA9\xC3\xBF");
    // 0x80..0x9F are not Latin-1: the euro sign, curly quotes, and U+FFFD for the holes.
    EXPECT_EQ(Cp1252ToUtf8("\x80"), "\xE2\x82\xAC");
    EXPECT_EQ(Cp1252ToUtf8("\x93q\x94"), "\xE2\x80\x9Cq\xE2\x80\x9D");
    EXPECT_EQ(Cp1252ToUtf8("\x81"), "\xEF\xBF\xBD");
    EXPECT_EQ(Cp1252ToUtf8(""), "");
    EXPECT_EQ(Cp1252ToUtf8(nullptr), "");
}
