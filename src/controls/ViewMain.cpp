#include "controls/ViewMain.h"

#include "controls/SRGB.h"

ViewMain::ViewMain(QWidget* parent) : FlatColorView(parent)
{
    configure(grey(0.878));
}
