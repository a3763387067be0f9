#include "support/ModalDriver.h"

#include "platform/NotificationHub.h"

#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QTimer>

#include <memory>

void whenShown(std::function<bool(QWidget*)> find, std::function<void(QWidget*)> action, int timeoutMs)
{
    auto* timer = new QTimer;
    auto clock = std::make_shared<QElapsedTimer>();
    clock->start();
    QObject::connect(timer, &QTimer::timeout, [timer, clock, find, action, timeoutMs] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w->isVisible() && find(w)) {
                timer->stop();
                timer->deleteLater();
                action(w);
                return;
            }
        }
        if (clock->elapsed() > timeoutMs) {
            timer->stop();
            timer->deleteLater();
            ADD_FAILURE() << "no such window appeared";
            NotificationHub::defaultCenter().post(QStringLiteral("ApplicationWillTerminate"));
        }
    });
    timer->start(10);
}
