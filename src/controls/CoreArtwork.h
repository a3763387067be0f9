#pragma once

#include <QIcon>
#include <QStringList>

// The images of the application core's windows: the program's icon, shown by
// the dialogs and the saved-queue loading window and used as the window
// icon; the caution sign of alerts that report a failure; the launcher's
// download picture; and the glyphs of the main window's side-bar buttons.
class CoreArtwork
{
public:
    static constexpr const char* kApplicationIcon = "NSApplicationIcon";
    static constexpr const char* kCaution = "NSCaution";
    // The launcher picture while the queue downloads.
    static constexpr const char* kDownloadDockIcon = "dockicon_v1.0_1024x1024";

    // The program icon's SVG, compiled in; the same file is installed into
    // the desktop's icon theme as "binorama".
    static constexpr const char* kProgramIconResource = ":/icons/hicolor/scalable/apps/binorama.svg";

    static constexpr const char* kSideBarSearch = "lsb_icon_search";
    static constexpr const char* kSideBarQueue = "lsb_icon_queue";
    static constexpr const char* kSideBarWatchdog = "lsb_icon_watchdog";
    static constexpr const char* kSideBarPost = "lsb_icon_post";
    static constexpr const char* kSideBarStatistics = "lsb_icon_statistics";
    static constexpr const char* kSideBarLog = "lsb_icon_log";
    static QStringList sideBarNames();

    // The program icon at the sizes a window manager asks for.
    static QIcon applicationIcon();

    // Adds the images to the Artwork registry.
    static void registerImages();
};
