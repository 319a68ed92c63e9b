#include "word_list_file.h"

#include "word_list.h"

#include <QFileInfo>
#include <QIODevice>
#include <QStringDecoder>
#include <QStringEncoder>

#include <cmath>
#include <limits>
#include <optional>

namespace tidewick {

namespace {

constexpr char kCodePage[] = "GBK";
constexpr char kCr = '\r';
constexpr char kLf = '\n';

// Splits the data into lines: a CR ends a line and an LF right after it is skipped; any
// other LF belongs to the line. GBK trail bytes are never CR, so a split cannot cut a character.
class LineReader {
public:
    explicit LineReader(QIODevice &device)
        : m_device(device)
    {
    }

    std::optional<QByteArray> next()
    {
        if (m_skipLf && peek() == kLf)
            m_device.skip(1);
        m_skipLf = false;
        QByteArray line;
        char c = 0;
        bool any = false;
        while (m_device.getChar(&c)) {
            any = true;
            if (c == kCr) {
                m_skipLf = true;
                return line;
            }
            line.append(c);
        }
        return any ? std::optional<QByteArray>(line) : std::nullopt;
    }

private:
    char peek()
    {
        char c = 0;
        return m_device.peek(&c, 1) == 1 ? c : '\0';
    }

    QIODevice &m_device;
    bool m_skipLf = false;
};

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == kLf;
}

// The characters of the line that can take part in a number, blanks dropped.
QByteArray withoutBlanks(QByteArrayView line)
{
    QByteArray kept;
    for (const char c : line) {
        if (!isBlank(c))
            kept.append(c);
    }
    return kept;
}

std::optional<double> readRadixNumber(QByteArrayView digits, int radix)
{
    double value = 0;
    bool any = false;
    for (const char c : digits) {
        const int digit = (c >= '0' && c <= '9') ? c - '0'
            : (c >= 'a' && c <= 'f')             ? c - 'a' + 10
            : (c >= 'A' && c <= 'F')             ? c - 'A' + 10
                                                 : radix;
        if (digit >= radix)
            break;
        value = value * radix + digit;
        any = true;
    }
    return any ? std::optional<double>(value) : std::nullopt;
}

// The longest prefix of sign, digits, fraction and exponent, read as a decimal number.
double readDecimalNumber(QByteArrayView text)
{
    qsizetype end = 0;
    const auto digitsAt = [&](qsizetype from) {
        qsizetype to = from;
        while (to < text.size() && text[to] >= '0' && text[to] <= '9')
            ++to;
        return to;
    };
    if (end < text.size() && (text[end] == '+' || text[end] == '-'))
        ++end;
    end = digitsAt(end);
    if (end < text.size() && text[end] == '.')
        end = digitsAt(end + 1);
    if (end < text.size() && (text[end] == 'e' || text[end] == 'E' || text[end] == 'd' || text[end] == 'D')) {
        qsizetype exponent = end + 1;
        if (exponent < text.size() && (text[exponent] == '+' || text[exponent] == '-'))
            ++exponent;
        const qsizetype exponentEnd = digitsAt(exponent);
        if (exponentEnd > exponent)
            end = exponentEnd;
    }
    QByteArray number = text.first(end).toByteArray();
    number.replace('d', 'e').replace('D', 'e');
    bool ok = false;
    const double value = number.toDouble(&ok);
    return ok ? value : 0;
}

// A line's text. The decoder keeps an unfinished lead byte at the end back for more input; the
// CR that ended the line (never part of a character) makes it give that byte up as invalid.
QString decodeLine(QStringDecoder &decoder, QByteArray line)
{
    line.append(kCr);
    QString text = decoder.decode(line);
    text.chop(1);
    return text;
}

} // namespace

QString wordListPath(const QString &folder)
{
    const QString fileName = QStringLiteral("data.dat");
    if (folder.endsWith(u'/') || folder.endsWith(u'\\'))
        return folder + fileName;
    return folder + u'/' + fileName;
}

QString chooseWordListPath(
    const QString &option, const QString &executableFolder, const QString &installFolder, const QString &dataFolder)
{
    if (!option.isEmpty())
        return option;
    const QFileInfo folder(executableFolder);
    const bool portable
        = folder.isWritable() && folder.canonicalFilePath() != QFileInfo(installFolder).canonicalFilePath();
    return wordListPath(portable ? executableFolder : dataFolder);
}

QByteArray encodeWordList(const QStringList &entries)
{
    const QString lineEnd = QStringLiteral("\r\n");
    QString text = QString::number(entries.size()) + lineEnd;
    for (const QString &entry : entries)
        text += entry + lineEnd;
    if (entries.isEmpty())
        text += lineEnd;
    QStringEncoder encoder(kCodePage, QStringConverter::Flag::Stateless);
    return encoder.encode(text);
}

qint32 readCount(QByteArrayView line)
{
    const QByteArray text = withoutBlanks(line);
    double value = 0;
    if (text.size() >= 2 && text[0] == '&' && (text[1] == 'H' || text[1] == 'h'))
        value = readRadixNumber(QByteArrayView(text).sliced(2), 16).value_or(0);
    else if (text.size() >= 2 && text[0] == '&' && (text[1] == 'O' || text[1] == 'o'))
        value = readRadixNumber(QByteArrayView(text).sliced(2), 8).value_or(0);
    else
        value = readDecimalNumber(text);
    if (!std::isfinite(value))
        return 0;
    const double rounded = std::nearbyint(value); // the default rounding mode: half to even
    if (rounded < std::numeric_limits<qint32>::min() || rounded > std::numeric_limits<qint32>::max())
        return 0;
    return static_cast<qint32>(rounded);
}

QStringList decodeWordList(QIODevice &file)
{
    LineReader lines(file);
    const std::optional<QByteArray> countLine = lines.next();
    if (!countLine)
        return {};
    const qint32 count = readCount(*countLine);
    QStringList entries;
    QStringDecoder decoder(kCodePage, QStringConverter::Flag::Stateless);
    for (qint32 i = 0; i < count && entries.size() < WordList::kMaxEntries; ++i) {
        const std::optional<QByteArray> line = lines.next();
        if (!line)
            break;
        if (!line->isEmpty())
            entries.append(decodeLine(decoder, *line));
    }
    return entries;
}

} // namespace tidewick
