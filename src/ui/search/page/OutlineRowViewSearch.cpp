#include "ui/search/page/OutlineRowViewSearch.h"

#include "controls/TableRowViewLight.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/Queue.h"

#include <QPainter>

OutlineRowViewSearch::OutlineRowViewSearch(QObject* parent)
    : QObject(parent),
      highLightColor_(Queue::getDPRowColorForKey(QStringLiteral("selectedRowColor"))),
      highLightInactiveColor_(Queue::getDPRowColorForKey(QStringLiteral("selectedInactiveRowColor")))
{
    readHoverSettings();
    NotificationHub& hub = NotificationHub::defaultCenter();
    for (const char* name : {"EnableDPRowHoverChangeNotification", "DPRowHoverDarknessChangeNotification"})
        hub.addObserver(QString::fromLatin1(name), this, [this](const Notification&) {
            readHoverSettings();
            Q_EMIT needsDisplay();
        });
}

OutlineRowViewSearch::~OutlineRowViewSearch()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void OutlineRowViewSearch::readHoverSettings()
{
    const UserDefaults& d = UserDefaults::standard();
    mouseHoverEnabled_ = d.boolForKey(QStringLiteral("enableDPRowHover"));
    hoverDarkness_ = std::clamp(double(d.integerForKey(QStringLiteral("dpRowHoverDarkness"))) / 100.0, 0.0, 1.0);
}

void OutlineRowViewSearch::drawRow(QPainter& painter, const QRect& bounds, const QColor& bgColor, bool selected,
                                   bool emphasized, bool mouseInside) const
{
    const QColor fill = selected ? (emphasized ? highLightColor_ : highLightInactiveColor_) : bgColor;
    painter.save();
    if (fill.isValid()) painter.fillRect(bounds, fill);
    const QRect above(bounds.left(), bounds.top(), bounds.width(), bounds.height() - 1);
    if (mouseHoverEnabled_ && mouseInside) painter.fillRect(above, QColor(0, 0, 0, int(hoverDarkness_ * 255)));
    painter.restore();
    TableRowViewLight::drawBottomLine(painter, bounds);
}
