#pragma once

#include "nntp/NewsgroupSelectorItem.h"

#include <QList>

// What the newsgroup chooser hands the compose window: the groups the user
// chose, each checked.
class NewsGroupSelectorDelegate
{
public:
    virtual ~NewsGroupSelectorDelegate() = default;
    virtual void addNewsgroup(const QList<NewsgroupSelectorItem>& items) { (void)items; }
};
