#pragma once

#include "nntp/NewsgroupSelectorItem.h"

#include <ostream>

// How test failures print a newsgroup item: "name count [x]".
inline void PrintTo(const NewsgroupSelectorItem& item, std::ostream* os)
{
    *os << item.newsgroup.toStdString() << ' ' << item.articlecount << (item.checkbox ? " [x]" : "");
}
