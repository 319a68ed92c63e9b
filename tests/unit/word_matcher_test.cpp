#include "literal_matching.h"
#include "qt_printing.h"
#include "word_matcher.h"

#include <gtest/gtest.h>

#include <random>

using namespace tidewick;

namespace {

// Characters whose case mapping or width is unusual, next to plain ones.
const std::u16string kPool = u"abAB01 ,.*代开发票ＡａＢ１\u00DF\u017F\u0131\uFB00\u212A\u03C2\u03A3\u03C3sSkKiI"
                             u"\u00E9\u00C9\u0100\u0101\U00010428\U00010400\U0001F600\u3000";

QString randomText(std::mt19937 &random, int maxLength)
{
    QString text;
    const int length = static_cast<int>(random() % (maxLength + 1));
    for (int i = 0; i < length; ++i)
        text.append(QChar(kPool[random() % kPool.size()]));
    return text;
}

TEST(WordMatcher, AgreesWithTheLiteralTestOnRandomListsAndTexts)
{
    std::mt19937 random(1208);
    int matched = 0;
    for (int list = 0; list < 1500; ++list) {
        QStringList words;
        const int count = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i)
            words.append(randomText(random, 3));
        const WordMatcher matcher(words);
        for (int t = 0; t < 12; ++t) {
            const QString text = randomText(random, 30);
            const bool expected = literalMatchingWord(words, text) >= 0;
            matched += expected;
            ASSERT_EQ(matcher.linkMatches(text), expected)
                << "words " << words.join(u'|').toStdString() << " text " << text.toStdString();
        }
    }
    // The cases must exercise both outcomes to mean anything.
    EXPECT_GT(matched, 2000);
    EXPECT_LT(matched, 16000);
}

struct LinkCase {
    QStringList words;
    QString text;
    bool expected;
};

class LinkMatchTable : public testing::TestWithParam<LinkCase> { };

TEST_P(LinkMatchTable, TriesTheNormalisedTextThenItsDigitFreeForm)
{
    EXPECT_EQ(WordMatcher(GetParam().words).linkMatches(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkMatchTable,
    testing::Values(LinkCase{{QStringLiteral("abcd")}, QStringLiteral("ab12cd"), true},
        LinkCase{{QStringLiteral("b1")}, QStringLiteral("ab12cd"), true},
        LinkCase{{QStringLiteral("b1")}, QStringLiteral("abcd"), false},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("低价 代-开 发票"), true},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("代\u3000开"), false},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("代2开"), true},
        LinkCase{{QStringLiteral("a b")}, QStringLiteral("a b"), false},
        LinkCase{{QString()}, QStringLiteral("anything"), false}, LinkCase{{}, QStringLiteral("x"), false},
        LinkCase{{QStringLiteral("SPAM")}, QStringLiteral("s.p.a.m"), true},
        LinkCase{{QStringLiteral("abc"), QStringLiteral("bcd")}, QStringLiteral("xbcdx"), true},
        LinkCase{{QStringLiteral("abcde"), QStringLiteral("cd")}, QStringLiteral("abcdf"), true},
        LinkCase{{QStringLiteral("abcde")}, QStringLiteral("abcdf"), false}));

TEST(WordMatcher, HandlesAMegabyteLinkText)
{
    QString text(1 << 20, QChar(u'代'));
    const WordMatcher matcher({QStringLiteral("代开"), QStringLiteral("代代代代代代代代x")});
    EXPECT_FALSE(matcher.linkMatches(text));
    text.append(u'开');
    EXPECT_TRUE(matcher.linkMatches(text));
}

} // namespace
