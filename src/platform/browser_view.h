#pragma once

#include <QList>
#include <QString>

#include <functional>
#include <optional>

namespace tidewick {

// One `a` element of a loaded document, as read in document order.
struct Anchor {
    std::optional<QString> text; // innerText; empty optional when it could not be read
    QString href; // resolved address; empty when the anchor has none
};

using AnchorList = QList<Anchor>;

// The document-complete ready state.
inline constexpr int kReadyStateComplete = 4;

// One document of a view: every load that starts in the view brings the next number.
using DocumentId = quint64;

// What the watch and the moderation need of an embedded browser view. Reads and clicks run in the
// page and answer later, from the event loop, never inside the call. Every answer names the
// document it ran on; a read that failed (no document, a hung page, a load that replaced it)
// answers an empty optional.
class BrowserView {
public:
    using ReadyStateAnswer = std::function<void(DocumentId, std::optional<int>)>;
    // With the number of anchors the document had at its load event (-1 when unknown): a page
    // that has more now has been built by a script since.
    using AnchorsAnswer = std::function<void(DocumentId, std::optional<AnchorList>, qsizetype anchorsAtLoad)>;
    // True only when the element was certainly clicked.
    using ClickAnswer = std::function<void(DocumentId, bool)>;
    using PresenceAnswer = std::function<void(DocumentId, std::optional<bool>)>;

    virtual ~BrowserView() = default;

    virtual void navigate(const QString &url) = 0;
    // The address of the document shown, empty before the first.
    virtual QString url() const = 0;
    // Reloads the page shown, unless a load is on its way already.
    virtual void refresh() = 0;
    // A new document is on its way: reads of the shown one fail, and the new one's end will be
    // reported.
    virtual bool isLoading() const = 0;
    // The document shown now, or the one on its way.
    virtual DocumentId document() const = 0;
    virtual void readReadyState(ReadyStateAnswer answer) = 0;
    virtual void readAnchors(AnchorsAnswer answer) = 0;
    // Clicks the index-th `a` element of the document as it stands then, only when it still has
    // the text and the address that were read. The click is made at most once, however the
    // page's answer is delayed.
    virtual void clickAnchor(int index, const Anchor &expected, ClickAnswer answer) = 0;
    // Whether the document's `all` collection returns a clickable element for the name or id.
    virtual void readNamed(const QString &name, PresenceAnswer answer) = 0;
    // Clicks the element that the document's `all` collection returns for the name or id.
    virtual void clickNamed(const QString &name, ClickAnswer answer) = 0;
};

} // namespace tidewick
