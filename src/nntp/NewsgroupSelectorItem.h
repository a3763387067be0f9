#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

// One newsgroup row: of the list a server sends, of the stored list and
// favourites, of the newsgroup chooser and of the compose window.
struct NewsgroupSelectorItem
{
    QString newsgroup;
    qint64 articlecount = 0;
    bool checkbox = false;

    friend bool operator==(const NewsgroupSelectorItem&, const NewsgroupSelectorItem&) = default;
};

Q_DECLARE_METATYPE(NewsgroupSelectorItem)
