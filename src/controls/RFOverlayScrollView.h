#pragma once

#include <QPointer>
#include <QWidget>

class QAbstractScrollArea;
class RFOverlayScroller;

// Holds a table (any scroll area) at its full width with an RFOverlayScroller
// floating over its right edge, below the table's header. The scroller takes
// over from the area's own vertical scroll bar and stays in step with it.
class RFOverlayScrollView : public QWidget
{
    Q_OBJECT
public:
    explicit RFOverlayScrollView(QWidget* parent = nullptr);

    void setDocumentView(QAbstractScrollArea* area);
    QAbstractScrollArea* documentView() const { return area_; }
    RFOverlayScroller* verticalScroller() const { return scroller_; }

    // The height of the horizontal header of the table inside, or 0.
    int headerOffset() const { return headerOffset_; }
    int tableHeaderOffsetFromSuperview() const;

    // Lays the content out at full width and the scroller over it.
    void tile();

protected:
    void resizeEvent(QResizeEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    QPointer<QAbstractScrollArea> area_;
    RFOverlayScroller* scroller_;
    int headerOffset_ = 0;
};
