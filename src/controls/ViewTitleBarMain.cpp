#include "controls/ViewTitleBarMain.h"

#include "controls/SRGB.h"

ViewTitleBarMain::ViewTitleBarMain(QWidget* parent) : FlatColorView(parent)
{
    configure(srgb(0.22, 0.243, 0.263), Edge::Bottom, {{Edge::Bottom, grey(0.0)}});
}
