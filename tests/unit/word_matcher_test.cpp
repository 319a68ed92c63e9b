#include "literal_matching.h"
#include "qt_printing.h"
#include "word_matcher.h"

#include <gtest/gtest.h>

#include <random>

using namespace tidewick;

namespace {

// Characters whose case mapping or width is unusual, next to plain ones.
const std::u16string kPool = u"abAB01 ,.*代开发票開發ＡａＢ１\u00DF\u017F\u0131\uFB00\u212A\u03C2\u03A3\u03C3sSkKiI"
                             u"\u00E9\u00C9\u0100\u0101\U00010428\U00010400\U0001F600\u3000\u200B\u0430\u0336";

QString randomText(std::mt19937 &random, int maxLength)
{
    QString text;
    const int length = static_cast<int>(random() % (maxLength + 1));
    for (int i = 0; i < length; ++i)
        text.append(QChar(kPool[random() % kPool.size()]));
    return text;
}

// With plain words, with exceptions among them, and with loose entries besides, the matcher
// names the same entry as the literal procedure.
TEST(WordMatcher, NamesTheSameWordAsTheLiteralProcedureOnRandomListsAndTexts)
{
    std::mt19937 random(1208);
    int matched = 0;
    int rescued = 0;
    int loose = 0;
    for (int list = 0; list < 3000; ++list) {
        const bool withExceptions = list % 3 != 0;
        const bool withLoose = list % 3 == 2;
        QStringList entries;
        const int count = 1 + static_cast<int>(random() % 6);
        for (int i = 0; i < count; ++i) {
            const QString word = randomText(random, 3);
            entries.append(withLoose && random() % 2 == 0 ? QStringLiteral("~") + word : word);
            // An exception mostly holds a word of the list, with a little around it.
            if (withExceptions && random() % 2 == 0)
                entries.append(QStringLiteral("!") + randomText(random, 1) + word + randomText(random, 1));
        }
        const WordMatcher matcher(entries);
        QStringList words;
        for (const QString &entry : entries)
            words.append(entry.startsWith(u'!') ? QString() : entry);
        for (int t = 0; t < 12; ++t) {
            const QString text = randomText(random, 30);
            const int expected = literalMatchingWord(entries, text);
            matched += expected >= 0;
            loose += expected >= 0 && entries[expected].startsWith(u'~');
            rescued += withExceptions && expected < 0 && literalMatchingWord(words, text) >= 0;
            ASSERT_EQ(matcher.matchingWord(text), expected)
                << "entries " << entries.join(u'|').toStdString() << " text " << text.toStdString();
        }
    }
    // The cases must exercise every outcome to mean anything.
    EXPECT_GT(matched, 4000);
    EXPECT_LT(matched, 32000);
    EXPECT_GT(rescued, 100);
    EXPECT_GT(loose, 1000);
}

struct LinkCase {
    QStringList words;
    QString text;
    int expected;
};

class LinkMatchTable : public testing::TestWithParam<LinkCase> { };

TEST_P(LinkMatchTable, NamesTheFirstWordInTheNormalisedTextThenInItsDigitFreeForm)
{
    EXPECT_EQ(WordMatcher(GetParam().words).matchingWord(GetParam().text), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Cases, LinkMatchTable,
    testing::Values(LinkCase{{QStringLiteral("abcd")}, QStringLiteral("ab12cd"), 0},
        LinkCase{{QStringLiteral("b1")}, QStringLiteral("ab12cd"), 0},
        LinkCase{{QStringLiteral("b1")}, QStringLiteral("abcd"), -1},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("低价 代-开 发票"), 0},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("代\u3000开"), -1},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("代2开"), 0},
        LinkCase{{QStringLiteral("a b")}, QStringLiteral("a b"), -1},
        LinkCase{{QString()}, QStringLiteral("anything"), -1}, LinkCase{{}, QStringLiteral("x"), -1},
        LinkCase{{QStringLiteral("SPAM")}, QStringLiteral("s.p.a.m"), 0},
        LinkCase{{QStringLiteral("abc"), QStringLiteral("bcd")}, QStringLiteral("xbcdx"), 1},
        LinkCase{{QStringLiteral("abcde"), QStringLiteral("cd")}, QStringLiteral("abcdf"), 1},
        LinkCase{{QStringLiteral("abcde")}, QStringLiteral("abcdf"), -1},
        // The first word in list order, not the first occurrence; pass 1 over all words first.
        LinkCase{{QStringLiteral("z"), QStringLiteral("a"), QStringLiteral("c")}, QStringLiteral("abc"), 1},
        LinkCase{{QStringLiteral("ac"), QStringLiteral("b"), QStringLiteral("bc")}, QStringLiteral("a1c b"), 1},
        LinkCase{{QStringLiteral("!"), QStringLiteral("x")}, QStringLiteral("x"), 1},
        // What the first pass keeps: ASCII letters and digits and everything above U+00FF, as it is.
        LinkCase{{QStringLiteral("abc")}, QStringLiteral("a b,c"), 0},
        LinkCase{{QStringLiteral("caf")}, QStringLiteral("café"), 0},
        LinkCase{{QStringLiteral("café")}, QStringLiteral("café"), -1},
        LinkCase{{QStringLiteral("x\u0100")}, QStringLiteral("\u00FFx\u0100"), 0},
        LinkCase{{QStringLiteral("abcd")}, QStringLiteral("a\u00A0b\u0001c\u001Fd"), 0},
        LinkCase{{QStringLiteral("代\u3000开")}, QStringLiteral("代\u3000开"), 0},
        LinkCase{{QStringLiteral("\U0001F600")}, QStringLiteral("\U0001F600!"), 0},
        LinkCase{{QStringLiteral("abc1")}, QStringLiteral("Ａｂｃ１"), -1},
        LinkCase{{QStringLiteral("代开")}, QStringLiteral("代１开"), -1},
        // Letter case is blind, by the simple mappings of each character.
        LinkCase{{QStringLiteral("abc")}, QStringLiteral("xxABCxx"), 0},
        LinkCase{{QStringLiteral("\u017F")}, QStringLiteral("s"), 0},
        LinkCase{{QStringLiteral("\u03C2")}, QStringLiteral("\u03A3"), 0},
        LinkCase{{QStringLiteral("\u00DF")}, QStringLiteral("SS"), -1},
        // Exceptions.
        LinkCase{{QStringLiteral("代开"), QStringLiteral("!代开发")}, QStringLiteral("招聘代开发工程师"), -1},
        LinkCase{{QStringLiteral("代开"), QStringLiteral("!代开发")}, QStringLiteral("代开发票，代开"), 0},
        LinkCase{{QStringLiteral("!代开发"), QStringLiteral("代开")}, QStringLiteral("代 开 发"), -1},
        LinkCase{{QStringLiteral("开发"), QStringLiteral("!代开发")}, QStringLiteral("代开发"), -1},
        LinkCase{{QStringLiteral("代开"), QStringLiteral("!代开")}, QStringLiteral("代开"), -1},
        LinkCase{
            {QStringLiteral("!代开"), QStringLiteral("!开发"), QStringLiteral("代开发")}, QStringLiteral("代开发"), 2},
        LinkCase{{QStringLiteral("aa"), QStringLiteral("!aab")}, QStringLiteral("aaab"), 0},
        LinkCase{{QStringLiteral("aa"), QStringLiteral("!aab")}, QStringLiteral("aab"), -1},
        LinkCase{{QStringLiteral("ab"), QStringLiteral("!xab")}, QStringLiteral("xa1b"), -1},
        // Second pass: exceptions without their digits too.
        LinkCase{{QStringLiteral("ab"), QStringLiteral("!a1b")}, QStringLiteral("a1b"), -1},
        LinkCase{{QStringLiteral("ab"), QStringLiteral("!ab2")}, QStringLiteral("a1b2"), -1},
        LinkCase{{QStringLiteral("代开"), QStringLiteral("!代开3号")}, QStringLiteral("代开3号"), -1},
        LinkCase{{QStringLiteral("代开"), QStringLiteral("!代开3号")}, QStringLiteral("代开 发票"), 0},
        LinkCase{{QStringLiteral("代开"), QStringLiteral("!代开3号")}, QStringLiteral("代1开"), 0},
        // Loose entries see through disguises; plain ones keep their matching.
        LinkCase{{QStringLiteral("~代开")}, QStringLiteral("代\u3000开"), 0},
        LinkCase{{QStringLiteral("~代开")}, QStringLiteral("代，开"), 0},
        LinkCase{{QStringLiteral("~代开")}, QStringLiteral("代\u200B开"), 0},
        LinkCase{{QStringLiteral("~代开")}, QStringLiteral("代🔥开"), 0},
        LinkCase{{QStringLiteral("~代开")}, QStringLiteral("代開"), 0},
        LinkCase{{QStringLiteral("~代開")}, QStringLiteral("代开"), 0},
        LinkCase{{QStringLiteral("~spam")}, QStringLiteral("ｓｐａｍ"), 0},
        LinkCase{{QStringLiteral("~spam")}, QStringLiteral("s\u0440am"), 0},
        LinkCase{{QStringLiteral("~代开")}, QStringLiteral("代理开发工具"), -1},
        LinkCase{{QStringLiteral("~spam")}, QStringLiteral("спам"), -1},
        LinkCase{{QStringLiteral("刷单")}, QStringLiteral("刷\u3000单"), -1},
        LinkCase{{QStringLiteral("刷单")}, QStringLiteral("刷-单"), 0},
        LinkCase{{QStringLiteral("~")}, QStringLiteral("anything"), -1},
        LinkCase{{QStringLiteral("~!?")}, QStringLiteral("!?"), -1},
        LinkCase{{QStringLiteral("x"), QStringLiteral("~代开")}, QStringLiteral("代 開 x"), 0},
        LinkCase{{QStringLiteral("~代开"), QStringLiteral("x")}, QStringLiteral("代 開 x"), 0},
        LinkCase{{QStringLiteral("~ab"), QStringLiteral("cd")}, QStringLiteral("a1b cd"), 1},
        LinkCase{{QStringLiteral("~ab")}, QStringLiteral("a１b"), 0},
        // Exceptions meet loose entries in their folded form.
        LinkCase{{QStringLiteral("~代开"), QStringLiteral("!代开发")}, QStringLiteral("代 開 發"), -1},
        LinkCase{{QStringLiteral("~代开"), QStringLiteral("!~代開發")}, QStringLiteral("代开发，代　开"), 0},
        LinkCase{{QStringLiteral("~代开"), QStringLiteral("!代开3号")}, QStringLiteral("代開３號"), -1}));

// Entries that no link text can ever hold are named, with the reason; the rest are not.
TEST(WordMatcher, NamesTheEntriesThatCanNeverMatch)
{
    const struct {
        QString entry;
        QString mentions; // empty: the entry can match
    } cases[] = {{QStringLiteral("代开"), QString()}, {QStringLiteral("spam1"), QString()},
        {QStringLiteral("ｓｐａｍ"), QString()}, {QStringLiteral("代\u3000开"), QString()},
        {QStringLiteral("代 开"), QStringLiteral("空格")}, {QStringLiteral("café"), QStringLiteral("“é”")},
        {QStringLiteral("代-开"), QStringLiteral("“-”")}, {QStringLiteral("!代开 3号"), QStringLiteral("空格")},
        {QStringLiteral("!代开发"), QString()}, {QString(), QStringLiteral("空的")},
        {QStringLiteral("~代 开"), QString()}, {QStringLiteral("~!?　"), QStringLiteral("宽松")},
        {QStringLiteral("!~代 开发"), QString()}, {QStringLiteral("~"), QStringLiteral("宽松")}};
    for (const auto &c : cases) {
        const QString why = whyNeverMatches(c.entry);
        EXPECT_EQ(why.isEmpty(), c.mentions.isEmpty()) << c.entry.toStdString() << ": " << why.toStdString();
        EXPECT_TRUE(why.contains(c.mentions)) << why.toStdString();
        if (c.mentions.isEmpty()) {
            const QString word = c.entry.startsWith(u'!') ? c.entry.mid(1) : c.entry;
            EXPECT_NE(WordMatcher({word}).matchingWord(c.entry), -1) << "it matches its own text";
        }
    }
}

TEST(WordMatcher, HandlesAMegabyteLinkText)
{
    QString text(1 << 20, QChar(u'代'));
    const WordMatcher matcher({QStringLiteral("代开"), QStringLiteral("代代代代代代代代x")});
    EXPECT_EQ(matcher.matchingWord(text), WordMatcher::kNoMatch);
    text.append(u'开');
    EXPECT_EQ(matcher.matchingWord(text), 0);
}

} // namespace
