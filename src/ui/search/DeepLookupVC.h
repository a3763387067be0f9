#pragma once

#include "queue/Queue.h"

#include <QList>
#include <QWidget>

class OutlineViewSearch;

// The search page. So far only what the queue engine and the main menu need
// of it: its result tree, which shows again the results whose state the
// engine changed outside the tree ("ReloadDeepLookupOutlineViewItemsInArray",
// e.g. after passwords were entered for them), and the request for a compose
// window.
class DeepLookupVC : public QWidget
{
    Q_OBJECT
public:
    // Observes "ReloadDeepLookupOutlineViewItemsInArray" from any sender.
    explicit DeepLookupVC(QWidget* parent = nullptr);

    OutlineViewSearch* outLineViewSearch() const { return outLineViewSearch_; }
    void reloadDeepLookupOutlineViewItemsInArray(const QList<QueuePtr>& items);
    // Asks for a compose window ("OpenPostArticleWindow"): a reply to
    // `result`, or a new post when it is null.
    void openPostMsgWindowAndReplyTo(const QueuePtr& result);

private:
    OutlineViewSearch* outLineViewSearch_;
};
