#include "postprocess/RepairObject.h"

QList<RepairObjectPtr> RepairObject::childs() const
{
    QMutexLocker locker(&lock_);
    return childs_;
}

void RepairObject::setChilds(const QList<RepairObjectPtr>& childs)
{
    QMutexLocker locker(&lock_);
    childs_ = childs;
}

void RepairObject::appendChild(const RepairObjectPtr& child)
{
    if (!child) return;
    child->setParent(shared_from_this());
    QMutexLocker locker(&lock_);
    childs_.append(child);
}
