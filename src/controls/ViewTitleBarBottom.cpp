#include "controls/ViewTitleBarBottom.h"

#include "controls/SRGB.h"

ViewTitleBarBottom::ViewTitleBarBottom(QWidget* parent) : FlatColorView(parent)
{
    configure(srgb(0.2, 0.23, 0.26), Edge::Top, {{Edge::Top, grey(0.0)}, {Edge::Bottom, grey(0.0)}});
}
