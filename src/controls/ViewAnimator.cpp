#include "controls/ViewAnimator.h"

#include "controls/ViewAnimatorDelegate.h"

#include <QLabel>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>

ViewAnimator::ViewAnimator(QWidget* viewHolder, QObject* parent) : QObject(parent), viewHolder_(viewHolder)
{}

ViewAnimator::~ViewAnimator()
{
    stopRunning();
}

void ViewAnimator::animateNoneForView(QWidget* view)
{
    subtype_ = Subtype::None;
    animate(view);
}

void ViewAnimator::animateFromTopForView(QWidget* view)
{
    subtype_ = Subtype::FromTop;
    animate(view);
}

void ViewAnimator::animateFromBottomForView(QWidget* view)
{
    subtype_ = Subtype::FromBottom;
    animate(view);
}

void ViewAnimator::animateFromRightForView(QWidget* view)
{
    subtype_ = Subtype::FromRight;
    animate(view);
}

void ViewAnimator::animateFromLeftForView(QWidget* view)
{
    subtype_ = Subtype::FromLeft;
    animate(view);
}

QWidget* ViewAnimator::getCurrentView() const
{
    if (!viewHolder_) return nullptr;
    for (QWidget* child : viewHolder_->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (child != snapshot_.data()) return child;
    }
    return nullptr;
}

bool ViewAnimator::isAnimating() const
{
    return group_ != nullptr;
}

void ViewAnimator::stopRunning()
{
    // A cut-short slide ends without animationFinished.
    if (group_) {
        QParallelAnimationGroup* group = group_;
        group_ = nullptr;
        group->stop();
        delete group;
    }
    if (incoming_) incoming_->move(0, 0);
    delete snapshot_.data();
}

void ViewAnimator::animate(QWidget* view)
{
    if (!viewHolder_ || !view) return;
    stopRunning();
    QWidget* current = getCurrentView();
    if (current == view) current = nullptr;

    const QSize size = view->size();
    QPixmap picture;
    if (current) {
        picture = current->grab();
        current->hide();
        current->setParent(nullptr);
    }
    view->setParent(viewHolder_);
    view->setGeometry(QRect(QPoint(0, 0), size));
    viewHolder_->resize(size);
    view->show();
    incoming_ = view;

    // The push: the new view comes in from the named side (from the left
    // when no side is named) and pushes the old picture out the other.
    QPoint from;
    switch (subtype_) {
    case Subtype::FromTop:
        from = QPoint(0, -size.height());
        break;
    case Subtype::FromBottom:
        from = QPoint(0, size.height());
        break;
    case Subtype::FromRight:
        from = QPoint(size.width(), 0);
        break;
    case Subtype::FromLeft:
    case Subtype::None:
        from = QPoint(-size.width(), 0);
        break;
    }
    group_ = new QParallelAnimationGroup(this);
    auto* in = new QPropertyAnimation(view, "pos", group_);
    in->setDuration(kDuration);
    in->setStartValue(from);
    in->setEndValue(QPoint(0, 0));
    if (!picture.isNull()) {
        auto* label = new QLabel(viewHolder_);
        label->setPixmap(picture);
        label->setGeometry(QRect(QPoint(0, 0), picture.deviceIndependentSize().toSize()));
        label->show();
        label->raise();
        view->raise();
        snapshot_ = label;
        auto* out = new QPropertyAnimation(label, "pos", group_);
        out->setDuration(kDuration);
        out->setStartValue(QPoint(0, 0));
        out->setEndValue(-from);
    }
    view->move(from);
    QParallelAnimationGroup* group = group_;
    connect(group, &QAbstractAnimation::finished, this, [this, group] {
        if (group_ != group) return;
        group_ = nullptr;
        group->deleteLater();
        delete snapshot_.data();
        if (delegate_) delegate_->animationFinished();
    });
    if (delegate_) delegate_->animationStarted();
    group->start();
}

void ViewAnimator::resizeWindowToFitView(QWidget* view)
{
    if (!viewHolder_ || !view) return;
    QWidget* window = viewHolder_->window();
    if (!window) return;
    const QRect old = window->geometry();
    const QRect target(old.topLeft(), QSize(view->width(), view->height() + kWindowExtraHeight));
    auto* animation = new QPropertyAnimation(window, "geometry", this);
    animation->setDuration(kDuration);
    animation->setStartValue(old);
    animation->setEndValue(target);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}
