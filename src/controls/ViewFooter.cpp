#include "controls/ViewFooter.h"

#include "controls/SRGB.h"

ViewFooter::ViewFooter(QWidget* parent) : FlatColorView(parent)
{
    configure(grey(0.871), Edge::Top, {{Edge::Top, grey(0.757)}});
}
