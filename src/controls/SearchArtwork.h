#pragma once

#include <QStringList>

// The images of the search and Watchdog pages: the search field's ground and
// buttons, the pane-row filter icons, the result tree's markers and
// disclosure triangles, the content-type icons of the history lists, the left
// pane's header buttons, the expand/collapse button of the search fields and
// the result icons of the NZB export.
class SearchArtwork
{
public:
    // Every name this adds.
    static QStringList names();
    // Adds the images to the Artwork registry.
    static void registerImages();
};
