// The batch's text: escapes that round-trip every control character, and lines and
// arguments split as the grammar says.
#include "batchsyntax.h"
#include "fieldescape.h"

#include <QBuffer>

#include <gtest/gtest.h>

#include <optional>

using namespace zeva::host;

namespace {

// The whole literal, NUL characters included.
template <std::size_t N>
QString text(const char (&literal)[N])
{
    return QString::fromUtf8(literal, N - 1);
}


} // namespace

TEST(BatchSyntax, EscapesRoundTripAndLeaveOtherBackslashesAlone)
{
    const struct {
        QString plain;
        const char *escaped;
    } cases[] = {
        {text("a\\b\tc\nd\re"), "a\\\\b\\tc\\nd\\re"},
        {text("\0x\x1b[1m\x7f"), "\\x00x\\x1b[1m\\x7f"},
        {text("齿轮 Φ40 \"q\""), "齿轮 Φ40 \"q\""},
        {text("C:\\dwg\\x1b"), "C:\\\\dwg\\\\x1b"},
    };
    for (const auto &c : cases) {
        EXPECT_EQ(escapeField(c.plain), QString::fromUtf8(c.escaped));
        EXPECT_EQ(unescapeField(QString::fromUtf8(c.escaped)), c.plain) << c.escaped;
    }
    QString ascii;
    for (char16_t u = 0; u < 0x80; ++u)
        ascii += QChar(u);
    const QString escaped = escapeField(ascii);
    EXPECT_EQ(unescapeField(escaped), ascii);
    EXPECT_FALSE(std::any_of(escaped.cbegin(), escaped.cend(), [](QChar c) { return c < u' ' || c == u'\x7f'; }));
    // Not escapes: "\x" of a printable character, a short "\x", others, a last lone "\".
    EXPECT_EQ(unescapeField(text("\\x41\\x7F\\x1 C:\\dwg\\a.dwg\\")), text("\\x41\x7f\\x1 C:\\dwg\\a.dwg\\"));
}

TEST(BatchSyntax, LinesEndAtLineFeedsAndOnlyTheirOwnCarriageReturn)
{
    const struct {
        QByteArray script;
        QStringList lines;
    } cases[] = {
        {"refresh\nselect k01\r\ndump tree", {"refresh", "select k01", "dump tree"}},
        {QByteArrayLiteral("set kvT(2) a\0b\x1b\x7f\rc\r\r\n"), {text("set kvT(2) a\0b\x1b\x7f\rc\r")}},
        {"\n\r\nlast\r", {"", "", "last\r"}},
    };
    for (const auto &c : cases) {
        QBuffer buffer;
        buffer.setData(c.script);
        ASSERT_TRUE(buffer.open(QIODevice::ReadOnly));
        QStringList lines;
        for (QString line; readScriptLine(buffer, line);)
            lines << line;
        EXPECT_EQ(lines, c.lines) << c.script.toStdString();
    }
}

TEST(BatchSyntax, ArgumentsSplitOnBlanksQuotesAndTheRestOfTheLine)
{
    const struct {
        const char *text;
        ArgumentShape shape;
        std::optional<QStringList> arguments;   // nullopt: refused
    } cases[] = {
        {"  chk(1)   1 ", {2, false}, QStringList{"chk(1)", "1"}},
        {"kvT(3)  a\\tb\\\\c ", {1, true}, QStringList{"kvT(3)", text(" a\tb\\c ")}},
        {"kvT(3)", {1, true}, QStringList{"kvT(3)", ""}},
        {"wAB 12", {0, true}, QStringList{"wAB 12"}},
        {"\"/tmp/my \\\"shots\\\"/a b.png\"", {1, false}, QStringList{"/tmp/my \"shots\"/a b.png"}},
        {"\"C:\\\\dwg\\\\\" x\\x00y a\"b", {3, false}, QStringList{"C:\\dwg\\", text("x\0y"), "a\"b"}},
        {"\"\" text", {1, true}, QStringList{"", "text"}},
        {"1", {2, false}, std::nullopt},
        {"1 2 3", {2, false}, std::nullopt},
        {"\"open ended", {1, true}, std::nullopt},
        {"\"a\"b", {1, false}, std::nullopt},
    };
    for (const auto &c : cases) {
        QStringList arguments;
        QString why;
        const bool ok = splitArguments(QString::fromUtf8(c.text), c.shape, arguments, &why);
        EXPECT_EQ(ok, c.arguments.has_value()) << c.text;
        if (ok && c.arguments) {
            EXPECT_EQ(arguments, *c.arguments) << c.text;
        } else if (!ok) {
            EXPECT_FALSE(why.isEmpty()) << c.text;
        }
    }
}
