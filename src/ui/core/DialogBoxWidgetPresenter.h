#pragma once

#include "core/DialogBoxes.h"

// Shows the engine's questions in DialogBox windows, on the main thread.
class DialogBoxWidgetPresenter : public DialogPresenter
{
public:
    // Runs the question modally and returns its response code. A question
    // that arrives on another thread is logged, shown later on the main
    // thread without waiting for it, and answered 0 at once: no window may
    // be made off the main thread, and a worker never waits for the user.
    long runModal(const DialogRequest& request) override;

    // The window's part, main thread only.
    static long present(const DialogRequest& request);
};
