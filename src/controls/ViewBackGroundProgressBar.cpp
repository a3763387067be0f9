#include "controls/ViewBackGroundProgressBar.h"

#include "controls/SRGB.h"

ViewBackGroundProgressBar::ViewBackGroundProgressBar(QWidget* parent) : FlatColorView(parent)
{
    setObjectName(QStringLiteral("ViewBackGroundProgressBar"));
    configure(withAlpha(Qt::white, 0.7));
}
