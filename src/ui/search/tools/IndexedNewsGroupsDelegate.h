#pragma once

#include "search/IndexedNG.h"

#include <QList>

// Who receives the groups picked in the indexed-newsgroup selector: the
// search page and the Watchdog editor, which put them into their newsgroups
// field. The call is optional; a delegate that does not take it receives
// nothing.
class IndexedNewsGroupsDelegate
{
public:
    virtual ~IndexedNewsGroupsDelegate() = default;
    // At most ten groups, in the order they were picked.
    virtual void addNewsgroups(const QList<IndexedNG>& groups) { (void)groups; }
};
