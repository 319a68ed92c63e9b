#include "literal_matching.h"

namespace tidewick {

namespace {

bool isAsciiDigit(char16_t c)
{
    return c >= u'0' && c <= u'9';
}

bool isAsciiLetterOrDigit(char16_t c)
{
    return isAsciiDigit(c) || (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z');
}

QString upperCaseCodeUnits(QStringView text)
{
    QString upper(text.size(), Qt::Uninitialized);
    QChar *out = upper.data();
    for (const QChar ch : text)
        *out++ = QChar(static_cast<char16_t>(QChar::toUpper(ch.unicode())));
    return upper;
}

int firstMatchingWord(const QStringList &words, const QString &text)
{
    for (qsizetype i = 0; i < words.size(); ++i) {
        if (WordMatches(words[i], text))
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

QString NormaliseLinkText(QStringView text)
{
    QString kept;
    for (const QChar ch : text) {
        const char16_t c = ch.unicode();
        if (c > 0xFF || isAsciiLetterOrDigit(c))
            kept.append(ch);
    }
    return kept;
}

QString RemoveDigits(QStringView text)
{
    QString kept;
    for (const QChar ch : text) {
        if (!isAsciiDigit(ch.unicode()))
            kept.append(ch);
    }
    return kept;
}

qint32 FindLastPosition(QStringView needle, QStringView text)
{
    qint32 result = 0;
    const qsizetype length = text.size();
    for (qsizetype i = 0; i < length; ++i) {
        if (text.mid(i, std::min(needle.size(), length - i)) == needle)
            result = static_cast<qint32>(i + 1);
    }
    return result;
}

bool WordMatches(QStringView word, QStringView text)
{
    if (word.isEmpty())
        return false;
    return FindLastPosition(upperCaseCodeUnits(word), upperCaseCodeUnits(text)) != 0;
}

int literalMatchingWord(const QStringList &words, const QString &rawLinkText)
{
    const QString first = NormaliseLinkText(rawLinkText);
    const int inFirst = firstMatchingWord(words, first);
    return inFirst >= 0 ? inFirst : firstMatchingWord(words, RemoveDigits(first));
}

} // namespace tidewick
