#include "controls/ViewTitleBarMainGray.h"

#include "controls/SRGB.h"

ViewTitleBarMainGray::ViewTitleBarMainGray(QWidget* parent) : FlatColorView(parent)
{
    configure(QColor(), Edge::None, {{Edge::Bottom, grey(0.702)}});
}
