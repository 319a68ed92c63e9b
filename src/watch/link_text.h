#pragma once

#include <QString>
#include <QStringView>

namespace tidewick {

// The first-pass form of a link text: every character up to U+00FF is removed except the
// ASCII letters and digits; everything above U+00FF stays, in order and case.
QString NormaliseLinkText(QStringView text);

// The text without ASCII digits: applied to the first-pass form it gives the second-pass form.
QString RemoveDigits(QStringView text);

// Each code unit mapped to its simple upper-case form, one for one: the length never changes.
QString upperCaseCodeUnits(QStringView text);

// 1-based position of the last occurrence of needle in text, 0 when there is none.
qint32 FindLastPosition(QStringView needle, QStringView text);

// Case-insensitive occurrence of a word in a text. An empty word matches nothing.
bool WordMatches(QStringView word, QStringView text);

} // namespace tidewick
