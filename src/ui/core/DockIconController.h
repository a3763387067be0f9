#pragma once

#include <QImage>
#include <QObject>
#include <QString>

// The launcher icon while the queue holds files: the download picture faded,
// a rounded progress bar with the percentage done, and a badge with the
// number of jobs. Shown as the window icon, and sent to launchers that
// follow the launcher-entry signal on the session bus (count and progress).
class DockIconController : public QObject
{
    Q_OBJECT
public:
    explicit DockIconController(QObject* parent = nullptr);
    ~DockIconController() override;

    void changeDockIconTo(const QImage& image);
    // Segments left against progressBarMaxValue.
    void progressbarValue(double left);
    void resetDockItem();
    void changeTextLabel(const QString& text);
    void removeTextLabel();
    void setProgressBarMaxValue(double value) { progressBarMaxValue_ = value; }
    double progressBarMaxValue() const { return progressBarMaxValue_; }

    // ceil((max - left) * (100 / max)), clamped to 0...100.
    static qint64 percentDone(double maxValue, double left);
    // "%ld%%" below 100, "%ld" at 100.
    static QString percentText(qint64 percent);

    double progressValue() const { return progress_; }
    QString textLabel() const { return textLabel_; }
    QString badgeLabel() const { return badge_; }
    bool showsDownloadPicture() const { return !picture_.isNull(); }
    // The icon as currently drawn.
    QImage tileImage() const { return tile_; }

private:
    void display();
    void sendLauncherEntry();

    static constexpr int kTileSize = 128;
    double progressBarMaxValue_ = 0;
    double progress_ = 0;
    QImage picture_;
    QString textLabel_;
    QString badge_;
    QImage tile_;
};
