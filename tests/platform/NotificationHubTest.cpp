#include "platform/NotificationHub.h"

#include <gtest/gtest.h>

#include <QObject>

TEST(NotificationHub, DeliversSynchronouslyByNameInOrderOfObservers)
{
    NotificationHub hub;
    QObject owner;
    QStringList seen;
    hub.addObserver("A", &owner, [&](const Notification& n) { seen << "first:" + n.userInfo.value("k").toString(); });
    hub.addObserver("A", &owner, [&](const Notification&) { seen << "second"; });
    hub.addObserver("B", &owner, [&](const Notification&) { seen << "other"; });
    hub.post("A", nullptr, {{"k", "v"}});
    EXPECT_EQ(seen, QStringList({"first:v", "second"}));
}

TEST(NotificationHub, FiltersBySenderAndForgetsDestroyedOwners)
{
    NotificationHub hub;
    QObject sender, otherSender;
    int count = 0;
    {
        QObject owner;
        hub.addObserver("X", &owner, [&](const Notification&) { ++count; }, &sender);
        hub.post("X", &otherSender);
        hub.post("X", &sender);
        EXPECT_EQ(count, 1);
    }
    EXPECT_EQ(hub.observerCount(), 0);
    hub.post("X", &sender);
    EXPECT_EQ(count, 1);
}

TEST(NotificationHub, ObserverRemovedDuringPostIsNotCalledAgain)
{
    NotificationHub hub;
    QObject owner;
    int second = 0;
    int token2 = 0;
    hub.addObserver("X", &owner, [&](const Notification&) { hub.removeObserver(token2); });
    token2 = hub.addObserver("X", &owner, [&](const Notification&) { ++second; });
    hub.post("X");
    EXPECT_EQ(second, 0);
    // A handler may post in turn.
    int nested = 0;
    hub.addObserver("Y", &owner, [&](const Notification&) { hub.post("Z"); });
    hub.addObserver("Z", &owner, [&](const Notification&) { ++nested; });
    hub.post("Y");
    EXPECT_EQ(nested, 1);
}
