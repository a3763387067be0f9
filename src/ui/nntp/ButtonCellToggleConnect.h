#pragma once

#include <QAbstractButton>
#include <QTimer>

// The connections page's on/off button. State 0 (connected) shows
// "btn_online"; state 1 (connections switched off by hand) blinks between
// "btn_offline02" and "btn_offline01" twice a second, so that a switched-off
// program catches the eye. A disabled button keeps its image and timer.
class ButtonCellToggleConnect : public QAbstractButton
{
    Q_OBJECT
public:
    static constexpr int kBlinkIntervalMs = 500;

    explicit ButtonCellToggleConnect(QWidget* parent = nullptr);

    int state() const { return state_; }
    void setState(int state);

    QString imageName() const { return image_; }
    QString pressedImageName() const { return pressedImage_; }
    bool isBlinking() const { return timer_.isActive(); }
    // One tick of the blinking.
    void toggleButtonImage();

    QSize sizeHint() const override { return {24, 24}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void applyState();

    int state_ = 0;
    bool toggle_ = false;
    QString image_;
    QString pressedImage_;
    QTimer timer_;
};
