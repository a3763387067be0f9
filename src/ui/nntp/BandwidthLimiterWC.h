#pragma once

#include <QWidget>

class BandwidthLimitController;
class QCheckBox;
class QComboBox;
class QLabel;
class QSlider;
class QTimeEdit;

// The Bandwidth Limiter window: the download speed limit, chosen with a
// slider inside one of four decade ranges and shown in bits and bytes per
// second, and the weekly schedule during which it applies (seven days, a
// start and an end time). It writes the settings the connections' limiter
// reads and has BandwidthLimitController read its schedule again. Made once
// by the main window and shown without blocking it. Main thread only.
class BandwidthLimiterWC : public QWidget
{
    Q_OBJECT
public:
    // The slider's integer steps across a range (QSlider holds ints, the
    // limit reaches 10^10 bits per second).
    static constexpr int kSliderSteps = 10000;
    static constexpr int kWindowDistance = 44;

    explicit BandwidthLimiterWC(QWidget* parent = nullptr);
    ~BandwidthLimiterWC() override;

    void setBandwidthLimitController(BandwidthLimitController* controller) { bandwidthLimitController_ = controller; }
    BandwidthLimitController* bandwidthLimitController() const { return bandwidthLimitController_; }

    // Places the window, reads the settings again and brings it to the front.
    void showWindow();

    // The range of a tag (1 to 4), in bits per second; false for another tag.
    static bool rangeForTag(qint64 tag, double* minimum, double* maximum);
    void sliderRangeChangedToTag(qint64 tag);
    void sizeSliderValueChanged(int position);
    void updateSliderValues();
    void updateSelectedSpeedTextField();
    void commitNewValues();
    void loadSchedulerDict();
    void saveSchedulerDict();
    void updateValues();
    void closeWindow();

    double minspeed() const { return minspeed_; }
    double maxspeed() const { return maxspeed_; }
    double selectedspeed() const { return selectedspeed_; }
    // The slider position of a speed in the current range, and back.
    int positionForSpeed(double speed) const;
    double speedForPosition(int position) const;

    QSlider* slider() const { return slider_; }
    QComboBox* rangePopup() const { return rangePopup_; }
    QLabel* bitsPSTextField() const { return bitsPSTextField_; }
    QLabel* bytesPSTextField() const { return bytesPSTextField_; }
    QCheckBox* dayButton(int weekday) const; // 1 Sunday ... 7 Saturday
    QTimeEdit* startTime() const { return startTime_; }
    QTimeEdit* endTime() const { return endTime_; }
    QCheckBox* enableThrottling() const { return enableThrottling_; }
    QCheckBox* enableScheduler() const { return enableScheduler_; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void checkboxWasClicked();
    void rangeDidChange(int index);

    BandwidthLimitController* bandwidthLimitController_ = nullptr;
    double minspeed_ = 0;
    double maxspeed_ = 0;
    double selectedspeed_ = 0;
    bool updatingSlider_ = false;

    QSlider* slider_ = nullptr;
    QComboBox* rangePopup_ = nullptr;
    QLabel* bitsPSTextField_ = nullptr;
    QLabel* bytesPSTextField_ = nullptr;
    QList<QCheckBox*> days_;
    QTimeEdit* startTime_ = nullptr;
    QTimeEdit* endTime_ = nullptr;
    QCheckBox* enableThrottling_ = nullptr;
    QCheckBox* enableScheduler_ = nullptr;
};
