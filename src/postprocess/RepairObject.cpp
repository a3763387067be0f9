#include "postprocess/RepairObject.h"

#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/UserDefaults.h"

#include <QGuiApplication>
#include <QPalette>

namespace {

// The text colour of controls. The palette is only read on the main thread;
// records made elsewhere (the write queue, the background pool) start with
// black, which is what the palette gives outside a dark theme.
QColor controlTextColor()
{
    if (qobject_cast<QGuiApplication*>(QCoreApplication::instance()) && Dispatch::isMainThread())
        return QGuiApplication::palette().color(QPalette::Active, QPalette::WindowText);
    return QColor(Qt::black);
}

} // namespace

RepairObject::RepairObject()
{
    const QColor text = controlTextColor();
    textColor_ = text;
    defaultColor_ = text;
    rowColorProperties_ =
        UserDefaults::standard().dictionaryForKey(QStringLiteral("Par2InfoRowColorProperties"));
    colorRow_ = rowColorProperties_.value(QStringLiteral("defaultRowColor")).value<QColor>();
}

RepairObjectPtr RepairObject::create()
{
    RepairObjectPtr object = std::make_shared<RepairObject>();
    object->startObservers();
    return object;
}

RepairObjectPtr RepairObject::createWhithoutStartingObservers()
{
    return std::make_shared<RepairObject>();
}

void RepairObject::startObservers()
{
    observersRunning_.store(true);
}

void RepairObject::notifyOnMain(void (RepairObject::*handler)())
{
    if (!observersRunning_.load()) return;
    std::weak_ptr<RepairObject> weak = weak_from_this();
    Dispatch::onMain([weak, handler] {
        if (RepairObjectPtr self = weak.lock()) ((*self).*handler)();
    });
}

void RepairObject::setTotalBlocks(qint64 value)
{
    totalBlocks_.store(value);
    notifyOnMain(&RepairObject::totalBlocksChanged);
}

void RepairObject::setAvailableBlocks(qint64 value)
{
    availableBlocks_.store(value);
    notifyOnMain(&RepairObject::availableBlocksChanged);
}

void RepairObject::setIsDownloaded(bool value)
{
    isDownloaded_.store(value);
    notifyOnMain(&RepairObject::isDownloadedChanged);
}

void RepairObject::setNeedsCRC32Check(bool value)
{
    // Set again and again while the set is checked; only a change alters a text.
    if (needsCRC32Check_.exchange(value) == value) return;
    notifyOnMain(&RepairObject::needsCRC32CheckChanged);
}

void RepairObject::availableBlocksChanged()
{
    updateBlocksTextField();
    updateStatusTextField();
}

void RepairObject::totalBlocksChanged()
{
    updateBlocksTextField();
    updateStatusTextField();
}

void RepairObject::isDownloadedChanged()
{
    updateStatusTextField();
}

void RepairObject::needsCRC32CheckChanged()
{
    updateStatusTextField();
    // A child computed its status while the check was pending: "Processing"
    // would otherwise stay after the check, as no count of it changes.
    for (const RepairObjectPtr& child : childs()) {
        if (child->observersRunning()) child->updateStatusTextField();
    }
}

QList<RepairObjectPtr> RepairObject::childs() const
{
    QMutexLocker locker(&lock_);
    return childs_;
}

void RepairObject::setChilds(const QList<RepairObjectPtr>& childs)
{
    QMutexLocker locker(&lock_);
    childs_ = childs;
}

void RepairObject::appendChild(const RepairObjectPtr& child)
{
    if (!child) return;
    child->setParent(shared_from_this());
    QMutexLocker locker(&lock_);
    childs_.append(child);
}

std::optional<QList<quint32>> RepairObject::sliceChecksums(const QString& fileID) const
{
    QMutexLocker locker(&lock_);
    const auto it = sliceChecksums_.constFind(fileID.toLower());
    if (it == sliceChecksums_.constEnd()) return std::nullopt;
    return *it;
}

void RepairObject::addSliceChecksums(const QHash<QString, QList<quint32>>& checksums, const QString& par2Path)
{
    QMutexLocker locker(&lock_);
    for (auto it = checksums.constBegin(); it != checksums.constEnd(); ++it) {
        if (!sliceChecksums_.contains(it.key().toLower()))
            sliceChecksums_.insert(it.key().toLower(), it.value());
    }
    if (!par2Path.isEmpty()) checksumSources_.insert(par2Path);
}

bool RepairObject::hasReadChecksumsOf(const QString& par2Path) const
{
    QMutexLocker locker(&lock_);
    return checksumSources_.contains(par2Path);
}

QColor RepairObject::getRowColorForKey(const QString& key) const
{
    QMutexLocker locker(&lock_);
    const auto it = rowColorProperties_.constFind(key);
    if (it == rowColorProperties_.constEnd()) return QColor();
    return it->value<QColor>();
}

void RepairObject::updateBlocksTextField()
{
    if (isPar())
        setBlocksTextField(sformat(u"%ld", availableBlocks()));
    else
        setBlocksTextField(sformat(u"%ld of %ld", availableBlocks(), totalBlocks()));
}

void RepairObject::updateStatusTextField()
{
    QString text;
    QString colorKey;
    const RepairObjectPtr set = parent();
    if (isPar()) {
        text = QStringLiteral("Repair Blocks");
        colorKey = QStringLiteral("par2FileRowColor");
    } else if (!isDownloaded()) {
        text = QStringLiteral("Missing");
        colorKey = QStringLiteral("missingRowColor");
    } else if (needsCRC32Check() || (set && set->needsCRC32Check())) {
        text = QStringLiteral("Processing");
        colorKey = QStringLiteral("defaultRowColor");
    } else if (availableBlocks() >= totalBlocks()) {
        text = QStringLiteral("Complete");
        colorKey = QStringLiteral("completeRowColor");
    } else {
        text = QStringLiteral("Broken");
        colorKey = QStringLiteral("brokenRowColor");
    }
    setStatusTextField(text);
    setColorRow(getRowColorForKey(colorKey));
}
