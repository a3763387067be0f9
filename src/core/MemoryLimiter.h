#pragma once

#include <QObject>
#include <QString>

#include <optional>

class MainQueueInterface;

// Holds back new article downloads while the program's resident memory is
// above maxMemLimit (GiB) and lets them go again once it has fallen to
// maxMemResume, when enableMaxMemLimiter is on. Pausing and resuming are
// each logged once per change. Only a flag is set: the main thread never
// waits for the connections.
class MemoryLimiter : public QObject
{
    Q_OBJECT
public:
    explicit MemoryLimiter(QObject* parent = nullptr);

    void setQueueController(MainQueueInterface* queueController) { queueController_ = queueController; }

    // Once a second: measures the own resident size and applies it.
    void report_memory();
    // The rule for one measured resident size in bytes (none: the kernel
    // could not tell; written to the console, nothing else happens).
    void applyResidentSize(std::optional<double> residentBytes);

    // The own resident size in bytes, from /proc/self/statm.
    static std::optional<double> residentSize();

    QString displayText() const { return displayText_; }

Q_SIGNALS:
    void displayTextChanged(const QString& text);

private:
    MainQueueInterface* queueController_ = nullptr;
    QString displayText_;
};
