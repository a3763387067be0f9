#pragma once

#include "core/UpdateChecker.h"

// Tells the user what an update check found: a newer release is offered
// with a question that opens its release page in the browser; a check the
// user started also reports "up to date" and failures. A daily check that
// finds nothing stays silent.
class UpdateAnnouncer
{
public:
    // Makes a checker's results reach the user (once per checker).
    static void install(UpdateChecker& checker = UpdateChecker::sharedUpdater());
    static void announce(const UpdateChecker::Result& result);
};
