// Any bytes in the word-list file load without crashing or hanging, within the list's limit, and
// what loads saves and loads again unchanged.
#include "word_list.h"
#include "word_list_file.h"

#include <QBuffer>

#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QBuffer file;
    file.setData(reinterpret_cast<const char *>(data), static_cast<qsizetype>(size));
    file.open(QIODevice::ReadOnly);
    const QStringList entries = tidewick::decodeWordList(file);
    if (entries.size() > tidewick::WordList::kMaxEntries)
        std::abort();

    QBuffer saved;
    saved.setData(tidewick::encodeWordList(entries));
    saved.open(QIODevice::ReadOnly);
    const QStringList reloaded = tidewick::decodeWordList(saved);
    // Bytes that are not GBK load as replacement characters, which the code page cannot hold.
    bool comparable = true;
    for (const QString &entry : entries)
        comparable = comparable && !entry.contains(QChar::ReplacementCharacter);
    if (comparable && reloaded != entries)
        std::abort();
    return 0;
}
