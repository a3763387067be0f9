#include "ui/search/panes/ViewSearchLeft.h"

#include "controls/SRGB.h"

ViewSearchLeft::ViewSearchLeft(QWidget* parent) : FlatColorView(parent)
{
    setObjectName(QStringLiteral("ViewSearchLeft"));
    configure(srgb(0.933, 0.933, 0.933));
}
