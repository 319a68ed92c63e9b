#include "literal_matching.h"
#include "qt_printing.h"

#include <gtest/gtest.h>

using namespace tidewick;

namespace {

QString u16(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), static_cast<qsizetype>(text.size()));
}

struct NormaliseCase {
    std::u16string_view input;
    std::u16string_view expected;
};

class NormaliseTable : public testing::TestWithParam<NormaliseCase> { };

TEST_P(NormaliseTable, KeepsLettersDigitsAndEverythingAboveLatin1)
{
    EXPECT_EQ(NormaliseLinkText(u16(GetParam().input)), u16(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(Cases, NormaliseTable,
    testing::Values(NormaliseCase{u"", u""}, NormaliseCase{u"***", u""}, NormaliseCase{u"* *", u""},
        NormaliseCase{u"a b,c", u"abc"}, NormaliseCase{u"a*b", u"ab"},
        NormaliseCase{u"Hello, World! 123", u"HelloWorld123"}, NormaliseCase{u"café", u"caf"},
        NormaliseCase{u"代\u3000开，发\uFF0C票", u"代\u3000开，发\uFF0C票"},
        NormaliseCase{u"\u00FFx\u0100", u"x\u0100"},
        NormaliseCase{std::u16string_view(u"a\u00A0b\u0000c\u001Fd", 7), u"abcd"},
        NormaliseCase{u"\u8000\u7FFF\uFFFF", u"\u8000\u7FFF\uFFFF"}, NormaliseCase{u"\U0001F600!", u"\U0001F600"},
        NormaliseCase{u"Ａｂｃ１", u"Ａｂｃ１"}));

TEST(RemoveDigits, RemovesOnlyAsciiDigits)
{
    EXPECT_EQ(RemoveDigits(u"a1b22c0"), QStringLiteral("abc"));
    EXPECT_EQ(RemoveDigits(u16(u"代开１２")), u16(u"代开１２"));
}

struct PositionCase {
    std::u16string_view needle;
    std::u16string_view text;
    qint32 expected;
};

class FindLastPositionTable : public testing::TestWithParam<PositionCase> { };

TEST_P(FindLastPositionTable, FindsTheLastOverlappingOccurrence)
{
    EXPECT_EQ(FindLastPosition(u16(GetParam().needle), u16(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, FindLastPositionTable,
    testing::Values(PositionCase{u"aa", u"aaa", 2}, PositionCase{u"ab", u"abab", 3}, PositionCase{u"abcd", u"abc", 0},
        PositionCase{u"", u"abc", 3}, PositionCase{u"", u"", 0}, PositionCase{u"x", u"", 0},
        PositionCase{u"c", u"abc", 3}, PositionCase{u"bc", u"abc", 2}));

struct MatchCase {
    std::u16string_view word;
    std::u16string_view text;
    bool expected;
};

class WordMatchesTable : public testing::TestWithParam<MatchCase> { };

TEST_P(WordMatchesTable, IsCaseInsensitiveOccurrence)
{
    EXPECT_EQ(WordMatches(u16(GetParam().word), u16(GetParam().text)), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, WordMatchesTable,
    testing::Values(MatchCase{u"abc", u"xxABCxx", true}, MatchCase{u"ABC", u"xabcx", true},
        MatchCase{u"a b", u"ab", false}, MatchCase{u"x", u"", false}, MatchCase{u"", u"", false},
        MatchCase{u"", u"anything", false}, MatchCase{u"ſ", u"s", true}, MatchCase{u"ς", u"Σ", true},
        MatchCase{u"ß", u"SS", false}, MatchCase{u"代开", u"代 开", false}));

} // namespace
