#pragma once

#include <QWidget>

#include <cstdint>

class QLabel;
class QSlider;

// The memory limit of the download engine: a slider from 2 GB to three
// quarters of the machine's memory, in steps of a tenth, marks about half a
// GB apart. The limit ("maxMemLimit") and the level at which downloading
// resumes ("maxMemResume", half the limit) are stored when the slider is let
// go or moved by the keyboard, not while it is dragged.
class PrefsMemoryLimitView : public QWidget
{
    Q_OBJECT
public:
    // `physicalMemoryBytes` 0: this machine's memory.
    explicit PrefsMemoryLimitView(std::uint64_t physicalMemoryBytes = 0, QWidget* parent = nullptr);

    double minimum() const { return kMinimumGB; }
    double maximum() const { return maximum_; }
    int numberOfTickMarks() const { return tickMarks_; }
    double value() const;
    QSlider* slider() const { return slider_; }
    QLabel* textFieldMaxMemSize() const { return textFieldMaxMemSize_; }

    // Stores the slider's value (as a release of the slider does).
    void commitNewValues();

    static constexpr double kMinimumGB = 2.0;

private:
    void updateSelectedMaxMemTextField();

    double maximum_ = kMinimumGB;
    int tickMarks_ = 1;
    QSlider* slider_;
    QLabel* textFieldTotalSystemMemory_;
    QLabel* textFieldMaxMemSize_;
};
