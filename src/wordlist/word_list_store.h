#pragma once

#include <QString>

namespace tidewick {

class MessageBox;
class WordList;

// Keeps the word list in its file and carries out the moderator's edits: the file is
// rewritten after every change, so nothing is ever left to save at exit.
class WordListStore {
public:
    enum class AddOutcome {
        Added, // the box is cleared
        Duplicate, // refused with a message; the box is cleared
        Ignored, // empty text or a full list: nothing happens, the box keeps its text
    };

    WordListStore(WordList &list, QString path, MessageBox &messages);

    const QString &path() const { return m_path; }

    void LoadWordList();
    AddOutcome AddWord(const QString &typed);
    void RemoveTickedWords();
    // Replaces the file atomically; a failure is reported and leaves the old file whole.
    bool SaveWordList();

    // The remove button: enabled at start and by every click of the list, disabled by a removal.
    bool removeEnabled() const { return m_removeEnabled; }
    void listClicked() { m_removeEnabled = true; }

private:
    WordList &m_list;
    QString m_path;
    MessageBox &m_messages;
    bool m_removeEnabled = true;
};

} // namespace tidewick
