#include "controls/ViewQueueRight.h"

#include "controls/SRGB.h"

ViewQueueRight::ViewQueueRight(QWidget* parent) : FlatColorView(parent)
{
    setObjectName(QStringLiteral("ViewQueueRight"));
    configure(srgb(0.851, 0.847, 0.847));
}
