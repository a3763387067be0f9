// The PAR2 bookkeeping of one job of 100 files (1 MiB each, 256 KiB slices)
// whose set has a 200 MB recovery volume that arrives before the data files,
// so that the volume is the set's newest PAR2 file while every data file is
// counted. Prints the time of each step and the peak resident memory, and,
// for comparison, what one pass of the PAR2 reader over the volume costs (a
// design that fetches a file's slice checksums from the set's newest PAR2
// file pays that once per written file).
#include "postprocess/Par2Decoder.h"
#include "postprocess/RepairController.h"
#include "queue/FODController.h"
#include "queue/Queue.h"

#include "platform/UserDefaults.h"
#include "support/HandMadePar2Set.h"
#include "support/Par2PacketBuilder.h"
#include "support/ProcessMemory.h"
#include "support/RepairJobFixture.h"
#include "support/TempHome.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>

#include <cstdio>

namespace {

constexpr int kFiles = 100;
constexpr qint64 kFileSize = 1 << 20;
constexpr qint64 kSlice = 256 << 10;
constexpr int kRecoveryPackets = 800; // 800 x 256 KiB = 200 MiB

QByteArray randomBytes(qint64 n, QRandomGenerator& rng)
{
    QByteArray out(n, Qt::Uninitialized);
    auto* words = reinterpret_cast<quint32*>(out.data());
    for (qint64 i = 0; i < n / 4; ++i)
        words[i] = rng.generate();
    return out;
}

double ms(const QElapsedTimer& t)
{
    return double(t.nsecsElapsed()) / 1e6;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    TempHome home;
    const QString download = home.makeFolder("dl");
    const QString folder = home.makeFolder("dl/job");
    UserDefaults::standard().setString(download, "downloadPath");

    // The set: 100 data files, an index, and one volume of 200 MiB.
    QRandomGenerator rng(7);
    QList<HandMadePar2Set::Member> members;
    for (int i = 0; i < kFiles; ++i) {
        const QByteArray name = QByteArray("file") + QByteArray::number(i).rightJustified(3, '0') + ".bin";
        QByteArray content = randomBytes(kFileSize, rng);
        QFile f(folder + "/" + QString::fromLatin1(name));
        if (!f.open(QIODevice::WriteOnly) || f.write(content) != content.size()) return 1;
        members.append({name, content});
    }
    const QByteArray index = HandMadePar2Set::index(kSlice, members);
    {
        QFile f(folder + "/set.par2");
        if (!f.open(QIODevice::WriteOnly) || f.write(index) != index.size()) return 1;
        QFile v(folder + "/set.vol000+800.par2");
        if (!v.open(QIODevice::WriteOnly) || v.write(index) != index.size()) return 1;
        const QByteArray slice = randomBytes(kSlice, rng);
        for (int e = 0; e < kRecoveryPackets; ++e) {
            const QByteArray packet = Par2PacketBuilder::recoveryPacket(quint32(e), slice);
            if (v.write(packet) != packet.size()) return 1;
        }
    }
    members.clear();
    const qint64 volumeBytes = QFileInfo(folder + "/set.vol000+800.par2").size();

    FODController fod;
    RepairController repair;
    repair.setFodController(&fod);
    RepairJobFixture job(folder, "bench-job");
    job.addPart("set.par2");
    job.addPart("set.vol000+800.par2");
    QStringList dataNames;
    for (int i = 0; i < kFiles; ++i)
        dataNames << QString("file%1.bin").arg(i, 3, 10, QChar('0'));
    for (const QString& name : dataNames)
        job.addPart(name);

    ProcessMemory::resetPeak();
    const long rssBefore = ProcessMemory::statusKiB("VmHWM:");
    QElapsedTimer t;
    t.start();
    job.write(repair, job.part("set.par2"));
    const double indexMs = ms(t);
    t.restart();
    job.write(repair, job.part("set.vol000+800.par2"));
    const double volumeMs = ms(t);
    t.restart();
    job.write(repair, dataNames);
    const double dataMs = ms(t);
    const long rssWrite = ProcessMemory::statusKiB("VmHWM:");
    t.restart();
    runOffMainThread([&] { repair.crc32CheckFodsInRepairParent(job.job()->repairObject(), true); });
    const double recheckMs = ms(t);
    const long rssRecheck = ProcessMemory::statusKiB("VmHWM:");

    // One pass of the reader over the volume for one file's checksums.
    t.restart();
    Par2Decoder decoder;
    decoder.initWithUrl(folder + "/set.vol000+800.par2");
    const auto crcs = decoder.getCRC32DataForFileID(QString::fromLatin1(Par2PacketBuilder::id(1).toHex()));
    const double onePassMs = ms(t);

    const RepairObjectPtr set = job.job()->repairObject();
    std::printf("job: %d files of %lld KiB, slices of %lld KiB, recovery volume %.1f MB\n", kFiles,
                kFileSize >> 10, kSlice >> 10, double(volumeBytes) / 1e6);
    std::printf("result: canExtract %d, blocksRequired %lld, available %lld of %lld\n",
                job.job()->canExtract(), job.job()->blocksRequired(), set ? set->availableBlocks() : -1,
                set ? set->totalBlocks() : -1);
    std::printf("index analysed:                    %8.1f ms\n", indexMs);
    std::printf("volume recorded (not read):        %8.1f ms\n", volumeMs);
    std::printf("100 data files linked and counted: %8.1f ms (%.2f ms per file, %.0f MB/s)\n", dataMs,
                dataMs / kFiles, double(kFiles * kFileSize) / 1e3 / dataMs);
    std::printf("forced re-check of the set:        %8.1f ms\n", recheckMs);
    std::printf("peak RSS growth: writing %ld KiB, re-check %ld KiB\n", rssWrite - rssBefore,
                rssRecheck - rssBefore);
    std::printf("reference: one reader pass over the volume %8.1f ms (%s); per written file that would be "
                "%.1f s for the job\n",
                onePassMs, crcs ? "checksums found" : "no checksums", onePassMs * kFiles / 1000.0);
    return 0;
}
