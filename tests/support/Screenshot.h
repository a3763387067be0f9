#pragma once

#include <QImage>

// Saves `shot` as `name` in the folder named by BINORAMA_SCREENSHOT_DIR, when
// that is set (a screenshot run under Xvfb); does nothing otherwise. A save
// that fails fails the test.
void saveScreenshot(const QImage& shot, const char* name);
