#include "postprocess/RepairModel.h"

#include "codec/Crc32.h"
#include "postprocess/Par2Decoder.h"
#include "queue/Queue.h"

#include <array>

namespace {

constexpr qint64 kReadBlock = 1 << 20;
constexpr qint64 kZeroBlock = 1 << 16;

const char* zeros()
{
    static const std::array<char, kZeroBlock> block{};
    return block.data();
}

// CRC-32 of `length` zero bytes, in O(log length): a huge slice size in a
// hostile PAR2 file must not mean feeding gigabytes of zeros.
std::uint32_t crcOfZeros(qint64 length)
{
    const std::uint32_t rest = Crc32::update(Crc32::initial(), zeros(), length % kZeroBlock);
    qint64 count = length / kZeroBlock;
    std::uint32_t result = Crc32::initial();
    std::uint32_t piece = Crc32::update(Crc32::initial(), zeros(), kZeroBlock);
    qint64 pieceLength = kZeroBlock;
    while (count > 0) {
        if (count & 1) result = Crc32::combine(result, piece, pieceLength);
        count >>= 1;
        if (count > 0) {
            piece = Crc32::combine(piece, piece, pieceLength);
            pieceLength *= 2;
        }
    }
    return Crc32::combine(result, rest, length % kZeroBlock);
}

QHash<QString, QList<quint32>> checksumsOfDecoder(const Par2Decoder& decoder)
{
    QHash<QString, QList<quint32>> out;
    const QVariantMap& ifsc = decoder.ifscDict();
    for (auto it = ifsc.constBegin(); it != ifsc.constEnd(); ++it) {
        QList<quint32> crcs;
        for (const QVariant& v : it->toMap().value(QStringLiteral("crc32Array")).toList())
            crcs.append(v.toUInt());
        out.insert(it.key(), crcs);
    }
    return out;
}

} // namespace

QList<RepairObjectPtr> RepairModel::repairArray() const
{
    QMutexLocker locker(&lock_);
    return repairArray_;
}

void RepairModel::addRepairObject(const RepairObjectPtr& parent)
{
    if (!parent) return;
    QMutexLocker locker(&lock_);
    if (!repairArray_.contains(parent)) repairArray_.append(parent);
}

void RepairModel::removeRepairObject(const RepairObjectPtr& parent)
{
    if (!parent) return;
    parent->setChilds({});
    QMutexLocker locker(&lock_);
    repairArray_.removeAll(parent);
}

std::optional<QVariantMap> RepairModel::analizePar2Filepart(const QueuePtr& filepart, bool fromDisk)
{
    if (!filepart) return std::nullopt;
    if (fromDisk) {
        const QueuePtr job = filepart->queue();
        const QString folder = job ? job->downloadUrl() : QString();
        const QString name = filepart->filename();
        if (folder.isEmpty() || name.isEmpty()) return std::nullopt;
        return analizePar2(FileContentSource::fromFile(folder + QLatin1Char('/') + name));
    }
    const QByteArray data = filepart->decodedFileData(); // shared, not copied
    if (data.isNull()) return std::nullopt;
    return analizePar2(FileContentSource::fromData(data));
}

std::optional<QVariantMap> RepairModel::analizePar2(const FileContentSource& par2)
{
    Par2Decoder decoder;
    if (par2.isFile())
        decoder.initWithUrl(par2.path());
    else if (!par2.isEmpty())
        decoder.initWithData(QByteArray::fromRawData(par2.data().data(), par2.data().size()));
    // One pass gives the file list and every file's slice checksums, so the
    // checksums never have to be read again for this set.
    decoder.setDataRequest(Par2Decoder::FullDump);
    std::optional<QVariantMap> list = decoder.getFileList();
    if (!list) return std::nullopt;
    const QHash<QString, QList<quint32>> checksums = checksumsOfDecoder(decoder);
    QVariantList files = list->value(QStringLiteral("files")).toList();
    for (QVariant& file : files) {
        QVariantMap record = file.toMap();
        const QString id = record.value(QStringLiteral("fileID")).toString();
        if (checksums.contains(id)) {
            QVariantList crcs;
            for (quint32 crc : checksums.value(id))
                crcs.append(QVariant::fromValue<quint32>(crc));
            record.insert(QStringLiteral("crc32Array"), crcs);
        }
        file = record;
    }
    list->insert(QStringLiteral("files"), files);
    return list;
}

RepairObjectPtr RepairModel::createRepairParentFromDict(const QVariantMap& fileList, const QString& qid)
{
    const QVariantMap main = fileList.value(QStringLiteral("main")).toMap();
    const QVariantMap creator = fileList.value(QStringLiteral("creator")).toMap();
    RepairObjectPtr parent = RepairObject::create();
    parent->setSetID(main.value(QStringLiteral("setID")).toString());
    parent->setParVersion(creator.value(QStringLiteral("parVersion")).toString());
    parent->setCreatorName(creator.value(QStringLiteral("creatorName")).toString());
    parent->setTotalFiles(main.value(QStringLiteral("totalFiles")).toLongLong());
    parent->setTotalBlocks(main.value(QStringLiteral("totalPackageSlices")).toLongLong());
    parent->setSliceSize(main.value(QStringLiteral("sliceSize")).toLongLong());
    parent->setValidRecoverySlices(main.value(QStringLiteral("validRecoverySlices")).toLongLong());
    parent->setQid(qid);

    QHash<QString, QList<quint32>> checksums;
    for (const QVariant& value : fileList.value(QStringLiteral("files")).toList()) {
        const QVariantMap file = value.toMap();
        RepairObjectPtr child = RepairObject::create();
        child->setTotalBlocks(file.value(QStringLiteral("totalSlices"), 0).toLongLong());
        child->setFileSize(file.value(QStringLiteral("bytes")).toLongLong());
        // The name goes on disk (the writer names files after it, the
        // re-check renames to it): only its safe form is kept.
        child->setFilename(file.value(QStringLiteral("safeFilename")).toString());
        child->setFileID(file.value(QStringLiteral("fileID")).toString());
        child->setMd5(file.value(QStringLiteral("md5")).toString());
        child->setMd516k(file.value(QStringLiteral("md516k")).toString());
        child->setSetID(parent->setID());
        parent->appendChild(child);
        if (file.contains(QStringLiteral("crc32Array"))) {
            QList<quint32> crcs;
            for (const QVariant& crc : file.value(QStringLiteral("crc32Array")).toList())
                crcs.append(crc.toUInt());
            checksums.insert(child->fileID(), crcs);
        }
    }
    parent->addSliceChecksums(checksums);
    return parent;
}

RepairObjectPtr RepairModel::createRepairChildFromDict(const QVariantMap& fileList)
{
    const QVariantMap main = fileList.value(QStringLiteral("main")).toMap();
    RepairObjectPtr object = RepairObject::create();
    object->setSetID(main.value(QStringLiteral("setID")).toString());
    object->setTotalFiles(main.value(QStringLiteral("totalFiles")).toLongLong());
    object->setSliceSize(main.value(QStringLiteral("sliceSize")).toLongLong());
    object->setValidRecoverySlices(main.value(QStringLiteral("validRecoverySlices")).toLongLong());
    return object;
}

RepairObjectPtr RepairModel::getRepairParentForSetID(const QString& setID, const QString& qid) const
{
    QMutexLocker locker(&lock_);
    for (const RepairObjectPtr& parent : repairArray_) {
        if (parent->setID() == setID && parent->qid() == qid) return parent;
    }
    return nullptr;
}

// The part's name as posted (`orgFilename`) and its first-16-KiB digest are
// compared with every unused member of the sets of the part's own job, in
// the order added. A member equal in both is an exact match, one equal in
// either a candidate. In this order: the first exact match; the first
// candidate by name; the first candidate by digest.
// A set of another job is never matched, even when it is the same set: the
// part would be counted, and its file written, for the other job.
RepairObjectPtr RepairModel::getRepairChildObjectForFilepart(const QueuePtr& filepart,
                                                             const RepairObjectPtr& onlyIn)
{
    if (!filepart) return nullptr;
    const QString name = filepart->orgFilename();
    const QString digest = filepart->md516k();
    if (name.isEmpty() && digest.isEmpty()) return nullptr;
    const QueuePtr job = filepart->queue();
    if (!job) return nullptr;
    // The set's job is the job of the PAR2 part that made it; a set known by
    // its job's qid alone is the job's when that qid is the job's.
    auto ofThisJob = [&job](const RepairObjectPtr& parent) {
        const QueuePtr main = parent->filepart();
        if (const QueuePtr owner = main ? main->queue() : nullptr) return owner == job;
        return !job->qid().isEmpty() && parent->qid() == job->qid();
    };

    QMutexLocker locker(&lock_);
    RepairObjectPtr exact;
    RepairObjectPtr byName;
    RepairObjectPtr byDigest;
    for (const RepairObjectPtr& parent : repairArray_) {
        if ((onlyIn && parent != onlyIn) || !ofThisJob(parent)) continue;
        for (const RepairObjectPtr& child : parent->childs()) {
            if (child->isUsed() || child->isPar()) continue;
            const bool sameName = !name.isEmpty() && child->filename() == name;
            const bool sameDigest = !digest.isEmpty() && child->md516k() == digest;
            if (sameName && sameDigest && !exact) exact = child;
            if (sameName && !byName) byName = child;
            if (sameDigest && !byDigest) byDigest = child;
        }
    }
    RepairObjectPtr found = exact ? exact : byName ? byName : byDigest;
    if (found) found->setIsUsed(true);
    return found;
}

RepairObjectPtr RepairModel::getRepairChildObjectForFod(const FODObjectPtr& fod,
                                                        const RepairObjectPtr& parent)
{
    if (!fod || !parent) return nullptr;
    const QString name = fod->orgFilename();
    const QString digest = fod->md516k();
    const QString md5 = fod->md5();
    QList<RepairObjectPtr> candidates;
    for (const RepairObjectPtr& child : parent->childs()) {
        if (child->isPar()) continue;
        const bool byName = !name.isEmpty() && child->filename() == name;
        const bool byDigest = !digest.isEmpty() && child->md516k() == digest;
        if (byName && byDigest) return child;
        if (byName || byDigest) candidates.append(child);
    }
    for (const RepairObjectPtr& c : candidates) {
        if (!md5.isEmpty() && c->md5() == md5) return c;
    }
    return nullptr;
}

std::optional<QList<quint32>> RepairModel::checksumsForChild(const RepairObjectPtr& child)
{
    if (!child) return std::nullopt;
    const RepairObjectPtr parent = child->parent();
    if (!parent) return std::nullopt;
    const QString fileID = child->fileID();
    if (std::optional<QList<quint32>> kept = parent->sliceChecksums(fileID)) return kept;
    const FODObjectPtr par2 = parent->fod();
    if (!par2 || par2->folder().isEmpty() || par2->filename().isEmpty()) return std::nullopt;
    const QString path = par2->path();
    if (parent->hasReadChecksumsOf(path)) return std::nullopt;
    Par2Decoder decoder;
    decoder.initWithUrl(path);
    // One pass over the file keeps the checksums of every file of the set.
    decoder.setDataRequest(Par2Decoder::FullDump);
    decoder.getFileList();
    parent->addSliceChecksums(checksumsOfDecoder(decoder), path);
    return parent->sliceChecksums(fileID);
}

std::optional<qint64> RepairModel::countIntactSlices(const FileContentSource& file, qint64 sliceSize,
                                                     const QList<quint32>& checksums)
{
    const std::optional<qint64> size = file.size();
    if (!size) return std::nullopt;
    const qint64 n = checksums.size();
    if (n == 0 || *size == 0 || sliceSize <= 0) return 0;

    qint64 intact = 0;
    qint64 slice = 0;   // index of the slice being read
    qint64 inSlice = 0; // its bytes read so far
    std::uint32_t crc = Crc32::initial();
    const bool read = file.read(std::min(kReadBlock, sliceSize), [&](QByteArrayView block) {
        while (!block.isEmpty() && slice < n) {
            const qint64 take = std::min<qint64>(block.size(), sliceSize - inSlice);
            crc = Crc32::update(crc, block.data(), take);
            inSlice += take;
            block = block.sliced(take);
            if (inSlice == sliceSize) {
                if (crc == checksums[slice]) ++intact;
                ++slice;
                inSlice = 0;
                crc = Crc32::initial();
            }
        }
        return slice < n;
    });
    if (!read) return std::nullopt;
    if (inSlice > 0 && slice < n) {
        // The last slice is padded with zeros to a whole slice.
        const qint64 pad = sliceSize - inSlice;
        crc = Crc32::combine(crc, crcOfZeros(pad), pad);
        if (crc == checksums[slice]) ++intact;
    }
    return intact;
}

RepairModel::CheckResult RepairModel::crc32BlockCheckForFileData(const FileContentSource& file,
                                                                 const RepairObjectPtr& child)
{
    const std::optional<QList<quint32>> checksums = checksumsForChild(child);
    if (!checksums) return CheckResult::NoChecksums;
    const RepairObjectPtr parent = child->parent();
    const std::optional<qint64> intact =
        countIntactSlices(file, parent ? parent->sliceSize() : 0, *checksums);
    if (!intact) return CheckResult::NotReadable;
    child->setAvailableBlocks(*intact);
    if (const FODObjectPtr fod = child->fod()) {
        fod->setAvailableBlocks(*intact);
        fod->setCrc32checked(true);
    }
    return CheckResult::Counted;
}
