#include "ui/search/page/ViewMainSearch.h"

#include "controls/SRGB.h"

ViewMainSearch::ViewMainSearch(QWidget* parent) : FlatColorView(parent)
{
    setObjectName(QStringLiteral("ViewMainSearch"));
    configure(srgb(0.878, 0.878, 0.878));
}
