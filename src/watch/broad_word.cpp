#include "broad_word.h"

#include "word_matcher.h"

namespace tidewick {

WordReach reachOf(const QString &word, const QStringList &linkTexts)
{
    const WordMatcher matcher(QStringList{word});
    WordReach reach;
    reach.links = static_cast<int>(linkTexts.size());
    for (const QString &text : linkTexts)
        reach.matched += matcher.matchingWord(text) != WordMatcher::kNoMatch;
    return reach;
}

} // namespace tidewick
