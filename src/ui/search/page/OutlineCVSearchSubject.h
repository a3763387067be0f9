#pragma once

#include "ui/search/page/SearchKeywordHighlighter.h"

#include <QStyledItemDelegate>

// The subject cell of the result tree: the row's download check box and the
// subject, with the words of the last search marked and a tail ellipsis
// when it does not fit. A click on an enabled box announces the item's
// number (`qidnr`) and the box's new state; the tree does the rest.
class OutlineCVSearchSubject : public QStyledItemDelegate
{
    Q_OBJECT
public:
    explicit OutlineCVSearchSubject(QObject* parent = nullptr);

    static QRect checkBoxRect(const QRect& cell);
    // Reads the highlighting settings; the tree calls it once before each
    // paint pass rather than each cell reading them.
    void readHighlightSettings();
    // The text's marked ranges for the stored pattern.
    QList<QPair<int, int>> highlightSearchKeywordInText(const QString& text);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

Q_SIGNALS:
    void checkboxClicked(qint64 qidnr, qint64 newState);

private:
    mutable SearchKeywordHighlighter highlighter_;
    bool highlighting_ = true;
    QString pattern_;
    double darkness_ = 0.1;
};
