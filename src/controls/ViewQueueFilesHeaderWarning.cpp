#include "controls/ViewQueueFilesHeaderWarning.h"

#include "controls/SRGB.h"

ViewQueueFilesHeaderWarning::ViewQueueFilesHeaderWarning(QWidget* parent) : FlatColorView(parent)
{
    setObjectName(QStringLiteral("ViewQueueFilesHeaderWarning"));
    configure(srgb(0.965, 0.949, 0.871), Edge::Bottom, {{Edge::Top, Qt::white}, {Edge::Bottom, grey(0.78)}});
}
