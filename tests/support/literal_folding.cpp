// The folding of loose entries done step by step as documented, one character at a time and with
// Qt's own normalisation and categories, as the reference for the table-driven folding.
#include "literal_matching.h"

#include <opencc/DictEntry.hpp>
#include <opencc/MarisaDict.hpp>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/uspoof.h>

#include <cstdio>

namespace tidewick {

namespace {

QString withoutDefaultIgnorables(const QString &text)
{
    QString kept;
    for (const char32_t c : text.toUcs4()) {
        if (!u_hasBinaryProperty(static_cast<UChar32>(c), UCHAR_DEFAULT_IGNORABLE_CODE_POINT))
            kept.append(QChar::fromUcs4(c));
    }
    return kept;
}

QString simplified(char32_t c)
{
    static const opencc::MarisaDictPtr table = [] {
        FILE *file = std::fopen(TIDEWICK_OPENCC_DATA "/TSCharacters.ocd2", "rb");
        opencc::MarisaDictPtr dict = opencc::MarisaDict::NewFromFile(file);
        std::fclose(file);
        return dict;
    }();
    const QByteArray utf8 = QString::fromUcs4(&c, 1).toUtf8();
    const auto entry = table->Match(utf8.constData(), static_cast<size_t>(utf8.size()));
    return entry.IsNull() ? QString() : QString::fromStdString(entry.Get()->GetDefault());
}

QString latinLetters(char32_t c)
{
    UErrorCode status = U_ZERO_ERROR;
    const UScriptCode script = uscript_getScript(static_cast<UChar32>(c), &status);
    if ((script != USCRIPT_GREEK && script != USCRIPT_CYRILLIC) || !QChar::isLetter(c))
        return {};
    USpoofChecker *checker = uspoof_open(&status);
    icu::UnicodeString skeleton;
    uspoof_getSkeletonUnicodeString(checker, 0, icu::UnicodeString(static_cast<UChar32>(c)), skeleton, &status);
    uspoof_close(checker);
    std::string utf8;
    const QString bare = QString::fromStdString(skeleton.toUTF8String(utf8)).normalized(QString::NormalizationForm_D);
    QString latin;
    for (const char32_t part : bare.toUcs4()) {
        if (!QChar::isLetterOrNumber(part))
            continue; // marks, and signs such as the apostrophe of r', which folding drops anyway
        const QString small = QString::fromUcs4(&part, 1).toLower();
        if (small.size() != 1 || small[0] < u'a' || small[0] > u'z')
            return {};
        latin.append(small);
    }
    return latin;
}

} // namespace

QString referenceFold(const QString &text)
{
    const QString compatible = text.normalized(QString::NormalizationForm_KC);
    icu::UnicodeString folding(
        reinterpret_cast<const UChar *>(compatible.utf16()), static_cast<int32_t>(compatible.size()));
    folding.foldCase(U_FOLD_CASE_DEFAULT);
    const QString caseFolded(reinterpret_cast<const QChar *>(folding.getBuffer()), folding.length());
    // Ignorables go before composing again: a joiner between two Hangul jamo keeps them apart
    // only until it is dropped.
    const QString small = withoutDefaultIgnorables(caseFolded).normalized(QString::NormalizationForm_KC);
    QString folded;
    for (const char32_t c : small.toUcs4()) {
        if (const QString simple = simplified(c); !simple.isEmpty())
            folded.append(simple);
        else if (const QString latin = latinLetters(c); !latin.isEmpty())
            folded.append(latin);
        else if (QChar::isLetterOrNumber(c))
            folded.append(QChar::fromUcs4(c));
    }
    return folded;
}

} // namespace tidewick
