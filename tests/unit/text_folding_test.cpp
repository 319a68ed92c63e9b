#include "literal_matching.h"
#include "qt_printing.h"
#include "recent_texts.h"
#include "text_folding.h"

#include <gtest/gtest.h>

#include <random>

using namespace Qt::StringLiterals;
using namespace tidewick;

namespace {

QString u16(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar *>(text.data()), static_cast<qsizetype>(text.size()));
}

struct FoldCase {
    std::u16string_view text;
    std::u16string_view folded;
};

class FoldTable : public testing::TestWithParam<FoldCase> { };

TEST_P(FoldTable, FoldsDisguisesOntoTheWordAndLeavesOtherTextItsOwn)
{
    const QString text = u16(GetParam().text);
    EXPECT_EQ(foldText(text), u16(GetParam().folded));
    EXPECT_EQ(referenceFold(text), u16(GetParam().folded));
}

// Disguises seen in spam titles, each separator class and look-alike, then text that must keep
// its own letters.
INSTANTIATE_TEST_SUITE_P(Disguises, FoldTable,
    testing::Values(FoldCase{u"代　开", u"代开"}, FoldCase{u"代，开。", u"代开"}, FoldCase{u"代-开_!", u"代开"},
        FoldCase{u"代\u00A0开\u2003", u"代开"}, FoldCase{u"代\u200B开\u200D\uFEFF", u"代开"},
        FoldCase{u"代\u2060开\u00AD", u"代开"}, FoldCase{u"代\u3164开", u"代开"}, FoldCase{u"代\t\n开", u"代开"},
        FoldCase{u"【代】《开》", u"代开"}, FoldCase{u"代🔥开", u"代开"}, FoldCase{u"代👍🏽开", u"代开"},
        FoldCase{u"代👨‍👩‍👧开", u"代开"}, FoldCase{u"代★♥开", u"代开"},
        FoldCase{u"代開發票", u"代开发票"}, FoldCase{u"賭博網站", u"赌博网站"}, FoldCase{u"䂎䂎䂎", u"𥎝𥎝𥎝"},
        FoldCase{u"𩀨", u"𫕚"}, FoldCase{u"ｓｐａｍ", u"spam"}, FoldCase{u"ＳＰＡＭ１２３", u"spam123"},
        FoldCase{u"SpAm", u"spam"}, FoldCase{u"s\u0440am", u"spam"}, FoldCase{u"\u0455\u0440\u0430m", u"spam"},
        FoldCase{u"s\u03C1am", u"spam"}, FoldCase{u"\u0491e\u0491", u"rer"}, FoldCase{u"\u0421\u0420\u0410M", u"cpam"},
        FoldCase{u"𝐬𝐩𝐚𝐦", u"spam"}, FoldCase{u"𝓈𝓅𝒶𝓂", u"spam"}, FoldCase{u"ⓢⓟⓐⓜ", u"spam"},
        FoldCase{u"s\u0336p\u0336a\u0336m\u0336", u"spam"}, FoldCase{u"s\u0335p\u0338am", u"spam"},
        FoldCase{u"ﬀ", u"ff"}, FoldCase{u"㍿", u"株式会社"},
        FoldCase{
            u"\uFDFA", u"\u0635\u0644\u0649\u0627\u0644\u0644\u0647\u0639\u0644\u064A\u0647\u0648\u0633\u0644\u0645"},
        FoldCase{u"Straße", u"strasse"}, FoldCase{u"\u212Aey", u"key"}));

INSTANTIATE_TEST_SUITE_P(OwnText, FoldTable,
    testing::Values(FoldCase{u"", u""}, FoldCase{u"！？。", u""}, FoldCase{u"代理开发工具", u"代理开发工具"},
        FoldCase{u"спам", u"cпaм"}, FoldCase{u"Привет", u"пpивeт"}, FoldCase{u"λόγος", u"λoyoo"},
        FoldCase{u"café", u"café"}, FoldCase{u"ダイカイ", u"ダイカイ"}, FoldCase{u"대개", u"대개"},
        FoldCase{u"后面", u"后面"}, FoldCase{u"乾隆", u"干隆"}, FoldCase{u"\U00020000", u"\U00020000"},
        FoldCase{u"٣٤", u"٣٤"}));

// The table-driven folding agrees with the step-by-step one on random mixtures, lone surrogate
// halves and characters that normalise together with the one before them (a combining accent,
// Hangul jamo) included.
TEST(FoldText, AgreesWithTheStepByStepFoldingOnRandomTexts)
{
    const std::u16string pool = u"aZ09 .,代開发發ｓＡ１\u3000\uFF0C\u200B\u0440\u0430\u03C1\u0336\u00E9\u00DF\u212A"
                                u"\U0001F525\U0001F3FD\u200D\U0001D41Ce\u3164\u0301\u1100\u1161\uAC00\u11A8";
    std::mt19937 random(20261209);
    for (int round = 0; round < 2000; ++round) {
        QString text;
        const int length = static_cast<int>(random() % 16);
        for (int i = 0; i < length; ++i)
            text.append(QChar(pool[random() % pool.size()]));
        ASSERT_EQ(foldText(text), referenceFold(text))
            << QByteArray(reinterpret_cast<const char *>(text.utf16()), text.size() * 2).toHex().toStdString();
    }
}

TEST(RecentTexts, StaysBoundedAndKeepsGivingTheSameAnswer)
{
    RecentTexts<QString> recent;
    int computed = 0;
    const auto fold = [&computed](const QString &text) {
        ++computed;
        return foldText(text);
    };
    for (int i = 0; i < 3 * RecentTexts<QString>::kHalfCapacity; ++i)
        ASSERT_EQ(recent.get(u"代開 %1"_s.arg(i), fold), u"代开%1"_s.arg(i));
    EXPECT_EQ(recent.get(u"代開 0"_s, fold), u"代开0"_s);
    const int lastSeen = 3 * RecentTexts<QString>::kHalfCapacity - 1;
    EXPECT_EQ(recent.get(u"代開 %1"_s.arg(lastSeen), fold), u"代开%1"_s.arg(lastSeen));
    EXPECT_EQ(computed, 3 * RecentTexts<QString>::kHalfCapacity + 1);
    const QString huge(1 << 20, u'開');
    EXPECT_EQ(recent.get(huge, fold), QString(1 << 20, u'开'));
}

} // namespace
