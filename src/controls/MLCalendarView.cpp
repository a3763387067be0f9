#include "controls/MLCalendarView.h"

#include "controls/MLCalendarBackground.h"
#include "controls/MLCalendarCell.h"
#include "controls/MLCalendarViewDelegate.h"
#include "controls/SRGB.h"
#include "core/StringFormat.h"

#include <QGridLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTimeZone>
#include <QVBoxLayout>

MLCalendarView::MLCalendarView(QWidget* parent) : QWidget(parent)
{
    backgroundColor_ = Qt::white;
    textColor_ = Qt::black;
    selectionColor_ = srgb(0.463, 0.824, 0.973);
    todayMarkerColor_ = srgb(0.847, 0.847, 0.847);
    dayMarkerColor_ = grey(1.0 / 3.0);
    firstWeekday_ = firstWeekdayOfLocale(QLocale());
    for (int r = 0; r < 6; ++r)
        dayCells_.append(QList<MLCalendarCell*>());
    date_ = QDate::currentDate();
    buildView();
    setDate(date_);
}

MLCalendarView::~MLCalendarView() = default;

void MLCalendarView::buildView()
{
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    background_ = new MLCalendarBackground(this);
    outer->addWidget(background_);

    auto* grid = new QGridLayout(background_);
    grid->setContentsMargins(8, 6, 8, 8);
    grid->setHorizontalSpacing(0);
    grid->setVerticalSpacing(0);

    auto* prev = new QPushButton(QStringLiteral("\u2039"), background_);
    prev->setObjectName(QStringLiteral("prevMonth"));
    prev->setFlat(true);
    prev->setFixedSize(24, 22);
    connect(prev, &QPushButton::clicked, this, &MLCalendarView::prevMonth);
    auto* next = new QPushButton(QStringLiteral("\u203A"), background_);
    next->setObjectName(QStringLiteral("nextMonth"));
    next->setFlat(true);
    next->setFixedSize(24, 22);
    connect(next, &QPushButton::clicked, this, &MLCalendarView::nextMonth);
    calendarTitle_ = new QLabel(background_);
    calendarTitle_->setObjectName(QStringLiteral("calendarTitle"));
    calendarTitle_->setAlignment(Qt::AlignCenter);
    QFont titleFont = calendarTitle_->font();
    titleFont.setBold(true);
    calendarTitle_->setFont(titleFont);
    grid->addWidget(prev, 0, 0);
    grid->addWidget(calendarTitle_, 0, 1, 1, 5);
    grid->addWidget(next, 0, 6);

    QFont small = font();
    small.setPixelSize(10);
    for (int i = 1; i <= 7; ++i) {
        auto* label = new QLabel(background_);
        label->setObjectName(sformat(u"day%d", i));
        label->setAlignment(Qt::AlignCenter);
        label->setFont(small);
        grid->addWidget(label, 1, i - 1);
    }
    for (int n = 1; n <= 42; ++n) {
        auto* cell = new MLCalendarCell(background_);
        cell->setObjectName(sformat(u"c%d", n));
        grid->addWidget(cell, 2 + (n - 1) / 7, (n - 1) % 7);
    }

    // What the view's loading does: collect the parts by identifier.
    for (int i = 1; i <= 7; ++i)
        dayLabels_.append(qobject_cast<QLabel*>(viewByID(sformat(u"day%d", i))));
    for (int r = 0; r < 6; ++r) {
        for (int c = 1; c <= 7; ++c) {
            auto* cell = qobject_cast<MLCalendarCell*>(viewByID(sformat(u"c%d", 7 * r + c)));
            connect(cell, &QAbstractButton::clicked, this, [this, cell] { cellClicked(cell); });
            dayCells_[r].append(cell);
            cell->setOwner(this);
        }
    }
    fillDayLabels();
    background_->setBackgroundColor(backgroundColor_);
}

QWidget* MLCalendarView::viewByID(const QString& identifier) const
{
    if (!background_) return nullptr;
    return background_->findChild<QWidget*>(identifier, Qt::FindDirectChildrenOnly);
}

void MLCalendarView::fillDayLabels()
{
    const QLocale locale;
    for (int i = 0; i < 7; ++i) {
        // i = 0 is Sunday, which QLocale numbers 7.
        const int qtDay = i == 0 ? 7 : i;
        const QString name = locale.standaloneDayName(qtDay, QLocale::ShortFormat).toUpper();
        if (QLabel* label = dayLabels_.value(colForDay(i + 1))) label->setText(name);
    }
}

void MLCalendarView::setBackgroundColor(const QColor& color)
{
    backgroundColor_ = color;
    if (background_) background_->setBackgroundColor(color);
    update();
}

void MLCalendarView::setTextColor(const QColor& color)
{
    textColor_ = color;
    update();
}

void MLCalendarView::setSelectionColor(const QColor& color)
{
    selectionColor_ = color;
    update();
}

void MLCalendarView::setTodayMarkerColor(const QColor& color)
{
    todayMarkerColor_ = color;
    update();
}

void MLCalendarView::setDayMarkerColor(const QColor& color)
{
    dayMarkerColor_ = color;
    update();
}

void MLCalendarView::setDate(const QDate& date)
{
    if (!date.isValid()) return;
    date_ = date;
    layoutCalendar();
    updateTitle();
}

void MLCalendarView::updateTitle()
{
    if (!calendarTitle_) return;
    QString month = QLocale().standaloneMonthName(date_.month(), QLocale::LongFormat);
    if (!month.isEmpty()) month[0] = month.at(0).toUpper();
    calendarTitle_->setText(sformat(u"%@, %ld", month, qint64(date_.year())));
}

void MLCalendarView::setSelectedDate(const QDate& date)
{
    selectedDate_ = date;
    for (const auto& row : dayCells_) {
        for (MLCalendarCell* cell : row)
            cell->setSelected(isSameDate(cell->representedDate(), selectedDate_));
    }
}

void MLCalendarView::setFirstWeekday(int weekday)
{
    if (weekday < 1 || weekday > 7) return;
    firstWeekday_ = weekday;
    fillDayLabels();
    layoutCalendar();
}

QDate MLCalendarView::today() const
{
    return today_.isValid() ? today_ : QDate::currentDate();
}

void MLCalendarView::setToday(const QDate& day)
{
    today_ = day;
    update();
}

void MLCalendarView::prevMonth()
{
    stepMonth(-1);
}

void MLCalendarView::nextMonth()
{
    stepMonth(+1);
}

void MLCalendarView::stepMonth(int delta)
{
    int year = date_.year();
    int month = date_.month() + delta;
    if (month >= 13) {
        month = 1;
        year += 1;
    } else if (month < 1) {
        month = 12;
        year -= 1;
    }
    // The day stays, cut to the length of the new month: the 31st of
    // January steps to the 29th of February, not into March.
    const int day = qMin(date_.day(), QDate(year, month, 1).daysInMonth());
    setDate(QDate(year, month, day));
}

void MLCalendarView::cellClicked(MLCalendarCell* cell)
{
    if (!cell) return;
    for (const auto& row : dayCells_) {
        for (MLCalendarCell* c : row)
            c->setSelected(false);
    }
    cell->setSelected(true);
    selectedDate_ = cell->representedDate();
    if (delegate_) delegate_->didSelectDate(selectedDate_);
    Q_EMIT dateSelected(selectedDate_);
}

int MLCalendarView::colForDay(int weekday) const
{
    int col = weekday - firstWeekday_;
    if (col < 0) col += 7;
    return col;
}

QDate MLCalendarView::monthDay(int n) const
{
    return QDate(date_.year(), date_.month(), n);
}

int MLCalendarView::lastDayOfTheMonth() const
{
    return date_.daysInMonth();
}

void MLCalendarView::layoutCalendar()
{
    if (!background_) return;
    for (const auto& row : dayCells_) {
        for (MLCalendarCell* cell : row) {
            cell->setRepresentedDate(QDate());
            cell->setSelected(false);
        }
    }
    const int first = colForDay(weekdaySundayFirst(monthDay(1)));
    const int last = lastDayOfTheMonth();
    for (int day = 1; day <= last; ++day) {
        const int slot = first + day - 1;
        MLCalendarCell* cell = dayCells_.value(slot / 7).value(slot % 7);
        if (!cell) break;
        const QDate d = monthDay(day);
        cell->setRepresentedDate(d);
        cell->setSelected(isSameDate(d, selectedDate_));
    }
}

bool MLCalendarView::isSameDate(const QDate& a, const QDate& b)
{
    return a.isValid() && b.isValid() && a == b;
}

QString MLCalendarView::dd(const QDate& date)
{
    return sformat(u"%ld-%ld-%ld", qint64(date.year()), qint64(date.month()), qint64(date.day()));
}

QDate MLCalendarView::toUTC(const QDateTime& moment)
{
    return moment.toLocalTime().date();
}

QDateTime MLCalendarView::midnightUTC(const QDate& date)
{
    return QDateTime(date, QTime(0, 0), QTimeZone::utc());
}

int MLCalendarView::weekdaySundayFirst(const QDate& date)
{
    return date.dayOfWeek() % 7 + 1;
}

int MLCalendarView::firstWeekdayOfLocale(const QLocale& locale)
{
    return int(locale.firstDayOfWeek()) % 7 + 1;
}
