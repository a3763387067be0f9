#pragma once

// The images of the application core's windows: the program's icon, shown by
// the dialogs and the saved-queue loading window, and the caution sign of
// alerts that report a failure.
class CoreArtwork
{
public:
    static constexpr const char* kApplicationIcon = "NSApplicationIcon";
    static constexpr const char* kCaution = "NSCaution";

    // Adds the images to the Artwork registry.
    static void registerImages();
};
