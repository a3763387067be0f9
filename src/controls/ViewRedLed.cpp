#include "controls/ViewRedLed.h"

#include "controls/SRGB.h"

ViewRedLed::ViewRedLed(QWidget* parent) : FlatColorView(parent)
{
    configure(srgb(0.996, 0.522, 0.522));
}
