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

// The first-pass form: every character up to U+00FF goes but the ASCII letters and digits.
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

// 1-based position of the last occurrence of needle in text, 0 when there is none.
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

bool isException(const QString &entry)
{
    return entry.startsWith(u'!');
}

bool isLoose(const QString &entry)
{
    return entry.startsWith(u'~');
}

// Every (start, end) of the needle in the text, both upper-cased, ends inclusive.
QList<std::pair<qsizetype, qsizetype>> occurrences(const QString &needle, const QString &text)
{
    QList<std::pair<qsizetype, qsizetype>> found;
    const QString n = upperCaseCodeUnits(needle);
    const QString t = upperCaseCodeUnits(text);
    for (qsizetype i = 0; !n.isEmpty() && i + n.size() <= t.size(); ++i) {
        if (QStringView(t).sliced(i, n.size()) == n)
            found.append({i, i + n.size() - 1});
    }
    return found;
}

bool countsIn(const QString &word, const QString &text, const QStringList &exceptions)
{
    if (!WordMatches(word, text))
        return false;
    for (const auto &[start, end] : occurrences(word, text)) {
        bool covered = false;
        for (const QString &exception : exceptions) {
            for (const auto &[exceptionStart, exceptionEnd] : occurrences(exception, text))
                covered = covered || (exceptionStart <= start && exceptionEnd >= end);
        }
        if (!covered)
            return true;
    }
    return false;
}

// One pass: the link text in its plain and its folded form, and how the pass makes an entry's
// text into the form it is looked for in.
struct Pass {
    QString plainText;
    QString foldedText;
    bool digitFree = false;

    QString form(const QString &text, bool folded) const
    {
        const QString shaped = folded ? referenceFold(text) : text;
        return digitFree ? RemoveDigits(shaped) : shaped;
    }
};

int firstMatchingWord(const QStringList &entries, const Pass &pass)
{
    QStringList plainExceptions;
    QStringList foldedExceptions;
    for (const QString &entry : entries) {
        if (isException(entry)) {
            plainExceptions.append(pass.form(entry.mid(1), false));
            foldedExceptions.append(pass.form(entry.mid(1), true));
        }
    }
    for (qsizetype i = 0; i < entries.size(); ++i) {
        const QString &entry = entries[i];
        const bool found = isLoose(entry) ? countsIn(referenceFold(entry.mid(1)), pass.foldedText, foldedExceptions)
                                          : !isException(entry) && countsIn(entry, pass.plainText, plainExceptions);
        if (found)
            return static_cast<int>(i);
    }
    return -1;
}

} // namespace

int literalMatchingWord(const QStringList &entries, const QString &rawLinkText)
{
    const QString plain = NormaliseLinkText(rawLinkText);
    const QString folded = referenceFold(rawLinkText);
    const int inFirst = firstMatchingWord(entries, {plain, folded, false});
    return inFirst >= 0 ? inFirst : firstMatchingWord(entries, {RemoveDigits(plain), RemoveDigits(folded), true});
}

} // namespace tidewick
