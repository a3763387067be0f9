#include "ui/search/SearchPopUpItems.h"

#include <QComboBox>

const QList<SearchPopUpItems::Item>& SearchPopUpItems::daysBack()
{
    static const QList<Item> items = {
        {QStringLiteral("1 day"), 1},         {QStringLiteral("3 days"), 3},
        {QStringLiteral("7 days"), 7},        {QStringLiteral("14 days"), 14},
        {QStringLiteral("30 days"), 30},      {QStringLiteral("90 days"), 90},
        {QStringLiteral("180 days"), 180},    {QStringLiteral("1 year"), 365},
        {QStringLiteral("2 years"), 730},     {QStringLiteral("5 years"), 1825},
        {QStringLiteral("3500 days"), 3500},  {QStringLiteral("10000 days"), kAllDaysTag},
    };
    return items;
}

const QList<SearchPopUpItems::Item>& SearchPopUpItems::content()
{
    static const QList<Item> items = {
        {QStringLiteral("General newsgroups"), 0},
        {QStringLiteral("Erotica newsgroups"), 1},
    };
    return items;
}

void SearchPopUpItems::fill(QComboBox* box, const QList<Item>& items)
{
    for (const Item& item : items)
        box->addItem(item.title, item.tag);
}

bool SearchPopUpItems::selectTag(QComboBox* box, qint64 tag)
{
    const int at = box->findData(tag);
    if (at < 0) return false;
    box->setCurrentIndex(at);
    return true;
}

QString SearchPopUpItems::selectedTag(const QComboBox* box)
{
    return QString::number(box->currentIndex() < 0 ? 0 : box->currentData().toLongLong());
}
