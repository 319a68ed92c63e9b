#pragma once

#include <QByteArray>
#include <QStringList>

class QIODevice;

namespace tidewick {

// The word-list file beside the executable: GBK text with CR LF line ends, the entry count
// first, then one entry a line.
QString wordListPath(const QString &executableFolder);

// The file's bytes for a list: count line, then every entry, each line ending in CR LF
// (an empty list has a count line and one empty line). What GBK cannot hold becomes '?'.
QByteArray encodeWordList(const QStringList &entries);

// The count as the lenient reading of the first line gives it: blanks skipped anywhere, sign,
// fraction, exponent, &H and &O numbers, half to even; 0 when absent or beyond 32 bits.
qint32 readCount(QByteArrayView line);

// Reads the count line and at most that many lines after it (never more than the list holds),
// stopping at the end of the data. Empty lines count but add no entry.
QStringList decodeWordList(QIODevice &file);

} // namespace tidewick
