#include "text_folding.h"

#include <QLoggingCategory>

#include <opencc/DictEntry.hpp>
#include <opencc/Lexicon.hpp>
#include <opencc/MarisaDict.hpp>
#include <unicode/normalizer2.h>
#include <unicode/uchar.h>
#include <unicode/unistr.h>
#include <unicode/uscript.h>
#include <unicode/uspoof.h>
#include <unicode/utf16.h>

#include <climits>
#include <cstdio>
#include <memory>

namespace tidewick {

namespace {

Q_LOGGING_CATEGORY(lcFolding, "tidewick.folding", QtInfoMsg)

bool isLetterOrNumber(UChar32 c)
{
    return (U_GET_GC_MASK(c) & (U_GC_L_MASK | U_GC_N_MASK)) != 0;
}

using CodePointMap = QHash<char32_t, QString>;

// Every traditional character of the conversion's character table, with its first simplified
// form.
void addSimplifiedForms(CodePointMap &map)
{
    const char *path = TIDEWICK_OPENCC_DATA "/TSCharacters.ocd2";
    const std::unique_ptr<FILE, int (*)(FILE *)> file(std::fopen(path, "rb"), &std::fclose);
    if (!file) {
        qCWarning(lcFolding) << "no traditional-to-simplified table at" << path
                             << ": traditional characters are not folded";
        return;
    }
    try {
        const opencc::LexiconPtr lexicon = opencc::MarisaDict::NewFromFile(file.get())->GetLexicon();
        for (const std::unique_ptr<opencc::DictEntry> &entry : *lexicon) {
            const QString traditional = QString::fromStdString(entry->Key());
            const QString simplified = QString::fromStdString(entry->GetDefault());
            const char32_t c = traditional.toUcs4().value(0);
            if (traditional.toUcs4().size() == 1 && !simplified.isEmpty() && simplified != traditional)
                map.insert(c, simplified);
        }
    } catch (const std::exception &e) {
        qCWarning(lcFolding) << "unreadable traditional-to-simplified table:" << e.what();
    }
}

// The Latin letters that a Greek or Cyrillic letter is confused with, small and bare; empty when
// its skeleton is anything else.
QString latinLookalike(const USpoofChecker *checker, UChar32 c)
{
    UErrorCode status = U_ZERO_ERROR;
    icu::UnicodeString skeleton;
    uspoof_getSkeletonUnicodeString(checker, 0, icu::UnicodeString(c), skeleton, &status);
    const icu::Normalizer2 *nfd = icu::Normalizer2::getNFDInstance(status);
    if (U_FAILURE(status))
        return {};
    const icu::UnicodeString decomposed = nfd->normalize(skeleton, status);
    QString latin;
    for (int32_t i = 0; i < decomposed.length();) {
        const UChar32 part = decomposed.char32At(i);
        i += U16_LENGTH(part);
        if (!isLetterOrNumber(part))
            continue; // the marks that set a look-alike apart
        const UChar32 small = u_foldCase(part, U_FOLD_CASE_DEFAULT);
        if (small < 'a' || small > 'z')
            return {};
        latin.append(QChar(static_cast<char16_t>(small)));
    }
    return U_SUCCESS(status) ? latin : QString();
}

void addLatinLookalikes(CodePointMap &map)
{
    UErrorCode status = U_ZERO_ERROR;
    const std::unique_ptr<USpoofChecker, void (*)(USpoofChecker *)> checker(uspoof_open(&status), &uspoof_close);
    if (U_FAILURE(status)) {
        qCWarning(lcFolding) << "no confusables data:" << u_errorName(status);
        return;
    }
    for (UChar32 c = 0; c <= UCHAR_MAX_VALUE; ++c) {
        const UScriptCode script = uscript_getScript(c, &status);
        if ((script != USCRIPT_GREEK && script != USCRIPT_CYRILLIC) || !(U_GET_GC_MASK(c) & U_GC_L_MASK))
            continue;
        if (const QString latin = latinLookalike(checker.get(), c); !latin.isEmpty())
            map.insert(static_cast<char32_t>(c), latin);
    }
}

// What steps 2 and 3 make of each code point they change, built once.
const CodePointMap &replacements()
{
    static const CodePointMap map = [] {
        CodePointMap built;
        addSimplifiedForms(built);
        addLatinLookalikes(built);
        return built;
    }();
    return map;
}

const icu::Normalizer2 &nfkcCasefold()
{
    static const icu::Normalizer2 *normalizer = [] {
        UErrorCode status = U_ZERO_ERROR;
        const icu::Normalizer2 *instance = icu::Normalizer2::getNFKCCasefoldInstance(status);
        if (U_FAILURE(status))
            qFatal("ICU has no NFKC_Casefold data: %s", u_errorName(status));
        return instance;
    }();
    return *normalizer;
}

// The text with each unpaired surrogate half made U+FFFD, so that no pair forms when what stood
// between two halves is dropped.
icu::UnicodeString wellFormed(QStringView text)
{
    const auto length = static_cast<int32_t>(std::min<qsizetype>(text.size(), INT32_MAX));
    icu::UnicodeString source(false, reinterpret_cast<const UChar *>(text.utf16()), length);
    for (int32_t i = 0; i < source.length();) {
        const UChar32 c = source.char32At(i);
        if (U_IS_SURROGATE(c))
            source.setCharAt(i, u'\uFFFD'); // copies the text on the first write only
        i += U16_LENGTH(c);
    }
    return source;
}

} // namespace

QString foldText(QStringView text)
{
    const CodePointMap &replaced = replacements();
    const icu::UnicodeString source = wellFormed(text);
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString normalised = nfkcCasefold().normalize(source, status);
    if (U_FAILURE(status))
        return {};
    QString folded;
    folded.reserve(normalised.length());
    const UChar *units = normalised.getBuffer();
    for (int32_t i = 0; i < normalised.length();) {
        UChar32 c = 0;
        U16_NEXT(units, i, normalised.length(), c);
        if (const auto found = replaced.constFind(static_cast<char32_t>(c)); found != replaced.cend())
            folded.append(*found);
        else if (isLetterOrNumber(c))
            folded.append(QChar::fromUcs4(static_cast<char32_t>(c)));
    }
    return folded;
}

} // namespace tidewick
