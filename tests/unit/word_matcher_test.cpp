#include "literal_matching.h"
#include "qt_printing.h"
#include "word_matcher.h"

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
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
            entries.append(withLoose && random() % 2 == 0 ? u"~"_s + word : word);
            // An exception mostly holds a word of the list, with a little around it.
            if (withExceptions && random() % 2 == 0)
                entries.append(u"!"_s + randomText(random, 1) + word + randomText(random, 1));
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
    testing::Values(LinkCase{{u"abcd"_s}, u"ab12cd"_s, 0}, LinkCase{{u"b1"_s}, u"ab12cd"_s, 0},
        LinkCase{{u"b1"_s}, u"abcd"_s, -1}, LinkCase{{u"代开"_s}, u"低价 代-开 发票"_s, 0},
        LinkCase{{u"代开"_s}, u"代\u3000开"_s, -1}, LinkCase{{u"代开"_s}, u"代2开"_s, 0},
        LinkCase{{u"a b"_s}, u"a b"_s, -1}, LinkCase{{QString()}, u"anything"_s, -1}, LinkCase{{}, u"x"_s, -1},
        LinkCase{{u"SPAM"_s}, u"s.p.a.m"_s, 0}, LinkCase{{u"abc"_s, u"bcd"_s}, u"xbcdx"_s, 1},
        LinkCase{{u"abcde"_s, u"cd"_s}, u"abcdf"_s, 1}, LinkCase{{u"abcde"_s}, u"abcdf"_s, -1},
        // The first word in list order, not the first occurrence; pass 1 over all words first.
        LinkCase{{u"z"_s, u"a"_s, u"c"_s}, u"abc"_s, 1}, LinkCase{{u"ac"_s, u"b"_s, u"bc"_s}, u"a1c b"_s, 1},
        LinkCase{{u"!"_s, u"x"_s}, u"x"_s, 1},
        // What the first pass keeps: ASCII letters and digits and everything above U+00FF, as it is.
        LinkCase{{u"abc"_s}, u"a b,c"_s, 0}, LinkCase{{u"caf"_s}, u"café"_s, 0}, LinkCase{{u"café"_s}, u"café"_s, -1},
        LinkCase{{u"x\u0100"_s}, u"\u00FFx\u0100"_s, 0}, LinkCase{{u"abcd"_s}, u"a\u00A0b\u0001c\u001Fd"_s, 0},
        LinkCase{{u"代\u3000开"_s}, u"代\u3000开"_s, 0}, LinkCase{{u"\U0001F600"_s}, u"\U0001F600!"_s, 0},
        LinkCase{{u"abc1"_s}, u"Ａｂｃ１"_s, -1}, LinkCase{{u"代开"_s}, u"代１开"_s, -1},
        // Letter case is blind, by the simple mappings of each character.
        LinkCase{{u"abc"_s}, u"xxABCxx"_s, 0}, LinkCase{{u"\u017F"_s}, u"s"_s, 0},
        LinkCase{{u"\u03C2"_s}, u"\u03A3"_s, 0}, LinkCase{{u"\u00DF"_s}, u"SS"_s, -1},
        // Exceptions.
        LinkCase{{u"代开"_s, u"!代开发"_s}, u"招聘代开发工程师"_s, -1},
        LinkCase{{u"代开"_s, u"!代开发"_s}, u"代开发票，代开"_s, 0},
        LinkCase{{u"!代开发"_s, u"代开"_s}, u"代 开 发"_s, -1}, LinkCase{{u"开发"_s, u"!代开发"_s}, u"代开发"_s, -1},
        LinkCase{{u"代开"_s, u"!代开"_s}, u"代开"_s, -1},
        LinkCase{{u"!代开"_s, u"!开发"_s, u"代开发"_s}, u"代开发"_s, 2}, LinkCase{{u"aa"_s, u"!aab"_s}, u"aaab"_s, 0},
        LinkCase{{u"aa"_s, u"!aab"_s}, u"aab"_s, -1}, LinkCase{{u"ab"_s, u"!xab"_s}, u"xa1b"_s, -1},
        // Second pass: exceptions without their digits too.
        LinkCase{{u"ab"_s, u"!a1b"_s}, u"a1b"_s, -1}, LinkCase{{u"ab"_s, u"!ab2"_s}, u"a1b2"_s, -1},
        LinkCase{{u"代开"_s, u"!代开3号"_s}, u"代开3号"_s, -1}, LinkCase{{u"代开"_s, u"!代开3号"_s}, u"代开 发票"_s, 0},
        LinkCase{{u"代开"_s, u"!代开3号"_s}, u"代1开"_s, 0},
        // Loose entries see through disguises; plain ones keep their matching.
        LinkCase{{u"~代开"_s}, u"代\u3000开"_s, 0}, LinkCase{{u"~代开"_s}, u"代，开"_s, 0},
        LinkCase{{u"~代开"_s}, u"代\u200B开"_s, 0}, LinkCase{{u"~代开"_s}, u"代🔥开"_s, 0},
        LinkCase{{u"~代开"_s}, u"代開"_s, 0}, LinkCase{{u"~代開"_s}, u"代开"_s, 0},
        LinkCase{{u"~spam"_s}, u"ｓｐａｍ"_s, 0}, LinkCase{{u"~spam"_s}, u"s\u0440am"_s, 0},
        LinkCase{{u"~代开"_s}, u"代理开发工具"_s, -1}, LinkCase{{u"~spam"_s}, u"спам"_s, -1},
        LinkCase{{u"刷单"_s}, u"刷\u3000单"_s, -1}, LinkCase{{u"刷单"_s}, u"刷-单"_s, 0},
        LinkCase{{u"~"_s}, u"anything"_s, -1}, LinkCase{{u"~!?"_s}, u"!?"_s, -1},
        LinkCase{{u"x"_s, u"~代开"_s}, u"代 開 x"_s, 0}, LinkCase{{u"~代开"_s, u"x"_s}, u"代 開 x"_s, 0},
        LinkCase{{u"~ab"_s, u"cd"_s}, u"a1b cd"_s, 1}, LinkCase{{u"~ab"_s}, u"a１b"_s, 0},
        // Exceptions meet loose entries in their folded form.
        LinkCase{{u"~代开"_s, u"!代开发"_s}, u"代 開 發"_s, -1},
        LinkCase{{u"~代开"_s, u"!~代開發"_s}, u"代开发，代　开"_s, 0},
        LinkCase{{u"~代开"_s, u"!代开3号"_s}, u"代開３號"_s, -1}));

// Entries that no link text can ever hold are named, with the reason; the rest are not.
TEST(WordMatcher, NamesTheEntriesThatCanNeverMatch)
{
    const struct {
        QString entry;
        QString mentions; // empty: the entry can match
    } cases[] = {{u"代开"_s, QString()}, {u"spam1"_s, QString()}, {u"ｓｐａｍ"_s, QString()},
        {u"代\u3000开"_s, QString()}, {u"代 开"_s, u"空格"_s}, {u"café"_s, u"“é”"_s}, {u"代-开"_s, u"“-”"_s},
        {u"!代开 3号"_s, u"空格"_s}, {u"!代开发"_s, QString()}, {QString(), u"空的"_s}, {u"~代 开"_s, QString()},
        {u"~!?　"_s, u"宽松"_s}, {u"!~代 开发"_s, QString()}, {u"~"_s, u"宽松"_s}};
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
    const WordMatcher matcher({u"代开"_s, u"代代代代代代代代x"_s});
    EXPECT_EQ(matcher.matchingWord(text), WordMatcher::kNoMatch);
    text.append(u'开');
    EXPECT_EQ(matcher.matchingWord(text), 0);
}

} // namespace
