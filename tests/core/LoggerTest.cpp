#include "core/Logger.h"

#include "platform/UserDefaults.h"
#include "support/EventLoop.h"
#include "support/TempHome.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QThread>

#include <thread>
#include <vector>

namespace {

QStringList logLines(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    const QString all = QString::fromUtf8(f.readAll());
    QStringList lines = all.split('\n');
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    return lines;
}

class SomeController
{
public:
    void doWork(int level, const QString& message) { BLOG(level, "%@", message); }
    static void classWork() { BLOG(1, "from a class operation"); }
    void fromLambda()
    {
        auto f = [] { BLOG(1, "inside"); };
        f();
    }
};

struct LoggerFixture : ::testing::Test
{
    TempHome home;
    Logger* logger = Logger::shared();
};

} // namespace

TEST(LoggerCaller, NamesClassAndMethodFromTheSignature)
{
    struct Case
    {
        const char* signature;
        const char* want;
    };
    const Case cases[] = {
        {"void MainVC::viewDidLoad()", "[MainVC viewDidLoad]"},
        {"static Logger* Logger::shared()", "[Logger shared]"},
        {"MainVC::MainVC(QWidget*)", "[MainVC MainVC]"},
        {"bool ns::QueueController::getNextArticleForServerID(const QString&, bool)",
         "[QueueController getNextArticleForServerID]"},
        {"MainVC::start()::<lambda()>", "[MainVC start]"},
        {"void Foo<int>::bar(std::vector<int>) [with T = int]", "[Foo<int> bar]"},
        {"int main(int, char**)", "[main main]"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Logger::callerText(c.signature, "/src/app/main.cpp").toStdString(), c.want) << c.signature;
    EXPECT_TRUE(Logger::callerText("", "").isEmpty());
}

TEST_F(LoggerFixture, FileLineLayoutAndLevelRouting)
{
    SomeController c;
    c.doWork(0, "-");
    c.doWork(2, "debug only");
    c.doWork(9, "odd level");
    c.doWork(4, "ends in a line end\n");
    c.doWork(3, "path /x/%s%n stays");
    SomeController::classWork();
    c.fromLambda();

    const QStringList lines = logLines(home.logFilePath());
    ASSERT_EQ(lines.size(), 7) << lines.join("\n").toStdString();
    const QRegularExpression layout(R"(^(\[INFO\] |\[DEBUG\]|\[ERROR\]|\[WARN\] |       ) \d\d:\d\d:\d\d\.\d{3} \| \[SomeController doWork\](.*)$)");
    auto match = layout.match(lines[0]);
    ASSERT_TRUE(match.hasMatch()) << lines[0].toStdString();
    EXPECT_EQ(match.captured(1), "[INFO] ");
    EXPECT_EQ(match.captured(2), QString(150, '-'));
    EXPECT_TRUE(lines[1].startsWith("[DEBUG] "));
    EXPECT_TRUE(lines[1].endsWith("[SomeController doWork]debug only"));
    EXPECT_TRUE(lines[2].startsWith("        ")) << lines[2].toStdString();
    EXPECT_TRUE(lines[3].startsWith("[WARN]  "));
    EXPECT_TRUE(lines[3].endsWith("ends in a line end")); // no second line end: 7 lines in all
    EXPECT_TRUE(lines[4].endsWith("path /x/%s%n stays"));
    EXPECT_TRUE(lines[5].contains("[SomeController classWork]from a class operation"));
    EXPECT_TRUE(lines[6].contains("[SomeController fromLambda]inside"));

    logger->flush();
    const QList<LogClass>& page = logger->logArray();
    ASSERT_EQ(page.size(), 6); // the debug line never reaches the page
    EXPECT_EQ(page[0].type, "[INFO]");
    EXPECT_EQ(page[0].message, QString(150, '-'));
    EXPECT_EQ(page[0].caller, "[SomeController doWork]");
    EXPECT_TRUE(QRegularExpression(R"(^\d\d:\d\d:\d\d\.\d{3}$)").match(page[0].time).hasMatch());
    EXPECT_EQ(page[1].type, "");
    EXPECT_EQ(page[1].message, "odd level");
}

TEST_F(LoggerFixture, NonTextValuesAreLoggedLiterally)
{
    BLOG_OBJECT(3, QVariant(QByteArray("bytes with %s and %n")));
    BLOG_OBJECT(3, QVariant()); // nothing
    const QStringList lines = logLines(home.logFilePath());
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith("bytes with %s and %n"));
}

TEST_F(LoggerFixture, OneBatchPerIntervalInCallOrder)
{
    UserDefaults::standard().setFloat(0.2f, "logInterval");
    int willChange = 0, didChange = 0;
    QObject::connect(logger, &Logger::logArrayWillChange, [&] { ++willChange; });
    QObject::connect(logger, &Logger::logArrayDidChange, [&] { ++didChange; });
    for (int i = 0; i < 50; ++i)
        BLOG(1, "line %d", i);
    EXPECT_TRUE(logger->logArray().isEmpty());
    ASSERT_TRUE(waitUntil([&] { return logger->logArray().size() == 50; }, 3000));
    EXPECT_EQ(willChange, 1);
    EXPECT_EQ(didChange, 1);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(logger->logArray()[i].message, QString("line %1").arg(i));

    // An entry made while a batch is delivered is not lost: a new timer
    // brings it.
    QObject::connect(logger, &Logger::logArrayDidChange, logger, [&] {
        static bool once = false;
        if (!once) {
            once = true;
            BLOG(1, "during output");
        }
    });
    BLOG(1, "before");
    ASSERT_TRUE(waitUntil([&] { return logger->logArray().size() == 52; }, 3000));
    EXPECT_EQ(logger->logArray().last().message, "during output");
    EXPECT_FALSE(logger->timerIsRunning());
}

TEST_F(LoggerFixture, ThreadsNeverTearLines)
{
    constexpr int kThreads = 16;
    constexpr int kLines = 500;
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([t] {
            SomeController c;
            for (int i = 0; i < kLines; ++i)
                c.doWork(2, QString("thread %1 line %2 %3").arg(t).arg(i).arg(QString(40, 'x')));
        });
    }
    for (auto& th : threads)
        th.join();
    const QStringList lines = logLines(home.logFilePath());
    ASSERT_EQ(lines.size(), kThreads * kLines);
    const QRegularExpression whole(R"(^\[DEBUG\] \d\d:\d\d:\d\d\.\d{3} \| \[SomeController doWork\]thread \d+ line \d+ x{40}$)");
    for (const QString& line : lines)
        ASSERT_TRUE(whole.match(line).hasMatch()) << line.toStdString();
}

TEST_F(LoggerFixture, LogFileIsEmptiedAtEveryStart)
{
    BLOG(1, "first run");
    ASSERT_EQ(logLines(home.logFilePath()).size(), 1);
    logger->resetForTesting(); // as a second start of the program
    BLOG(1, "second run");
    const QStringList lines = logLines(home.logFilePath());
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith("second run"));
}

TEST_F(LoggerFixture, PageRemovalsTouchOnlyThePage)
{
    for (int i = 0; i < 5; ++i)
        BLOG(1, "entry %d", i);
    logger->flush();
    logger->removeObjects({1, 3, 3, 99});
    ASSERT_EQ(logger->logArray().size(), 3);
    EXPECT_EQ(logger->logArray()[1].message, "entry 2");
    logger->removeAllObjects();
    EXPECT_TRUE(logger->logArray().isEmpty());
    EXPECT_EQ(logLines(home.logFilePath()).size(), 5);
}
