// The indexed-newsgroup selector with a list of 20,000 groups.
// Prints:
// - parse and show: the reply text read into groups, sorted, filtered by
//   content and the table painted, goal 100 ms;
// - the same from showing the popup to the painted list, the reply coming
//   from a scripted service on 127.0.0.1;
// - one keystroke in the search field: the filter applied and the table
//   painted, goal 10 ms.

#include "controls/TVLTextField.h"
#include "platform/UserDefaults.h"
#include "search/DeepLookupSocket.h"
#include "search/IndexedNewsgroupSocket.h"
#include "ui/search/tools/IndexedNewsgroupSelectorVC.h"

#include "support/EventLoop.h"
#include "support/ScriptedHttpServer.h"
#include "support/TempHome.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QSortFilterProxyModel>
#include <QTableView>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

const char* const kWords[] = {"pictures", "sounds", "movies", "multimedia", "teevee", "boneless", "misc",
                              "games",    "e-books", "anime",  "hdtv",       "mp3",    "x264",     "linux"};

QByteArray listOf(int count)
{
    std::mt19937 rng(11);
    QByteArray text = "LIST\n";
    for (int i = 0; i < count; ++i) {
        QByteArray name = "alt.binaries";
        for (int w = 0, n = 1 + int(rng() % 3); w < n; ++w) name += "." + QByteArray(kWords[rng() % 14]);
        name += "." + QByteArray::number(i);
        text += QByteArray::number(i) + "\t" + name + "\t" + (rng() % 10 == 0 ? "1" : "0") + "\n";
    }
    return text;
}

double msOf(const std::function<void()>& run)
{
    QElapsedTimer t;
    t.start();
    run();
    return double(t.nsecsElapsed()) / 1e6;
}

struct Figures
{
    std::vector<double> ms;
    void add(double v) { ms.push_back(v); }
    double median()
    {
        std::sort(ms.begin(), ms.end());
        return ms[ms.size() / 2];
    }
    double worst() { return *std::max_element(ms.begin(), ms.end()); }
};

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    TempHome home;
    UserDefaults::standard().setInteger(0, QStringLiteral("indexedNGContentTypeFilter"));
    const QByteArray reply = listOf(20000);
    const QString text = QString::fromUtf8(reply);

    ScriptedHttpServer service;
    if (!service.start() || !DeepLookupSocket::setServiceURLForTesting(service.baseUrl())) {
        std::fprintf(stderr, "cannot start the scripted service\n");
        return 1;
    }
    service.route("POST", IndexedNewsgroupSocket::kPath.toLatin1(), HttpReply::text(reply));

    // From showing the popup to the painted list, over the loopback service.
    Figures shown;
    for (int run = 0; run < 5; ++run) {
        IndexedNewsgroupSelectorVC selector;
        const double ms = msOf([&] {
            selector.show();
            waitUntil([&] { return !selector.isDownloading(); }, 10000);
            selector.tableView()->viewport()->repaint();
        });
        shown.add(ms);
        if (run == 0)
            std::printf("groups: %lld in the reply, %lld general shown\n",
                        (long long)selector.arrayNewsgroups().size(),
                        (long long)selector.arrayController()->rowCount());
    }

    IndexedNewsgroupSelectorVC selector;
    selector.show();
    waitUntil([&] { return !selector.isDownloading(); }, 10000);
    spinEventLoop(50);

    Figures parse;
    for (int run = 0; run < 9; ++run)
        parse.add(msOf([&] {
            selector.newsgroupsDownloaded(text);
            selector.tableView()->viewport()->repaint();
        }));

    // Typing "sounds" one letter at a time, then taking it back.
    Figures keys;
    const QString typed = QStringLiteral("sounds");
    for (int round = 0; round < 5; ++round) {
        for (int n = 1; n <= typed.size(); ++n)
            keys.add(msOf([&] {
                selector.searchField()->setStringValue(typed.left(n));
                selector.tableView()->viewport()->repaint();
            }));
        for (int n = typed.size() - 1; n >= 0; --n)
            keys.add(msOf([&] {
                selector.searchField()->setStringValue(typed.left(n));
                selector.tableView()->viewport()->repaint();
            }));
    }

    std::printf("parse and show (direct):      median %.2f ms, worst %.2f ms (goal 100 ms)\n", parse.median(),
                parse.worst());
    std::printf("show to painted list (HTTP):  median %.2f ms, worst %.2f ms\n", shown.median(), shown.worst());
    std::printf("filter keystroke:             median %.2f ms, worst %.2f ms (goal 10 ms)\n", keys.median(),
                keys.worst());
    DeepLookupSocket::setServiceURLForTesting(QUrl());
    return 0;
}
