#include "controls/ViewOrangeLed.h"

#include "controls/SRGB.h"

ViewOrangeLed::ViewOrangeLed(QWidget* parent) : FlatColorView(parent)
{
    configure(srgb(0.996, 0.769, 0.522));
}
