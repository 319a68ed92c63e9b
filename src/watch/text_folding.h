#pragma once

#include <QString>
#include <QStringView>

namespace tidewick {

// The form in which loose entries and link texts meet, so that a word written once also catches
// its disguises. Deterministic, applied alike to both sides, in this order:
//  1. NFKC with full case folding (ICU's NFKC_Casefold, which also drops default-ignorable code
//     points such as zero-width spaces and Hangul fillers): full-width and other compatibility
//     forms become plain ones, capitals become small;
//  2. traditional Chinese characters become simplified ones, one character at a time, by the
//     character table of the traditional-to-simplified conversion;
//  3. Greek and Cyrillic letters that the Unicode confusables data takes for Latin letters
//     become those Latin letters; no other script is touched, CJK least of all;
//  4. every code point that is neither a letter nor a number goes: spaces of every kind,
//     punctuation, symbols and emoji, controls, format characters and combining marks.
// It works on code points, so surrogate pairs stay whole.
QString foldText(QStringView text);

} // namespace tidewick
