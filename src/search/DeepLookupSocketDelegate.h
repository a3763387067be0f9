#pragma once

#include "queue/QueueObjectDelegate.h"

#include <QString>

#include <memory>
#include <optional>

class DeepLookupSocket;
class Watchdog;

// How a DeepLookupSocket reports the outcome of its request, on the thread
// that started it. Every method is optional: the defaults do nothing. Each
// call names the socket, so that an owner of several sockets knows which
// request it is about.
//
// A request ends in exactly one of three ways:
// - a reply arrived: when the socket judges it a failure, searchFailed()
//   first; then, unless the delegate was cleared or the socket released
//   meanwhile, the result call of the request's kind with the result text
//   (absent when the reply had no readable body);
// - the connection failed (time-out, refused, broken off): searchFailed()
//   alone, with `socket.connectionFailed()` true. No result call follows, so
//   the owner closes its step there;
// - the owner cancelled: searchCancelledForObj().
//
// An owner may release the socket, or clear its delegate, inside any of
// these calls. Sockets refer to their delegate weakly: once a delegate is
// destroyed no socket calls it.
class DeepLookupSocketDelegate
{
public:
    DeepLookupSocketDelegate();
    virtual ~DeepLookupSocketDelegate();
    DeepLookupSocketDelegate(const DeepLookupSocketDelegate&) = delete;
    DeepLookupSocketDelegate& operator=(const DeepLookupSocketDelegate&) = delete;

    // A search (startDeepLookupFor).
    virtual void searchResults(DeepLookupSocket& socket, const std::optional<QString>& text);
    // The file list of one result job (getChildFilesFor); `obj` is the job.
    virtual void childFilesQueryResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                                        const QueuePtr& obj);
    // The article lists of a batch of file parts (getMidsForObjects).
    virtual void midsQueryResults(DeepLookupSocket& socket, const std::optional<QString>& text);
    // A Watchdog search (startWatchdogSearchFor); `entry` is its entry.
    virtual void watchdogSearchResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                                       const std::shared_ptr<Watchdog>& entry);
    // An NZB export of one result (startNZBExportSearchFor); `obj` is the job.
    virtual void nzbExportSearchResults(DeepLookupSocket& socket, const std::optional<QString>& text,
                                        const QueuePtr& obj);
    // `obj` is the job the request is about, or null.
    virtual void searchFailed(DeepLookupSocket& socket, const QString& title, const QString& subtitle,
                              const QueuePtr& obj);
    virtual void searchCancelledForObj(DeepLookupSocket& socket, const QueuePtr& obj);

    // Lives exactly as long as the delegate; sockets keep a weak copy.
    std::weak_ptr<const void> lifetimeToken() const { return token_; }

private:
    std::shared_ptr<const void> token_;
};
