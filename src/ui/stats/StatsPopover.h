#pragma once

#include <QFrame>

// The light, transient panel the statistics page opens over itself (a bar's
// figures, the server filter, the date range, the calendar): a Qt::Popup that
// closes on a click elsewhere or Escape.
class StatsPopover : public QFrame
{
    Q_OBJECT
public:
    explicit StatsPopover(QWidget* parent = nullptr);

    // Shows the panel under `rect` (in `anchor`'s coordinates), centred on
    // it and kept on the anchor's screen.
    void showRelativeTo(QWidget* anchor, const QRect& rect);

Q_SIGNALS:
    void closed();

protected:
    void hideEvent(QHideEvent* e) override;
};
