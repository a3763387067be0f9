#pragma once

#include <QStringList>

// The images of the control library: the three-part toolbar buttons and
// pop-ups, the pane-collapse buttons, the grey check box and the cancel and
// history-arrow buttons of the composite text field. The controls load them
// by name when they are built.
class ControlsArtwork
{
public:
    // Every name this adds.
    static QStringList names();
    // Adds the images to the Artwork registry.
    static void registerImages();
};
