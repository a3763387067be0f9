#include "postprocess/CleanupItem.h"

CleanupItemPtr CleanupItem::create(const QString& searchItem, bool checkbox, const QString& info)
{
    CleanupItemPtr item = std::make_shared<CleanupItem>();
    item->setSearchItem(searchItem);
    item->setCheckbox(checkbox);
    item->setInfo(info);
    return item;
}
