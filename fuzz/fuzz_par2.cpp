// The PAR2 packet reader: the file list, one file's slice checksums and the
// count of recovery slices.
#include "FuzzSupport.h"

#include "postprocess/Par2Decoder.h"

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    fuzz::setUp();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = fuzz::bytes(data, size);
    Par2Decoder list;
    list.initWithData(input);
    const std::optional<QVariantMap> files = list.getFileList();
    QString firstID;
    if (files) {
        const QVariantList records = files->value(QStringLiteral("files")).toList();
        if (!records.isEmpty()) firstID = records.front().toMap().value(QStringLiteral("fileID")).toString();
    }
    Par2Decoder checksums;
    checksums.initWithData(input);
    (void)checksums.getCRC32DataForFileID(firstID);
    Par2Decoder recovery;
    recovery.initWithData(input);
    (void)recovery.countRecoverySlices();
    fuzz::afterInput();
    return 0;
}
