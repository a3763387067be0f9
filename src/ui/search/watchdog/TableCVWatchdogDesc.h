#pragma once

#include "ui/search/watchdog/TableRowViewWatchdog.h"

// The description cell of the Watchdog entries: the entry's on/off check
// box in the program's grey check box artwork, its content icon and its
// alias, on the entries' row ground. A click on the check box reports the
// entry's tag and the new state; the table switches that entry.
class TableCVWatchdogDesc : public TableRowViewWatchdog
{
    Q_OBJECT
public:
    explicit TableCVWatchdogDesc(QObject* parent = nullptr);

    static QString identifier() { return QStringLiteral("CellViewWDDesc"); }
    // Where the check box and the content icon sit in a cell.
    static QRect checkboxRect(const QRect& cell);
    static QRect iconRect(const QRect& cell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

Q_SIGNALS:
    void checkboxClicked(qint64 tag, bool state);

protected:
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};
