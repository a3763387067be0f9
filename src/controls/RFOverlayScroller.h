#pragma once

#include <QScrollBar>

class QPropertyAnimation;
class QTimer;

// A vertical scroller that floats over the content: only its knob is drawn,
// at the scroller's own opacity (`alphaValue`). It shows when the content
// scrolls or the mouse comes over it and fades out shortly after.
class RFOverlayScroller : public QScrollBar
{
    Q_OBJECT
    Q_PROPERTY(qreal alphaValue READ alphaValue WRITE setAlphaValue)
public:
    explicit RFOverlayScroller(QWidget* parent = nullptr);

    qreal alphaValue() const { return alpha_; }
    void setAlphaValue(qreal alpha);

    // Fade durations and the wait before the fade-out, in milliseconds.
    static constexpr int kShowDuration = 250;
    static constexpr int kEnterDuration = 100;
    static constexpr int kFadeOutDuration = 300;
    static constexpr int kFadeOutDelay = 1500;

    // The content scrolled: show the knob, then fade it out after the wait.
    void contentScrolled();
    void fadeOut();
    // Whether a fade-out is waiting, and the animation running now (if any).
    bool fadeOutPending() const;
    QPropertyAnimation* animation() const { return animation_; }

    // The width of the scroller while the scroll view lays out its content.
    static int zeroWidth() { return 0; }

protected:
    void sliderChange(SliderChange change) override;
    void paintEvent(QPaintEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;

private:
    void fadeTo(qreal alpha, int duration);

    qreal alpha_ = 0.0;
    QPropertyAnimation* animation_;
    QTimer* fadeOutTimer_;
};
