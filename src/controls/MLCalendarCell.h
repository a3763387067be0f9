#pragma once

#include <QAbstractButton>
#include <QDate>
#include <QPointer>

class MLCalendarView;

// One day of the calendar grid: shows its day of the month, the selection
// and today markers in its owner's colours.
class MLCalendarCell : public QAbstractButton
{
    Q_OBJECT
public:
    explicit MLCalendarCell(QWidget* parent = nullptr);

    MLCalendarView* owner() const { return owner_; }
    void setOwner(MLCalendarView* owner) { owner_ = owner; }

    // The day shown; an invalid date leaves the cell empty.
    QDate representedDate() const { return representedDate_; }
    void setRepresentedDate(const QDate& date);

    bool isSelected() const { return selected_; }
    void setSelected(bool on);

    // Whether the cell shows the today marker: a today that is not selected.
    bool showsTodayMarker() const;

    QSize sizeHint() const override { return QSize(30, 24); }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QPointer<MLCalendarView> owner_;
    QDate representedDate_;
    bool selected_ = false;
};
