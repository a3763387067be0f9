#pragma once

#include <QColor>
#include <QObject>

class QPainter;
class QRect;

// How a result row is drawn: the colour the engine chose for the item's
// state, or the selection colour of an active or inactive window, a thin
// dark line under it, and, while hovering is switched on, a darkening of
// the row under the mouse. The selection colours come from the setting
// "DeepLookupRowColorProperties"; the hover settings follow the settings
// page's notifications.
class OutlineRowViewSearch : public QObject
{
    Q_OBJECT
public:
    explicit OutlineRowViewSearch(QObject* parent = nullptr);
    ~OutlineRowViewSearch() override;

    QColor highLightColor() const { return highLightColor_; }
    QColor highLightInactiveColor() const { return highLightInactiveColor_; }
    bool mouseHoverEnabled() const { return mouseHoverEnabled_; }
    double hoverDarkness() const { return hoverDarkness_; }

    // `bgColor`: the item's row colour (invalid: none).
    void drawRow(QPainter& painter, const QRect& bounds, const QColor& bgColor, bool selected, bool emphasized,
                 bool mouseInside) const;

Q_SIGNALS:
    // The hover settings changed: rows must be drawn again.
    void needsDisplay();

private:
    void readHoverSettings();

    QColor highLightColor_;
    QColor highLightInactiveColor_;
    bool mouseHoverEnabled_ = false;
    double hoverDarkness_ = 0.2;
};
