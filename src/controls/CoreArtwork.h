#pragma once

// The images of the application core's windows: the program's icon, shown by
// the dialogs and the saved-queue loading window, and the caution sign of
// alerts that report a failure, and the launcher's download picture.
class CoreArtwork
{
public:
    static constexpr const char* kApplicationIcon = "NSApplicationIcon";
    static constexpr const char* kCaution = "NSCaution";
    // The launcher picture while the queue downloads.
    static constexpr const char* kDownloadDockIcon = "dockicon_v1.0_1024x1024";

    // Adds the images to the Artwork registry.
    static void registerImages();
};
