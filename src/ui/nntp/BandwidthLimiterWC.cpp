#include "ui/nntp/BandwidthLimiterWC.h"

#include "core/Utils.h"
#include "nntp/BandwidthLimitController.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/core/WindowPlacement.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QSlider>
#include <QTimeEdit>
#include <QVBoxLayout>

#include <algorithm>
#include <cmath>

namespace {
const QString kLimitKey = QStringLiteral("maxBandwidthThroughPut");
const QString kRangeKey = QStringLiteral("bandLimiterRangeTag");
const QString kSchedulerKey = QStringLiteral("bandwidthThrottlingScheduler");

qint64 secondsOfDay(const QTime& t)
{
    // Seconds of the pickers do not count.
    return qint64(t.hour()) * 3600 + qint64(t.minute()) * 60;
}
} // namespace

BandwidthLimiterWC::BandwidthLimiterWC(QWidget* parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("BandwidthLimiterWC"));
    setWindowTitle(QStringLiteral("Bandwidth Limiter"));

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(16, 14, 16, 14);
    root->setSpacing(10);

    enableThrottling_ = new QCheckBox(QStringLiteral("Limit the download speed"), this);
    enableThrottling_->setObjectName(QStringLiteral("enableBandwidthThrottling"));
    root->addWidget(enableThrottling_);

    auto* limit = new QGroupBox(QStringLiteral("Maximum speed"), this);
    auto* limitLayout = new QGridLayout(limit);
    rangePopup_ = new QComboBox(limit);
    rangePopup_->setObjectName(QStringLiteral("rangePopup"));
    rangePopup_->addItem(QStringLiteral("1 - 10 Mbit/s"), 1);
    rangePopup_->addItem(QStringLiteral("10 - 100 Mbit/s"), 2);
    rangePopup_->addItem(QStringLiteral("100 - 1000 Mbit/s"), 3);
    rangePopup_->addItem(QStringLiteral("1 - 10 Gbit/s"), 4);
    slider_ = new QSlider(Qt::Horizontal, limit);
    slider_->setObjectName(QStringLiteral("slider"));
    slider_->setRange(0, kSliderSteps);
    slider_->setPageStep(kSliderSteps / 20);
    slider_->setSingleStep(kSliderSteps / 100);
    slider_->setMinimumWidth(280);
    bitsPSTextField_ = new QLabel(limit);
    bitsPSTextField_->setObjectName(QStringLiteral("bitsPSTextField"));
    bitsPSTextField_->setStyleSheet(QStringLiteral("font-weight: bold;"));
    bytesPSTextField_ = new QLabel(limit);
    bytesPSTextField_->setObjectName(QStringLiteral("bytesPSTextField"));
    limitLayout->addWidget(new QLabel(QStringLiteral("Range:"), limit), 0, 0);
    limitLayout->addWidget(rangePopup_, 0, 1, 1, 2);
    limitLayout->addWidget(slider_, 1, 0, 1, 3);
    limitLayout->addWidget(bitsPSTextField_, 2, 0, 1, 2);
    limitLayout->addWidget(bytesPSTextField_, 2, 2, Qt::AlignRight);
    root->addWidget(limit);

    enableScheduler_ = new QCheckBox(QStringLiteral("Only during these hours"), this);
    enableScheduler_->setObjectName(QStringLiteral("enableBandwidthThrottlingScheduler"));
    root->addWidget(enableScheduler_);

    auto* schedule = new QGroupBox(QStringLiteral("Schedule"), this);
    auto* scheduleLayout = new QVBoxLayout(schedule);
    auto* dayRow = new QHBoxLayout;
    static const char* const names[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
    static const char* const outlets[] = {"btnSunday",   "btnMonday", "btnTuesday", "btnWednesday",
                                          "btnThursday", "btnFriday", "btnSaturday"};
    for (int d = 0; d < 7; ++d) {
        auto* box = new QCheckBox(QString::fromLatin1(names[d]), schedule);
        box->setObjectName(QString::fromLatin1(outlets[d]));
        days_ << box;
        dayRow->addWidget(box);
        connect(box, &QCheckBox::clicked, this, &BandwidthLimiterWC::checkboxWasClicked);
    }
    scheduleLayout->addLayout(dayRow);
    auto* times = new QHBoxLayout;
    startTime_ = new QTimeEdit(schedule);
    startTime_->setObjectName(QStringLiteral("startTime"));
    endTime_ = new QTimeEdit(schedule);
    endTime_->setObjectName(QStringLiteral("endTime"));
    for (QTimeEdit* t : {startTime_, endTime_})
        t->setDisplayFormat(QStringLiteral("HH:mm"));
    times->addWidget(new QLabel(QStringLiteral("From"), schedule));
    times->addWidget(startTime_);
    times->addSpacing(12);
    times->addWidget(new QLabel(QStringLiteral("to"), schedule));
    times->addWidget(endTime_);
    times->addStretch();
    scheduleLayout->addLayout(times);
    root->addWidget(schedule);

    connect(rangePopup_, &QComboBox::activated, this, &BandwidthLimiterWC::rangeDidChange);
    connect(slider_, &QSlider::valueChanged, this, &BandwidthLimiterWC::sizeSliderValueChanged);
    connect(slider_, &QSlider::sliderReleased, this, &BandwidthLimiterWC::commitNewValues);
    for (QCheckBox* box : {enableThrottling_, enableScheduler_})
        connect(box, &QCheckBox::clicked, this, [this, box](bool on) {
            UserDefaults::standard().setBool(on, box->objectName());
            checkboxWasClicked();
        });

    // A tool window: Escape closes it, as its title bar's button does.
    auto* escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, &QWidget::close);

    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) {
                                                     if (isVisible()) close();
                                                 });
}

BandwidthLimiterWC::~BandwidthLimiterWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QCheckBox* BandwidthLimiterWC::dayButton(int weekday) const
{
    return weekday >= 1 && weekday <= 7 ? days_[weekday - 1] : nullptr;
}

void BandwidthLimiterWC::showWindow()
{
    adjustSize();
    WindowPlacement::centerWindow(this, kWindowDistance);
    UserDefaults& d = UserDefaults::standard();
    const qint64 tag = d.integerForKey(kRangeKey);
    selectedspeed_ = d.doubleForKey(kLimitKey);
    const int item = rangePopup_->findData(tag);
    if (item >= 0) rangePopup_->setCurrentIndex(item);
    sliderRangeChangedToTag(tag);
    enableThrottling_->setChecked(d.boolForKey(enableThrottling_->objectName()));
    enableScheduler_->setChecked(d.boolForKey(enableScheduler_->objectName()));
    loadSchedulerDict();
    show();
    raise();
    activateWindow();
}

bool BandwidthLimiterWC::rangeForTag(qint64 tag, double* minimum, double* maximum)
{
    if (tag < 1 || tag > 4) return false;
    *minimum = std::pow(10.0, double(tag + 5));
    *maximum = std::pow(10.0, double(tag + 6));
    return true;
}

void BandwidthLimiterWC::rangeDidChange(int index)
{
    const qint64 tag = rangePopup_->itemData(index).toLongLong();
    // The window keeps the user's choice of range for the next opening.
    UserDefaults::standard().setInteger(tag, kRangeKey);
    sliderRangeChangedToTag(tag);
}

void BandwidthLimiterWC::sliderRangeChangedToTag(qint64 tag)
{
    rangeForTag(tag, &minspeed_, &maxspeed_);
    if (selectedspeed_ > maxspeed_)
        selectedspeed_ = maxspeed_;
    else if (minspeed_ > selectedspeed_)
        selectedspeed_ = minspeed_;
    updateSliderValues();
    commitNewValues();
}

int BandwidthLimiterWC::positionForSpeed(double speed) const
{
    if (!(maxspeed_ > minspeed_)) return 0;
    const double share = (speed - minspeed_) / (maxspeed_ - minspeed_);
    return int(std::lround(std::clamp(share, 0.0, 1.0) * kSliderSteps));
}

double BandwidthLimiterWC::speedForPosition(int position) const
{
    return minspeed_ + (maxspeed_ - minspeed_) * double(position) / kSliderSteps;
}

void BandwidthLimiterWC::updateSliderValues()
{
    updatingSlider_ = true;
    slider_->setValue(positionForSpeed(selectedspeed_));
    updatingSlider_ = false;
    updateSelectedSpeedTextField();
}

void BandwidthLimiterWC::sizeSliderValueChanged(int position)
{
    if (updatingSlider_) return;
    selectedspeed_ = speedForPosition(position);
    updateSelectedSpeedTextField();
    // A drag writes the limit when the knob is let go; a click on the track
    // or a key press is a finished choice.
    if (!slider_->isSliderDown()) commitNewValues();
}

void BandwidthLimiterWC::updateSelectedSpeedTextField()
{
    bitsPSTextField_->setText(Utils::formatBitsPerSecond(selectedspeed_));
    bytesPSTextField_->setText(Utils::formatBytesPerSecond(selectedspeed_ * 0.125));
}

void BandwidthLimiterWC::commitNewValues()
{
    UserDefaults::standard().setDouble(selectedspeed_, kLimitKey);
}

void BandwidthLimiterWC::loadSchedulerDict()
{
    const QVariantMap dict = UserDefaults::standard().dictionaryForKey(kSchedulerKey);
    if (dict.isEmpty()) return;
    for (int d = 1; d <= 7; ++d)
        days_[d - 1]->setChecked(dict.value(QString::number(d)).toBool());
    // The pickers show the stored times: closing the window saves them, so
    // pickers left at midnight would wipe the schedule.
    auto timeOf = [&](const char* key) {
        const qint64 s = dict.value(QString::fromLatin1(key)).toLongLong();
        return QTime(0, 0).addSecs(int(std::clamp<qint64>(s, 0, 86399)));
    };
    startTime_->setTime(timeOf("starttime"));
    endTime_->setTime(timeOf("endtime"));
}

void BandwidthLimiterWC::saveSchedulerDict()
{
    QVariantMap dict;
    for (int d = 1; d <= 7; ++d)
        dict.insert(QString::number(d), days_[d - 1]->isChecked());
    dict.insert(QStringLiteral("starttime"), secondsOfDay(startTime_->time()));
    dict.insert(QStringLiteral("endtime"), secondsOfDay(endTime_->time()));
    UserDefaults& d = UserDefaults::standard();
    d.setObject(dict, kSchedulerKey);
    d.synchronize();
}

void BandwidthLimiterWC::updateValues()
{
    saveSchedulerDict();
    if (bandwidthLimitController_) bandwidthLimitController_->resetScheduler();
}

void BandwidthLimiterWC::checkboxWasClicked()
{
    updateValues();
}

void BandwidthLimiterWC::closeWindow()
{
    commitNewValues();
    updateValues();
}

void BandwidthLimiterWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    QWidget::closeEvent(event);
}
