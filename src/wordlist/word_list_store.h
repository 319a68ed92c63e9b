#pragma once

#include <QString>

namespace tidewick {

class WordList;

// Keeps the word list in its file and carries out the moderator's edits: the file is
// rewritten after every change, so nothing is ever left to save at exit.
class WordListStore {
public:
    enum class AddOutcome {
        Added, // inserted and saved
        AddedNotSaved, // inserted, but the file could not be written
        Duplicate, // an entry with exactly this text is there already
        Ignored, // empty text or a full list: nothing happens
    };

    WordListStore(WordList &list, QString path);

    const QString &path() const { return m_path; }

    void LoadWordList();
    // Something is at the path that could not be read at start (a file without read permission,
    // a folder): it is never replaced, so that a list that only failed to load is not lost to the
    // first edit.
    bool fileUnreadable() const { return m_fileUnreadable; }
    AddOutcome AddWord(const QString &typed);
    // Removes the ticked entries and saves; false when the file could not be written.
    bool RemoveTickedWords();
    // Replaces the file atomically; a failure leaves the old file whole. False, and nothing
    // written, when the file could not be read at start.
    bool SaveWordList();

private:
    WordList &m_list;
    QString m_path;
    bool m_fileUnreadable = false;
};

} // namespace tidewick
