#include "controls/ViewBottom.h"

#include "controls/SRGB.h"

ViewBottom::ViewBottom(QWidget* parent) : FlatColorView(parent)
{
    configure(grey(0.902));
}
