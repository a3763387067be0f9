#include "controls/ViewHeader.h"

#include "controls/SRGB.h"

ViewHeader::ViewHeader(QWidget* parent) : FlatColorView(parent)
{
    configure(grey(0.902), Edge::Bottom, {{Edge::Bottom, grey(0.78)}});
}
