#pragma once

#include <QImage>

class QWidget;

// A window with one of its popups open, for looking at: a popup is a window
// of its own, so a grab of its host leaves it out. The host and the popup
// are drawn where they stand on the screen, on a plain ground wide enough
// for both.
QImage grabWithPopup(QWidget* host, QWidget* popup);
