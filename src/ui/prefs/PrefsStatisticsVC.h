#pragma once

#include "ui/prefs/PrefsContext.h"
#include "ui/prefs/PrefsPage.h"

#include <QWidget>

// The Statistics page of the settings window: what the statistics page
// shows when it opens and how often it reads new figures.
class PrefsStatisticsVC : public PrefsPage
{
    Q_OBJECT
public:
    explicit PrefsStatisticsVC(const PrefsContext& context, QWidget* parent = nullptr);
};
