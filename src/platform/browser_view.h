#pragma once

#include <QList>
#include <QString>

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

// What the watch and the moderation need of an embedded browser view.
// Every read may fail (no document, hung page): the caller then gets an empty optional.
class BrowserView {
public:
    virtual ~BrowserView() = default;

    virtual void navigate(const QString &url) = 0;
    // The address of the document shown, empty before the first.
    virtual QString url() const = 0;
    // Reloads the page shown, unless a load is on its way already.
    virtual void refresh() = 0;
    // A new document is on its way: reads of the shown one fail at once, and the new one's end
    // will be reported.
    virtual bool isLoading() const = 0;
    virtual std::optional<int> readyState() = 0;
    virtual std::optional<AnchorList> readAnchors() = 0;
    // Clicks the index-th `a` element of the document as it stands now, only when it still has
    // the text and the address that were read; true when it was clicked.
    virtual bool clickAnchor(int index, const Anchor &expected) = 0;
    // Clicks the element that the document's `all` collection returns for the name or id.
    virtual void clickNamed(const QString &name) = 0;
};

} // namespace tidewick
