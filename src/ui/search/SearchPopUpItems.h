#pragma once

#include <QList>
#include <QString>

class QComboBox;

// The entries of the search page's two pop-ups, days back and content type,
// with the tags the service understands. The history and bookmark windows
// offer the same entries, so an entry saved from either shows the same item
// on the search page.
class SearchPopUpItems
{
public:
    struct Item
    {
        QString title;
        qint64 tag;
    };

    // The days-back tag that means "any age"; the bookmark window shows it
    // for an entry without a usable days value.
    static constexpr qint64 kAllDaysTag = 10000;

    static const QList<Item>& daysBack();
    static const QList<Item>& content();

    // Fills `box` with the items, the tag as each item's data.
    static void fill(QComboBox* box, const QList<Item>& items);
    // Selects the item of that tag; false (and the selection unchanged) when
    // no item carries it.
    static bool selectTag(QComboBox* box, qint64 tag);
    // The tag of the selected item as decimal text ("0" with none).
    static QString selectedTag(const QComboBox* box);
};
