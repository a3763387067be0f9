#pragma once

#include <QIcon>
#include <QString>

// One newsgroup that the search service indexes, from its newsgroup list.
// A plain record.
class IndexedNG
{
public:
    const QString& newsgroup() const { return newsgroup_; }
    void setNewsgroup(const QString& value) { newsgroup_ = value; }
    // The group carries the erotica content type.
    bool ero() const { return ero_; }
    void setEro(bool value) { ero_ = value; }
    // The content icon shown beside the name.
    const QIcon& icon() const { return icon_; }
    void setIcon(const QIcon& value) { icon_ = value; }

private:
    QString newsgroup_;
    bool ero_ = false;
    QIcon icon_;
};
