#include "controls/ViewProgressQueueBG.h"

#include "controls/SRGB.h"

ViewProgressQueueBG::ViewProgressQueueBG(QWidget* parent) : FlatColorView(parent)
{
    setObjectName(QStringLiteral("ViewProgressQueueBG"));
    configure(grey(0.925), Edge::Top, {{Edge::Left, grey(0.863)}, {Edge::Top, grey(0.863)}});
}
