#include "ui/stats/StatsFont.h"

#include <QFontDatabase>
#include <QGuiApplication>

QFont StatsFont::arial(int pixels)
{
    QFont font = QFontDatabase::hasFamily(QStringLiteral("Arial")) ? QFont(QStringLiteral("Arial"))
                                                                    : QGuiApplication::font();
    font.setPixelSize(pixels);
    return font;
}
