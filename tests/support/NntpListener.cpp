#include "support/NntpListener.h"

NntpListener::NntpListener(std::function<void(qintptr)> onConnection) : onConnection_(std::move(onConnection))
{}

void NntpListener::incomingConnection(qintptr descriptor)
{
    onConnection_(descriptor);
}
