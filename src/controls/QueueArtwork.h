#pragma once

#include <QStringList>

// The images of the queue and connection pages: the status badges of the
// rows, the row's pause, resume, cancel, password and edit buttons, the
// connections on/off switch and the pieces of the small progress bars'
// trough.
class QueueArtwork
{
public:
    // The names of the row buttons' images (the rest are named by the
    // classes that show them).
    static constexpr const char* kPause = "qbtn_pause";
    static constexpr const char* kResume = "qbtn_resume";
    static constexpr const char* kCancel = "qbtn_cancel";
    static constexpr const char* kPassword = "qbtn_pwd";
    static constexpr const char* kPasswordSet = "qbtn_pwd_set";
    static constexpr const char* kEdit = "qicn_edit";
    static constexpr const char* kEditHi = "qicn_edit_hi";

    // Every name this adds.
    static QStringList names();
    // Adds the images to the Artwork registry.
    static void registerImages();
};
