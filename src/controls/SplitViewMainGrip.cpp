#include "controls/SplitViewMainGrip.h"

#include "controls/SplitViewMain.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>

SplitViewMainGrip::SplitViewMainGrip(SplitViewMain* splitView) : QWidget(nullptr), splitView_(splitView)
{
    setCursor(Qt::SplitVCursor);
    setAttribute(Qt::WA_NoSystemBackground);
    hide();
}

void SplitViewMainGrip::attachTo(QWidget* pane, int height)
{
    height_ = height;
    if (pane_ != pane) {
        if (pane_) pane_->removeEventFilter(this);
        pane_ = pane;
        setParent(pane);
        if (pane) pane->installEventFilter(this);
    }
    if (!pane) {
        hide();
        return;
    }
    setGeometry(0, 0, pane->width(), height_);
    raise();
    show();
}

bool SplitViewMainGrip::eventFilter(QObject* watched, QEvent* e)
{
    if (watched == pane_ && (e->type() == QEvent::Resize || e->type() == QEvent::ChildAdded)) {
        setGeometry(0, 0, pane_->width(), height_);
        raise();
    }
    return QWidget::eventFilter(watched, e);
}

QWidget* SplitViewMainGrip::buttonBeneath(const QPoint& pos) const
{
    if (!pane_) return nullptr;
    const QPoint inPane = mapTo(pane_, pos);
    for (QWidget* w = pane_->childAt(inPane); w && w != pane_; w = w->parentWidget()) {
        if (w == this) continue;
        if (qobject_cast<QAbstractButton*>(w)) return w;
    }
    return nullptr;
}

void SplitViewMainGrip::forward(QMouseEvent* e)
{
    const QPointF local = forwardTarget_->mapFromGlobal(e->globalPosition());
    QMouseEvent copy(e->type(), local, e->scenePosition(), e->globalPosition(), e->button(), e->buttons(),
                     e->modifiers());
    QCoreApplication::sendEvent(forwardTarget_, &copy);
}

void SplitViewMainGrip::mousePressEvent(QMouseEvent* e)
{
    // childAt() skips widgets that are transparent for the mouse; look past
    // the grip for a button.
    setAttribute(Qt::WA_TransparentForMouseEvents, true);
    forwardTarget_ = buttonBeneath(e->position().toPoint());
    setAttribute(Qt::WA_TransparentForMouseEvents, false);
    if (forwardTarget_) {
        forward(e);
        return;
    }
    // Where in the strip the mouse went down, so the divider does not jump.
    pressOffset_ = int(e->position().y());
    e->accept();
}

void SplitViewMainGrip::mouseMoveEvent(QMouseEvent* e)
{
    if (forwardTarget_) {
        forward(e);
        return;
    }
    if (!(e->buttons() & Qt::LeftButton)) return;
    const QPoint inSplit = splitView_->mapFromGlobal(e->globalPosition().toPoint());
    splitView_->dragDividerTo(inSplit.y() - pressOffset_);
    e->accept();
}

void SplitViewMainGrip::mouseReleaseEvent(QMouseEvent* e)
{
    if (forwardTarget_) {
        forward(e);
        forwardTarget_ = nullptr;
        return;
    }
    e->accept();
}
