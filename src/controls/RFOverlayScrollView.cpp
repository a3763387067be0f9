#include "controls/RFOverlayScrollView.h"

#include "controls/RFOverlayScroller.h"

#include <QAbstractScrollArea>
#include <QEvent>
#include <QHeaderView>
#include <QScrollBar>
#include <QStyle>
#include <QTableView>
#include <QTreeView>

RFOverlayScrollView::RFOverlayScrollView(QWidget* parent)
    : QWidget(parent), scroller_(new RFOverlayScroller(this))
{}

void RFOverlayScrollView::setDocumentView(QAbstractScrollArea* area)
{
    area_ = area;
    if (!area) return;
    area->setParent(this);
    area->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    area->installEventFilter(this);
    QScrollBar* inner = area->verticalScrollBar();
    scroller_->setRange(inner->minimum(), inner->maximum());
    scroller_->setPageStep(inner->pageStep());
    scroller_->setSingleStep(inner->singleStep());
    scroller_->setValue(inner->value());
    connect(inner, &QScrollBar::rangeChanged, scroller_, &QScrollBar::setRange);
    connect(inner, &QScrollBar::valueChanged, scroller_, &QScrollBar::setValue);
    connect(scroller_, &QScrollBar::valueChanged, inner, &QScrollBar::setValue);
    headerOffset_ = tableHeaderOffsetFromSuperview();
    area->show();
    tile();
}

int RFOverlayScrollView::tableHeaderOffsetFromSuperview() const
{
    const QHeaderView* header = nullptr;
    if (auto* table = qobject_cast<QTableView*>(area_.data()))
        header = table->horizontalHeader();
    else if (auto* tree = qobject_cast<QTreeView*>(area_.data()))
        header = tree->header();
    if (!header || header->isHidden()) return 0;
    // Before the table is laid out the header has no height yet; it will get
    // its size hint within its own limits.
    const int height = header->isVisible() ? header->height()
                                           : qBound(header->minimumHeight(), header->sizeHint().height(),
                                                    header->maximumHeight());
    return qMax(0, height);
}

void RFOverlayScrollView::tile()
{
    if (area_) area_->setGeometry(rect());
    const int w = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, scroller_);
    scroller_->setGeometry(width() - w, headerOffset_, w, qMax(0, height() - headerOffset_));
    scroller_->setPageStep(area_ ? area_->verticalScrollBar()->pageStep() : scroller_->pageStep());
    scroller_->raise();
}

void RFOverlayScrollView::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    tile();
}

bool RFOverlayScrollView::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == area_ && (e->type() == QEvent::LayoutRequest || e->type() == QEvent::Show)) {
        headerOffset_ = tableHeaderOffsetFromSuperview();
        tile();
    }
    return QWidget::eventFilter(watched, e);
}
