#include "ui/prefs/PrefsContext.h"

#include "engine/EngineControllers.h"

PrefsContext PrefsContext::fromEngine(const EngineControllers& engine)
{
    PrefsContext context;
    context.queueController = engine.queueController();
    context.nntpServersController = engine.nntpServersController();
    context.statsUsageController = engine.statsUsageController();
    context.downloadHistoryController = engine.downloadHistoryController();
    return context;
}
