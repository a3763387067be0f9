#include "ui/stats/StatsDateSelectorPopOverVC.h"

#include "controls/MLCalendarView.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/stats/TextFieldDateSelector.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QString kFormat = QStringLiteral("yyyy/MM/dd");

struct Preset
{
    int tag;
    const char* title;
};
constexpr Preset kPresets[] = {{0, "Today"},        {1, "Yesterday"},    {2, "Last 7 days"}, {3, "Last 30 days"},
                               {4, "Last 90 days"}, {5, "Last 365 days"}, {6, "All"}};

} // namespace

StatsDateSelectorPopOverVC::StatsDateSelectorPopOverVC(const StatsCalendar& calendar, QWidget* owner)
    : StatsPopover(owner), calendar_(calendar), startDateTextField_(new TextFieldDateSelector(this)),
      endDateTextField_(new TextFieldDateSelector(this)), btnApply_(new QPushButton(tr("Apply"), this)),
      calendarView_(new MLCalendarView(this))
{
    setObjectName(QStringLiteral("StatsDateSelectorPopOverVC"));
    startDateTextField_->setObjectName(QStringLiteral("startDateTextField"));
    startDateTextField_->setTag(1);
    endDateTextField_->setObjectName(QStringLiteral("endDateTextField"));
    endDateTextField_->setTag(2);
    btnApply_->setObjectName(QStringLiteral("btnApply"));
    btnApply_->setDefault(true);
    calendarView_->setDelegate(this);
    calendarView_->setFixedSize(calendarView_->sizeHint().expandedTo(QSize(220, 200)));

    auto* fields = new QGridLayout;
    fields->addWidget(new QLabel(tr("From:"), this), 0, 0);
    fields->addWidget(startDateTextField_, 0, 1);
    fields->addWidget(new QLabel(tr("To:"), this), 1, 0);
    fields->addWidget(endDateTextField_, 1, 1);

    auto* presets = new QVBoxLayout;
    presets->setSpacing(4);
    for (const Preset& preset : kPresets) {
        auto* b = new QPushButton(tr(preset.title), this);
        b->setObjectName(QStringLiteral("preset%1").arg(preset.tag));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [this, tag = preset.tag] { btnClicked(tag); });
        presets->addWidget(b);
        presetButtons_.append(b);
    }
    presets->addStretch(1);

    auto* left = new QVBoxLayout;
    left->addLayout(fields);
    left->addWidget(calendarView_);
    auto* apply = new QHBoxLayout;
    apply->addStretch(1);
    apply->addWidget(btnApply_);
    left->addLayout(apply);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 12);
    layout->setSpacing(14);
    layout->addLayout(left);
    layout->addLayout(presets);

    connect(startDateTextField_, &QLineEdit::textEdited, this, [this] { checkIfValidDateFormat(); });
    connect(endDateTextField_, &QLineEdit::textEdited, this, [this] { checkIfValidDateFormat(); });
    connect(btnApply_, &QPushButton::clicked, this, [this] { btnApplyClicked(); });
    connect(startDateTextField_, &QLineEdit::returnPressed, this, [this] {
        if (btnApply_->isEnabled()) btnApplyClicked();
    });
    connect(endDateTextField_, &QLineEdit::returnPressed, this, [this] {
        if (btnApply_->isEnabled()) btnApplyClicked();
    });
    NotificationHub::defaultCenter().addObserver(
        QStringLiteral("TextFieldDateSelectorBecomeFistResponder"), this, [this](const Notification& n) {
            auto* field = qobject_cast<TextFieldDateSelector*>(n.object);
            if (field == startDateTextField_ || field == endDateTextField_) fieldTookFocus(field);
        });
    loadStoredRange();
}

StatsDateSelectorPopOverVC::~StatsDateSelectorPopOverVC()
{
    calendarView_->setDelegate(nullptr);
    NotificationHub::defaultCenter().removeObserver(this);
}

void StatsDateSelectorPopOverVC::showEvent(QShowEvent* e)
{
    // Shown again after a click outside: the settings are read anew.
    loadStoredRange();
    StatsPopover::showEvent(e);
}

qint64 StatsDateSelectorPopOverVC::today() const
{
    return calendar_.dayNumberAt(calendar_.now());
}

void StatsDateSelectorPopOverVC::loadStoredRange()
{
    UserDefaults& d = UserDefaults::standard();
    startdate_ = d.integerForKey(QStringLiteral("statsUsageStartDay"));
    enddate_ = d.integerForKey(QStringLiteral("statsUsageEndDay"));
    calendarView_->setToday(dateForDayNumber(today()));
    if (focusedTextField_ == 0) {
        focusedTextField_ = 1;
        selectedTextField_ = startDateTextField_;
    }
    updateDateFields();
}

QDate StatsDateSelectorPopOverVC::dateForDayNumber(qint64 day)
{
    int y = 1970, m = 1, d = 1;
    StatsCalendar::dateForDayNumber(day, y, m, d);
    return QDate(y, m, d);
}

QString StatsDateSelectorPopOverVC::textForDayNumber(qint64 day)
{
    return dateForDayNumber(day).toString(kFormat);
}

void StatsDateSelectorPopOverVC::updateDateFields()
{
    startDateTextField_->setText(textForDayNumber(startdate_));
    endDateTextField_->setText(textForDayNumber(enddate_));
    checkIfValidDateFormat();
}

std::optional<QDate> StatsDateSelectorPopOverVC::readField(const TextFieldDateSelector* field) const
{
    const QDate date = QDate::fromString(field->text().trimmed(), kFormat);
    if (!date.isValid() || date < QDate(1970, 1, 1)) return std::nullopt;
    return date;
}

void StatsDateSelectorPopOverVC::showFieldState(TextFieldDateSelector* field, bool valid)
{
    field->setStyleSheet(valid ? QString() : QStringLiteral("QLineEdit { border: 2px solid #d33; }"));
    field->setToolTip(valid ? QString() : tr("A date from 1970/01/01 on, as yyyy/mm/dd, the start not after the end"));
}

void StatsDateSelectorPopOverVC::checkIfValidDateFormat()
{
    const std::optional<QDate> start = readField(startDateTextField_);
    const std::optional<QDate> end = readField(endDateTextField_);
    validStart_ = start.has_value();
    validEnd_ = end.has_value();
    if (start && end && *start > *end) validStart_ = validEnd_ = false;
    showFieldState(startDateTextField_, validStart_);
    showFieldState(endDateTextField_, validEnd_);
    const std::optional<QDate>& focused = focusedTextField_ == 2 ? end : start;
    if ((focusedTextField_ == 1 && validStart_) || (focusedTextField_ == 2 && validEnd_)) {
        calendarView_->setDate(*focused);
        calendarView_->setSelectedDate(*focused);
    }
    btnApply_->setEnabled(validStart_ && validEnd_);
}

void StatsDateSelectorPopOverVC::btnClicked(int tag)
{
    static constexpr qint64 kBack[] = {0, 1, 7, 30, 90, 365};
    const qint64 now = today();
    enddate_ = now;
    startdate_ = tag >= 0 && tag < 6 ? now - kBack[tag] : kAllTimeStartDay;
    updateDateFields();
    Q_EMIT selectedDate(startdate_, enddate_);
}

std::optional<qint64> StatsDateSelectorPopOverVC::dayNumberForText(const QString& text) const
{
    if (text.trimmed().isEmpty()) return today();
    const QDate date = QDate::fromString(text.trimmed(), kFormat);
    if (!date.isValid()) return std::nullopt;
    return StatsCalendar::dayNumberForDate(date.year(), date.month(), date.day());
}

void StatsDateSelectorPopOverVC::btnApplyClicked()
{
    checkIfValidDateFormat();
    const std::optional<qint64> start = dayNumberForText(startDateTextField_->text());
    const std::optional<qint64> end = dayNumberForText(endDateTextField_->text());
    if (!validStart_ || !validEnd_ || !start || !end) return;
    startdate_ = std::max(*start, kAllTimeStartDay);
    enddate_ = std::max(*end, startdate_);
    Q_EMIT selectedDate(startdate_, enddate_);
}

void StatsDateSelectorPopOverVC::fieldTookFocus(TextFieldDateSelector* field)
{
    focusedTextField_ = field->tag();
    selectedTextField_ = field;
    // The calendar shows the field's date, or today's for an empty or
    // unreadable field.
    const std::optional<QDate> date = readField(field);
    const QDate shown = date ? *date : dateForDayNumber(today());
    calendarView_->setDate(shown);
    calendarView_->setSelectedDate(shown);
}

void StatsDateSelectorPopOverVC::didSelectDate(const QDate& date)
{
    if (!date.isValid() || !selectedTextField_) return;
    // Only the field changes; the range goes back with Apply.
    selectedTextField_->setText(date.toString(kFormat));
    checkIfValidDateFormat();
}
