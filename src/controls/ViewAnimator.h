#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class QParallelAnimationGroup;
class ViewAnimatorDelegate;

// Swaps the content of a holder view with a sliding push: the new view slides
// in from one side while a picture of the old one slides out the other. The
// old view leaves the holder at once (parentless, for its owner to keep).
class ViewAnimator : public QObject
{
    Q_OBJECT
public:
    enum class Subtype { None, FromTop, FromBottom, FromRight, FromLeft };
    static constexpr int kDuration = 200;
    static constexpr int kWindowExtraHeight = 37;

    explicit ViewAnimator(QWidget* viewHolder, QObject* parent = nullptr);
    ~ViewAnimator() override;

    QWidget* viewHolder() const { return viewHolder_; }
    Subtype subtype() const { return subtype_; }
    ViewAnimatorDelegate* delegate() const { return delegate_; }
    void setDelegate(ViewAnimatorDelegate* delegate) { delegate_ = delegate; }

    void animateNoneForView(QWidget* view);
    void animateFromTopForView(QWidget* view);
    void animateFromBottomForView(QWidget* view);
    void animateFromRightForView(QWidget* view);
    void animateFromLeftForView(QWidget* view);
    void animate(QWidget* view);

    QWidget* getCurrentView() const;
    bool isAnimating() const;

    // Resizes the holder's window so its content fits `view` below the
    // window's top bar, keeping the window's top edge where it is.
    void resizeWindowToFitView(QWidget* view);

private:
    void stopRunning();

    QPointer<QWidget> viewHolder_;
    Subtype subtype_ = Subtype::FromRight;
    ViewAnimatorDelegate* delegate_ = nullptr;
    QParallelAnimationGroup* group_ = nullptr;
    QPointer<QLabel> snapshot_;
    QPointer<QWidget> incoming_;
};
