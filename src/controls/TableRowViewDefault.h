#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// The selection look of the program's plain tables: a selected row is filled
// blue while its table has the focus in the active window (emphasized) and
// light grey otherwise. Set as the item delegate of a table; cell delegates
// of those tables derive from it.
class TableRowViewDefault : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TableRowViewDefault(QObject* parent = nullptr);

    // Off: the style's own selection drawing.
    bool regularHighlightStyle() const { return regularHighlightStyle_; }
    void setRegularHighlightStyle(bool on) { regularHighlightStyle_ = on; }

    static QColor selectionColor(bool emphasized);
    // Whether the row of `option` is drawn emphasized.
    static bool isEmphasized(const QStyleOptionViewItem& option);

    // Fills the selection of a selected row; returns whether it did.
    bool drawSelectionInRect(QPainter* painter, const QStyleOptionViewItem& option) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

protected:
    // The option for the cell's own drawing once the selection is painted:
    // no style highlight; white text on an emphasized row.
    QStyleOptionViewItem contentOption(const QStyleOptionViewItem& option, const QModelIndex& index) const;

private:
    bool regularHighlightStyle_ = true;
};
