#include "hostunits.h"
#include "hostvalue.h"
#include "values.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace zeva;

namespace {

struct NumberCase {
    const char16_t *text;
    double expected;
    const char *why;
};

class LeadingNumber : public ::testing::TestWithParam<NumberCase> {};

TEST_P(LeadingNumber, ReadsTheNumberATextBeginsWith)
{
    const NumberCase &c = GetParam();
    EXPECT_DOUBLE_EQ(leadingNumber(QStringView(c.text)), c.expected) << c.why;
}

INSTANTIATE_TEST_SUITE_P(Values, LeadingNumber, ::testing::Values(
    NumberCase{u"  12.5abc", 12.5, "leading spaces skipped, stops at a letter"},
    NumberCase{u"-3", -3, "sign"},
    NumberCase{u"+4", 4, "plus sign"},
    NumberCase{u".5", 0.5, "no digit before the point"},
    NumberCase{u"5.", 5, "no digit after the point"},
    NumberCase{u"1e3", 1000, "exponent continues the number"},
    NumberCase{u"2.5E-2x", 0.025, "negative exponent"},
    NumberCase{u"3e", 3, "an exponent without digits is not part of it"},
    NumberCase{u"3e+", 3, "nor with a bare sign"},
    NumberCase{u"1,5", 1, "comma ends the number"},
    NumberCase{u"1 2", 1, "a blank ends the number"},
    NumberCase{u"1.2.3", 1.2, "a second point ends it"},
    NumberCase{u"abc", 0, "no number"},
    NumberCase{u"", 0, "empty"},
    NumberCase{u"-", 0, "a sign alone"},
    NumberCase{u".", 0, "a point alone"},
    NumberCase{u"\t5", 0, "only spaces are skipped"},
    NumberCase{u"１２", 0, "full-width digits are not digits"},
    NumberCase{u"1e999", 0, "out of range counts as 0"},
    NumberCase{u"00012", 12, "leading zeros"}));

struct SqlCase {
    double value;
    const char *expected;
};

class SqlNumber : public ::testing::TestWithParam<SqlCase> {};

TEST_P(SqlNumber, WritesPlainShortestDecimal)
{
    EXPECT_EQ(sqlNumber(GetParam().value), QString::fromLatin1(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Values, SqlNumber, ::testing::Values(
    SqlCase{12.50, "12.5"}, SqlCase{0.1, "0.1"}, SqlCase{1e3, "1000"}, SqlCase{-0.0, "0"},
    SqlCase{-2.25, "-2.25"}, SqlCase{1e21, "1000000000000000000000"}, SqlCase{1.5e-7, "0.00000015"},
    SqlCase{123456789.125, "123456789.125"}, SqlCase{NAN, "0"}, SqlCase{INFINITY, "0"}));

TEST(SqlText, NumbersFromTextAndQuoting)
{
    EXPECT_EQ(sqlNumber(u""), QStringLiteral("0"));
    EXPECT_EQ(sqlNumber(u"12.50"), QStringLiteral("12.5"));
    EXPECT_EQ(sqlNumber(u"1,000"), QStringLiteral("1"));
    EXPECT_EQ(sqlNumber(u"7 kg"), QStringLiteral("7"));
    EXPECT_EQ(sqlQuote(u"O'Brien"), QStringLiteral("'O''Brien'"));
    EXPECT_EQ(sqlQuote(u"x'; DELETE FROM pdmzeva; --"), QStringLiteral("'x''; DELETE FROM pdmzeva; --'"));
    EXPECT_EQ(sqlQuote(u"''"), QStringLiteral("''''''"));
    EXPECT_EQ(sqlEscape(u"图纸"), QStringLiteral("图纸"));
}

TEST(SizeText, KilobytesInTheSystemsPattern)
{
    const std::pair<qint64, const char *> cases[] = {
        {0, ".K"}, {1, ".K"}, {5, ".K"}, {6, ".01K"}, {512, ".5K"}, {640, ".63K"}, {1024, "1.K"},
        {1536, "1.5K"}, {1034, "1.01K"}, {10240, "10.K"}, {1073741824, "1048576.K"},
        {std::numeric_limits<qint64>::max(), "9007199254740992.K"}, {-512, "-.5K"}, {-1, ".K"},
    };
    for (const auto &[bytes, expected] : cases)
        EXPECT_EQ(sizeText(bytes), QString::fromLatin1(expected)) << bytes;
}

TEST(Trim, OnlySpacesAtBothEnds)
{
    EXPECT_EQ(trimSpaces(u"  a b  "), QStringLiteral("a b"));
    EXPECT_EQ(trimSpaces(u"\ta\n"), QStringLiteral("\ta\n"));
    EXPECT_EQ(trimSpaces(u"\u3000齿轮\u3000"), QStringLiteral("\u3000齿轮\u3000"));
    EXPECT_EQ(trimSpaces(u"    "), QString());
    EXPECT_EQ(trimSpaces(u""), QString());
}

TEST(ContainsChinese, GbkDoubleByteTest)
{
    EXPECT_FALSE(ContainsChinese(u"ABC-123"));
    EXPECT_FALSE(ContainsChinese(u"-"));
    EXPECT_FALSE(ContainsChinese(u""));
    EXPECT_TRUE(ContainsChinese(u"齿"));
    EXPECT_TRUE(ContainsChinese(u"AB齿轮"));
    EXPECT_TRUE(ContainsChinese(u"，")) << "full-width comma is double-byte in GBK";
    EXPECT_TRUE(ContainsChinese(u"Ａ")) << "full-width Latin is double-byte in GBK";
    EXPECT_FALSE(ContainsChinese(u"€")) << "the euro sign is the single byte 0x80";
    EXPECT_FALSE(ContainsChinese(u"😀")) << "outside GBK: becomes '?', not Chinese";
    EXPECT_TRUE(ContainsChinese(u"é")) << "GBK carries the pinyin letters as double bytes";
    EXPECT_FALSE(ContainsChinese(u"한")) << "Hangul is outside GBK";
}

TEST(Gbk, RoundTripAndLoss)
{
    bool lossless = false;
    EXPECT_EQ(toGbk(u"图纸\\a.dwg", &lossless), QByteArray("\xcd\xbc\xd6\xbd\\a.dwg"));
    EXPECT_TRUE(lossless);
    EXPECT_EQ(fromGbk(QByteArray("\xcd\xbc\xd6\xbd")), QStringLiteral("图纸"));
    EXPECT_EQ(toGbk(u"a😀b", &lossless), QByteArray("a?b"));
    EXPECT_FALSE(lossless);
    bool ok = true;
    EXPECT_EQ(fromGbk(QByteArray("a\xff"), &ok), QStringLiteral("a\uFFFD"));
    EXPECT_FALSE(ok);
}

TEST(HostValueText, ColumnsReadAsTheSystemReadsThem)
{
    EXPECT_EQ(HostValue().toText(), QString());
    EXPECT_EQ(HostValue(12.5).toText(), QStringLiteral("12.5"));
    EXPECT_EQ(HostValue(3.0).toText(), QStringLiteral("3"));
    EXPECT_EQ(HostValue(qint64(-7)).toText(), QStringLiteral("-7"));
    EXPECT_EQ(HostValue(QDate(2026, 12, 6)).toText(), QStringLiteral("2026-12-06"));
    EXPECT_EQ(HostValue(QStringLiteral("  12.7x")).toInteger(), 13);
    EXPECT_EQ(HostValue(2.5).toInteger(), 3);
    EXPECT_EQ(HostValue(-2.5).toInteger(), -3);
    EXPECT_EQ(HostValue(QStringLiteral("2026-01-02")).toDate(), QDate(2026, 1, 2));
    EXPECT_TRUE(HostValue::fromVariant(QVariant()).isNull());
    EXPECT_EQ(HostValue::fromVariant(QVariant(QByteArray("\0x", 2))).toBytes(), QByteArray("\0x", 2));
    EXPECT_EQ(HostValue::fromVariant(QVariant(5)).kind(), HostValue::Kind::Integer);
    EXPECT_EQ(HostValue::fromVariant(QVariant(QStringLiteral("t"))), HostValue(QStringLiteral("t")));
}

} // namespace

TEST(HostUnits, TwipsRoundToTheNearestPixelAndColoursAreBgr)
{
    // 15 twips per pixel at 96 dpi, the scale without a screen.
    EXPECT_EQ(zeva::twipsToPixels(0), 0);
    EXPECT_EQ(zeva::twipsToPixels(7), 0);
    EXPECT_EQ(zeva::twipsToPixels(8), 1) << "halves and above round up";
    EXPECT_EQ(zeva::twipsToPixels(13200), 880);
    EXPECT_EQ(zeva::twipsToPixels(-8), -1) << "away from zero";
    EXPECT_EQ(zeva::pixelsToTwips(880), 13200);
    EXPECT_EQ(zeva::hostColor(0x0000FF), QColor(255, 0, 0));
    EXPECT_EQ(zeva::hostColor(0x123456), QColor(0x56, 0x34, 0x12));
    QPalette palette;
    palette.setColor(QPalette::Base, QColor(1, 2, 3));
    EXPECT_EQ(zeva::hostColor(0x80000005, palette), QColor(1, 2, 3)) << "system colour 5 is the window";
}
