#pragma once

#include "nntp/NewsgroupSelectorItem.h"

#include <QList>

// What the newsgroup download sheet hands its owner (the newsgroup chooser):
// the received list, sorted, only when it holds at least one group.
class RefreshGroupsWCDelegate
{
public:
    virtual ~RefreshGroupsWCDelegate() = default;
    virtual void newsgroupsReceived(const QList<NewsgroupSelectorItem>& items) { (void)items; }
};
