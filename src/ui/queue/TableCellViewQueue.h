#pragma once

#include <QColor>
#include <QRectF>
#include <QStyledItemDelegate>

class TableViewQueue;

// The cell of a queue row ("CellQueue"): paints the row's card, status
// button, texts, buttons and striped progress bar, and handles the clicks on
// the row's buttons. No widget is made per row; the controls bound to the
// row's job live in the model's row binding.
class TableCellViewQueue : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit TableCellViewQueue(TableViewQueue* table);

    static QString identifier() { return QStringLiteral("CellQueue"); }

    // The parts of a row that take clicks.
    enum class Part { None, StatusButton, PauseButton, CancelButton, PasswordButton, EditTitleButton };

    struct Layout
    {
        QRectF statusButton;
        QRectF title;
        QRectF editTitleButton;
        QRectF comment;
        QRectF info;
        QRectF pauseButton;
        QRectF passwordButton;
        QRectF cancelButton;
        QRectF progressBar;
    };
    static Layout layoutFor(const QRectF& row);
    static Part partAt(const QRectF& row, const QPointF& point);

    // The text colours; the selection changes them while a row is selected.
    static QColor normalTextColor() { return QColor::fromRgbF(0.361, 0.439, 0.506, 1.0); }
    static QColor normalTitleColor() { return QColor::fromRgbF(0.282, 0.31, 0.329, 1.0); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

    // Tells the view to measure one row again.
    void noteHeightOfRowChanged(const QModelIndex& index) { Q_EMIT sizeHintChanged(index); }

private:
    TableViewQueue* table_;
    Part pressedPart_ = Part::None;
    int pressedRow_ = -1;
};
