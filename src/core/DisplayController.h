#pragma once

#include <QObject>
#include <QTimer>
#include <QVariantMap>

#include <functional>

class MainQueueInterface;

// The status bar's figures: the download speed with its unit, the number of
// jobs left and the time left, computed once a second from the queue's
// counters and published as strings in displayData(), which the status
// fields follow through displayDataChanged. Each second's speed also goes to
// the speed graph.
//
// Main thread only. The timer keeps running while a modal window is up, so
// the figures stay current behind a dialog.
class DisplayController : public QObject
{
    Q_OBJECT
public:
    explicit DisplayController(QObject* parent = nullptr);
    ~DisplayController() override;

    // Set once at start-up; not owned.
    void setQueueController(MainQueueInterface* queueController) { queueController_ = queueController; }
    // The speed graph's addBandwidthValue (bits per second).
    void setViewBandwidth(std::function<void(qint64)> addBandwidthValue)
    {
        addBandwidthValue_ = std::move(addBandwidthValue);
    }

    // Keys "bandwidth", "bandwidthUnit", "totalfiles" and "timeleft".
    const QVariantMap& displayData() const { return displayData_; }
    double bytesPS() const { return bytesPS_; }
    double bitsPS() const { return bitsPS_; }
    QTimer* oneSecondTimer() { return &oneSecondTimer_; }

    void calculateBandwidth();
    // Bytes or bits per second, as the setting showMegaBytesPerSecond asks.
    void updateBandwidthTextField();
    void makeBytesPerSecondString();
    void makeBitsPerSecondString();

    // "" below one second, "99:59:59" beyond 999 hours, else "%02lu:%02lu:%02lu"
    // with hours possibly in three digits.
    static QString secondsToTime(qint32 seconds);

    // The shown number and unit for a speed, decimal steps, strict comparisons.
    struct SpeedText
    {
        QString number;
        QString unit;
    };
    static SpeedText speedText(double value, bool bytes);

Q_SIGNALS:
    void displayDataChanged(const QString& key, const QString& value);

private:
    void setDisplayValue(const QString& key, const QString& value);

    MainQueueInterface* queueController_ = nullptr;
    std::function<void(qint64)> addBandwidthValue_;
    QVariantMap displayData_;
    double bytesPS_ = 0;
    double bitsPS_ = 0;
    QTimer oneSecondTimer_;
};
