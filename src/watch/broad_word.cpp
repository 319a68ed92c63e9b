#include "broad_word.h"

#include "word_matcher.h"

namespace tidewick {

WordReach reachOf(const QString &word, const AnchorList &anchors)
{
    const WordMatcher matcher(QStringList{word});
    WordReach reach;
    for (const Anchor &anchor : anchors) {
        const bool webAddress = anchor.href.startsWith(u"http://", Qt::CaseInsensitive)
            || anchor.href.startsWith(u"https://", Qt::CaseInsensitive);
        if (!webAddress || !anchor.text || anchor.text->isEmpty())
            continue;
        ++reach.links;
        reach.matched += matcher.matchingWord(*anchor.text) != WordMatcher::kNoMatch;
    }
    return reach;
}

} // namespace tidewick
