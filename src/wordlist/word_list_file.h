#pragma once

#include <QByteArray>
#include <QStringList>

class QIODevice;

namespace tidewick {

// The word-list file in a folder: GBK text with CR LF line ends, the entry count first, then one
// entry a line.
QString wordListPath(const QString &folder);

// Where the word list lives: the path given as an option; else beside the executable when its
// folder is writable (a portable or build folder) and not the folder the program is installed to;
// else in the program's data folder.
QString chooseWordListPath(
    const QString &option, const QString &executableFolder, const QString &installFolder, const QString &dataFolder);

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
