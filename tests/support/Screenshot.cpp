#include "support/Screenshot.h"

#include <gtest/gtest.h>

#include <QDir>

void saveScreenshot(const QImage& shot, const char* name)
{
    const QByteArray dir = qgetenv("BINORAMA_SCREENSHOT_DIR");
    if (dir.isEmpty()) return;
    EXPECT_TRUE(shot.save(QDir(QString::fromLocal8Bit(dir)).filePath(QLatin1String(name)))) << name;
}
