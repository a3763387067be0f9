#pragma once

#include "platform/DelegateLifetime.h"

#include <QString>

// Told by a RequestNewsgroupSocket how its request ended, on the main
// thread. Every method is optional. Held weakly.
class RequestNewsGroupSocketDelegate : public DelegateLifetime
{
public:
    // The whole reply text: its TAB-separated fields 1 and 2 are the title
    // and the message to show.
    virtual void serverResponse(const QString&) {}
    virtual void connectionError(const QString&, const QString&) {}
};
