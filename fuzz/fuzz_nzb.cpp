// The NZB import: the XML reader and the rules that build a job from it.
#include "FuzzSupport.h"

#include "queue/NZBParser.h"
#include "queue/Queue.h"

#include <QFile>

#include <atomic>
#include <memory>

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const QString path =
        QDir::tempPath() + QStringLiteral("/binorama-fuzz-%1.nzb").arg(QCoreApplication::applicationPid());
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return 0;
        file.write(reinterpret_cast<const char*>(data), qint64(size));
    }
    const QueuePtr root = Queue::create();
    root->setNzbFile(path);
    root->setTitle(QStringLiteral("fuzz"));
    {
        NZBParser parser(root);
        // No main thread to hand split jobs to: they are dropped.
        parser.setStopWaiting(std::make_shared<std::atomic<bool>>(true));
        parser.startParsing();
    }
    fuzz::afterInput();
    return 0;
}
