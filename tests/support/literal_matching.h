#pragma once

// The link-text operations done the slow, literal way, as the reference the matcher is checked
// against in tests and measured against in benchmarks.

#include <QString>
#include <QStringList>

namespace tidewick {

// The folded form of a text, step by step: NFKC, case folding and NFKC again without
// default-ignorable code points; traditional characters simplified one by one; Greek and Cyrillic
// look-alikes of Latin letters replaced; everything but letters and numbers removed.
QString referenceFold(const QString &text);

// The index of the word that matches a raw link text: every word in list order against the
// first-pass text, then every word against the second-pass text; -1 when none does. Entries that
// begin with "~" are loose: their folded text is looked for in the folded link text, in the same
// two passes. Entries that begin with "!" are exceptions: a word's occurrence wholly inside one of
// theirs, in the same form and pass (digit-free in the second), does not count.
int literalMatchingWord(const QStringList &entries, const QString &rawLinkText);

} // namespace tidewick
