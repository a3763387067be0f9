// Reads a 200 MB recovery volume (hand-built packets) with the PAR2 reader
// and prints the time and the growth of the peak resident memory of each
// question. The volume is written packet by packet, so building it costs a
// packet's worth of memory, not the file's.
#include "postprocess/Par2Decoder.h"
#include "postprocess/Par2Utils.h"

#include "support/Par2PacketBuilder.h"
#include "support/ProcessMemory.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <cstdio>

namespace {

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath("big.vol000+200.par2");
    constexpr qint64 kSlice = 1 << 20;
    constexpr int kSlices = 200;
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        QByteArray data(kSlice, '\x5a');
        for (int e = 0; e < kSlices; ++e) {
            data[0] = char(e);
            f.write(Par2PacketBuilder::recoveryPacket(quint32(e), data));
        }
        f.write(Par2PacketBuilder::mainPacket(kSlice, {Par2PacketBuilder::id(1)}));
        f.write(Par2PacketBuilder::fileDescPacket(Par2PacketBuilder::id(1), QByteArray(16, 'm'),
                                                  QByteArray(16, 'k'), 200 * kSlice, "big.bin"));
        f.write(Par2PacketBuilder::ifscPacket(Par2PacketBuilder::id(1), QList<quint32>(200, 7)));
    }
    const double mb = double(QFile(path).size()) / 1e6;
    std::printf("volume: %.1f MB, %d recovery slices of %lld bytes\n", mb, kSlices,
                static_cast<long long>(kSlice));

    struct Question
    {
        const char* name;
        long long (*run)(const QString&);
    };
    const Question questions[] = {
        {"getFileList",
         [](const QString& p) -> long long {
             Par2Decoder d;
             d.initWithUrl(p);
             const auto l = d.getFileList();
             return l ? l->value("main").toMap().value("validRecoverySlices").toLongLong() : -1;
         }},
        {"countRecoverySlices",
         [](const QString& p) -> long long {
             Par2Decoder d;
             d.initWithUrl(p);
             const auto l = d.countRecoverySlices();
             return l ? l->value("main").toMap().value("validRecoverySlices").toLongLong() : -1;
         }},
        {"getRecoveryData",
         [](const QString& p) -> long long {
             Par2Decoder d;
             d.initWithUrl(p);
             const auto l = d.getRecoveryData();
             return l ? l->size() : -1;
         }},
        {"MD5StringForFile",
         [](const QString& p) -> long long { return Par2Utils::MD5StringForFile(p).size(); }},
    };
    for (const Question& q : questions) {
        ProcessMemory::resetPeak();
        const long before = ProcessMemory::statusKiB("VmHWM:");
        QElapsedTimer t;
        t.start();
        const long long result = q.run(path);
        const double s = double(t.nsecsElapsed()) / 1e9;
        const long after = ProcessMemory::statusKiB("VmHWM:");
        std::printf("%-20s result %-4lld %7.1f ms %8.0f MB/s  peak RSS growth %ld KiB (peak %ld KiB)\n",
                    q.name, result, s * 1e3, mb / s, after - before, after);
    }
    return 0;
}
