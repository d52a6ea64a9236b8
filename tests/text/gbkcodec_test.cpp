#include "gbkcodec.h"

#include <gtest/gtest.h>

using namespace zeva::text;

namespace {

TEST(GbkCodec, EncodesAndDecodesChineseNames)
{
    bool lossless = false;
    EXPECT_EQ(utf8ToGbk("\\home\\li\\图纸\\a.dwg", &lossless), "\\home\\li\\\xcd\xbc\xd6\xbd\\a.dwg");
    EXPECT_TRUE(lossless);
    bool ok = false;
    EXPECT_EQ(gbkToUtf8("\xcd\xbc\xd6\xbd", &ok), "图纸");
    EXPECT_TRUE(ok);
    EXPECT_EQ(utf8ToGbk(""), "");
    EXPECT_EQ(gbkToUtf8(""), "");
}

TEST(GbkCodec, UsesTheWindowsCodePage)
{
    EXPECT_EQ(utf8ToGbk("€"), "\x80");
    EXPECT_EQ(gbkToUtf8("\x80"), "€");
}

TEST(GbkCodec, UnencodableAndInvalidInputNeverFails)
{
    bool lossless = true;
    EXPECT_EQ(utf8ToGbk("a\xF0\x9F\x98\x80" "b", &lossless), "a?b");
    EXPECT_FALSE(lossless);
    EXPECT_EQ(utf8ToGbk("x\xC3", &lossless), "x?") << "truncated UTF-8";
    EXPECT_EQ(utf8ToGbk("\xFF\xFEz", &lossless), "??z") << "stray bytes";
    bool ok = true;
    EXPECT_EQ(gbkToUtf8("\xcd", &ok), "\xEF\xBF\xBD") << "a lead byte without its trail";
    EXPECT_FALSE(ok);
}

TEST(GbkCodec, DoubleByteTest)
{
    EXPECT_TRUE(isGbkDoubleByte(U'齿'));
    EXPECT_TRUE(isGbkDoubleByte(U'，'));
    EXPECT_FALSE(isGbkDoubleByte(U'a'));
    EXPECT_FALSE(isGbkDoubleByte(U'€'));
    EXPECT_FALSE(isGbkDoubleByte(U'😀'));
    EXPECT_TRUE(containsGbkDoubleByte("AB-齿"));
    EXPECT_FALSE(containsGbkDoubleByte("AB-1"));
    EXPECT_FALSE(containsGbkDoubleByte(""));
    EXPECT_FALSE(containsGbkDoubleByte("\xE9\xBD")) << "truncated sequence is not a character";
}

} // namespace
