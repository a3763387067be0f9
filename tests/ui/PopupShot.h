#pragma once

#include <QImage>

class QWidget;

// Screenshots of a window with one of its popups open, for looking at. A
// popup is a window of its own, so a grab of its host leaves it out.

// The host and the popup drawn where they stand on the screen, on a plain
// ground wide enough for both.
QImage grabWithPopup(QWidget* host, QWidget* popup);
// Saves `shot` as `name` in the folder BINORAMA_SCREENSHOT_DIR names; nothing
// when it is unset.
void saveShot(const QImage& shot, const char* name);
