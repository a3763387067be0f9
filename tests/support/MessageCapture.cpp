#include "support/MessageCapture.h"

#include <QMutex>
#include <QtGlobal>

#include <cstring>

namespace {

QMutex g_mutex;
QStringList g_lines;
const char* g_category = nullptr;
QtMessageHandler g_previous = nullptr;

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    {
        QMutexLocker lock(&g_mutex);
        if (g_category && context.category && std::strcmp(context.category, g_category) == 0) {
            g_lines.append(message);
            return;
        }
    }
    if (g_previous) g_previous(type, context, message);
}

} // namespace

MessageCapture::MessageCapture(const char* category)
{
    QMutexLocker lock(&g_mutex);
    g_category = category;
    g_lines.clear();
    g_previous = qInstallMessageHandler(handler);
}

MessageCapture::~MessageCapture()
{
    qInstallMessageHandler(g_previous);
    QMutexLocker lock(&g_mutex);
    g_category = nullptr;
    g_lines.clear();
}

QStringList MessageCapture::lines() const
{
    QMutexLocker lock(&g_mutex);
    return g_lines;
}

void MessageCapture::clear()
{
    QMutexLocker lock(&g_mutex);
    g_lines.clear();
}
