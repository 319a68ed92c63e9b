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

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <vector>

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
            continue; // marks and signs, such as the apostrophe of ґ as r', which folding drops anyway
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

// What steps 2 to 4 make of each code point that NFKC_Casefold leaves: drop it, keep it, or
// put other letters in its place. Also what the whole fold makes of each character of the Basic
// Multilingual Plane that normalises on its own, whatever stands before it: a text of such
// characters, as nearly every title is, is folded one table lookup a character, without ICU.
// Built once.
class CodePointFolds {
public:
    CodePointFolds()
        : m_bmp(0x10000, kDrop)
        , m_alone(0x10000, kNotAlone)
    {
        CodePointMap replaced;
        addSimplifiedForms(replaced);
        addLatinLookalikes(replaced);
        for (char32_t c = 0; c < 0x10000; ++c) {
            if (isLetterOrNumber(static_cast<UChar32>(c)))
                m_bmp[c] = kKeep;
        }
        for (auto it = replaced.cbegin(); it != replaced.cend(); ++it) {
            if (it.key() < 0x10000) {
                m_bmp[it.key()] = replacement(it.value());
                continue;
            }
            m_beyondBmp.insert(it.key(), it.value());
            m_longestReplacement = std::max(m_longestReplacement, it.value().size());
        }
        fillAlone();
    }

    // How many times longer than the text its folded form can be at most.
    qsizetype growth() const { return m_longestReplacement; }

    // Steps 2 to 4 on text that NFKC_Casefold has made.
    QString foldNormalised(const icu::UnicodeString &normalised) const
    {
        const int32_t length = normalised.length();
        QString folded(growth() * length, Qt::Uninitialized);
        QChar *out = folded.data();
        const UChar *units = normalised.getBuffer();
        for (int32_t i = 0; i < length;) {
            UChar32 c = 0;
            U16_NEXT(units, i, length, c);
            out = write(static_cast<char32_t>(c), out);
        }
        folded.truncate(out - folded.constData());
        return folded;
    }

    // The whole fold of a text whose every code unit normalises on its own; nothing otherwise.
    std::optional<QString> foldAlone(QStringView text) const
    {
        QString folded(growth() * text.size(), Qt::Uninitialized);
        QChar *out = folded.data();
        for (const QChar ch : text) {
            const std::uint32_t action = m_alone[ch.unicode()];
            if (action == kNotAlone)
                return std::nullopt;
            out = apply(action, ch, out);
        }
        folded.truncate(out - folded.constData());
        return folded;
    }

private:
    static constexpr std::uint32_t kDrop = 0;
    static constexpr std::uint32_t kKeep = 1;
    static constexpr std::uint32_t kFirstReplacement = 2;
    static constexpr std::uint32_t kNotAlone = UINT32_MAX;

    static QChar *copy(const QString &letters, QChar *out) { return std::copy(letters.cbegin(), letters.cend(), out); }

    std::uint32_t replacement(const QString &letters)
    {
        m_longestReplacement = std::max(m_longestReplacement, letters.size());
        m_replacements.append(letters);
        return static_cast<std::uint32_t>(kFirstReplacement + m_replacements.size() - 1);
    }

    QChar *apply(std::uint32_t action, QChar ch, QChar *out) const
    {
        if (action == kKeep)
            *out++ = ch;
        else if (action != kDrop)
            out = copy(m_replacements[action - kFirstReplacement], out);
        return out;
    }

    QChar *write(char32_t c, QChar *out) const
    {
        if (c < 0x10000)
            return apply(m_bmp[c], QChar(static_cast<char16_t>(c)), out);
        if (const auto found = m_beyondBmp.constFind(c); found != m_beyondBmp.cend())
            return copy(*found, out);
        if (isLetterOrNumber(static_cast<UChar32>(c))) {
            *out++ = QChar(QChar::highSurrogate(c));
            *out++ = QChar(QChar::lowSurrogate(c));
        }
        return out;
    }

    // A character with a normalisation boundary before it never normalises together with what
    // precedes it, so a text of such characters folds as the concatenation of their folds.
    void fillAlone()
    {
        const icu::Normalizer2 &nfkc = nfkcCasefold();
        for (char32_t c = 0; c < 0x10000; ++c) {
            const auto point = static_cast<UChar32>(c);
            if (QChar::isSurrogate(c) || !nfkc.hasBoundaryBefore(point))
                continue;
            if (nfkc.isInert(point)) {
                m_alone[c] = m_bmp[c];
                continue;
            }
            UErrorCode status = U_ZERO_ERROR;
            const QString folded = foldNormalised(nfkc.normalize(icu::UnicodeString(point), status));
            if (U_FAILURE(status))
                continue;
            const QChar unchanged(static_cast<char16_t>(c));
            m_alone[c] = folded.isEmpty() ? kDrop : folded == unchanged ? kKeep : replacement(folded);
        }
    }

    std::vector<std::uint32_t> m_bmp; // kDrop, kKeep, or kFirstReplacement + its index
    std::vector<std::uint32_t> m_alone; // the same for the whole fold, or kNotAlone
    QList<QString> m_replacements;
    CodePointMap m_beyondBmp; // replacements above U+FFFF; the rest there is kept or dropped
    qsizetype m_longestReplacement = 1;
};

const CodePointFolds &codePointFolds()
{
    static const CodePointFolds folds;
    return folds;
}

// The text with each unpaired surrogate half made U+FFFD, so that no pair forms when what stood
// between two halves is dropped. Shares the text's units unless it has such a half.
icu::UnicodeString wellFormed(QStringView text)
{
    const auto length = static_cast<int32_t>(std::min<qsizetype>(text.size(), INT32_MAX));
    const char16_t *units = text.utf16();
    icu::UnicodeString source(false, reinterpret_cast<const UChar *>(units), length);
    for (int32_t i = 0; i < length; ++i) {
        if (!QChar::isSurrogate(units[i]))
            continue;
        if (QChar::isHighSurrogate(units[i]) && i + 1 < length && QChar::isLowSurrogate(units[i + 1]))
            ++i;
        else
            source.setCharAt(i, u'\uFFFD'); // copies the text on the first write only
    }
    return source;
}

} // namespace

QString foldText(QStringView text)
{
    const CodePointFolds &folds = codePointFolds();
    if (std::optional<QString> folded = folds.foldAlone(text))
        return *std::move(folded);
    UErrorCode status = U_ZERO_ERROR;
    const icu::UnicodeString normalised = nfkcCasefold().normalize(wellFormed(text), status);
    return U_SUCCESS(status) ? folds.foldNormalised(normalised) : QString();
}

} // namespace tidewick
