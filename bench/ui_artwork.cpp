// The art registry: the time to draw every registered image once at its
// design size with nothing kept yet (target: all together under 100 ms), the
// slowest images, and the time of a cached Artwork::pixmap hit (target:
// under 2 microseconds).

#include "controls/Artwork.h"

#include <QApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <utility>
#include <vector>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);

    const QStringList names = Artwork::names(); // registers the images, draws none
    std::vector<std::pair<double, QString>> perImage;
    QElapsedTimer total;
    total.start();
    for (const QString& name : names) {
        QElapsedTimer one;
        one.start();
        const QPixmap pm = Artwork::pixmap(name);
        perImage.emplace_back(one.nsecsElapsed() / 1e6, name);
        if (pm.isNull()) std::printf("missing: %s\n", qPrintable(name));
    }
    const double coldMs = total.nsecsElapsed() / 1e6;
    std::printf("cold: %lld images drawn at their design size in %.2f ms (target < 100 ms)\n",
                static_cast<long long>(names.size()), coldMs);
    std::sort(perImage.begin(), perImage.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
    for (size_t i = 0; i < std::min<size_t>(5, perImage.size()); ++i) {
        const QSize size = Artwork::designSize(perImage[i].second);
        std::printf("  slowest %zu: %-36s %4dx%-4d %.3f ms\n", i + 1, qPrintable(perImage[i].second),
                    size.width(), size.height(), perImage[i].first);
    }

    // A cached hit, by the names the controls ask for most.
    const QString hot[] = {QStringLiteral("btn_tb_dark"), QStringLiteral("qbtn_stats_downloading"),
                           QStringLiteral("tvl_sf_cancel"), QStringLiteral("checkbox_gray")};
    const int rounds = 200000;
    // Summed and printed so that the calls cannot be optimised away.
    qint64 keep = 0;
    QElapsedTimer hits;
    hits.start();
    for (int i = 0; i < rounds; ++i)
        keep += Artwork::pixmap(hot[i & 3]).cacheKey();
    const double hitNs = double(hits.nsecsElapsed()) / rounds;
    std::printf("cached Artwork::pixmap hit: %.0f ns (target < 2000 ns)\n", hitNs);
    // At another size, also cached after its first draw.
    Artwork::pixmap(hot[0], QSize(120, 24));
    hits.restart();
    for (int i = 0; i < rounds; ++i)
        keep += Artwork::pixmap(hot[0], QSize(120, 24)).cacheKey();
    std::printf("cached hit at a size of its own: %.0f ns (checksum %lld)\n", double(hits.nsecsElapsed()) / rounds,
                static_cast<long long>(keep & 0xff));
    return 0;
}
