#include "controls/ViewLeftSideBar.h"

#include "controls/SRGB.h"

ViewLeftSideBar::ViewLeftSideBar(QWidget* parent) : FlatColorView(parent)
{
    configure(srgb(0.271, 0.294, 0.325), Edge::Right, {{Edge::Right, grey(0.0)}});
}
