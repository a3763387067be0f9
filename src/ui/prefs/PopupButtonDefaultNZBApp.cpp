#include "ui/prefs/PopupButtonDefaultNZBApp.h"

#include "platform/DefaultExtensionWrapper.h"

#include <QCollator>
#include <QIcon>
#include <QStyle>

#include <algorithm>
#include <cstdio>

namespace {

const QString kExtension = QStringLiteral("nzb");

} // namespace

PopupButtonDefaultNZBApp::PopupButtonDefaultNZBApp(QWidget* parent) : QComboBox(parent)
{
    setObjectName(QStringLiteral("popupButtonDefaultNZBApp"));
    setIconSize(QSize(20, 20));
    setMinimumWidth(220);
    addItem(style()->standardIcon(QStyle::SP_MessageBoxWarning), QStringLiteral("Not set"), 0);
    connect(this, &QComboBox::activated, this, &PopupButtonDefaultNZBApp::itemChosen);
}

QString PopupButtonDefaultNZBApp::titleForDesktopId(const QString& desktopId)
{
    QString name = desktopId;
    if (name.endsWith(QLatin1String(".desktop"))) name.chop(8);
    name = name.section(QLatin1Char('.'), -1);
    if (!name.isEmpty()) name[0] = name[0].toUpper();
    return name;
}

void PopupButtonDefaultNZBApp::setupPopupDefaultNZBApp()
{
    QStringList ids = DefaultExtensionWrapper::getSupportedBundleIdentifiersForExtension(kExtension);
    const QString defaultId = DefaultExtensionWrapper::getDefaultBundleIdentifierForFileExtension(kExtension);
    if (ids.isEmpty()) return;
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::sort(ids.begin(), ids.end(), [&](const QString& a, const QString& b) { return collator.compare(a, b) < 0; });

    clear();
    int tag = 0;
    for (const QString& id : ids) {
        QString iconName = id;
        iconName.chop(iconName.endsWith(QLatin1String(".desktop")) ? 8 : 0);
        addItem(QIcon::fromTheme(iconName, style()->standardIcon(QStyle::SP_DesktopIcon)), titleForDesktopId(id),
                ++tag);
        setItemData(count() - 1, id, Qt::ToolTipRole);
    }
    const int current = findData(defaultId, Qt::ToolTipRole);
    if (!defaultId.isEmpty() && current >= 0) {
        setCurrentIndex(current);
        return;
    }
    std::fprintf(stderr, "%s Default App for NZB not found.\n", Q_FUNC_INFO);
    insertItem(0, style()->standardIcon(QStyle::SP_MessageBoxWarning), QStringLiteral("Not set"), 0);
    setCurrentIndex(0);
}

void PopupButtonDefaultNZBApp::itemChosen(int index)
{
    if (itemData(index).toInt() <= 0) return;
    // A failure is written to the console by the wrapper; either way the
    // list then shows what the desktop now reports.
    DefaultExtensionWrapper::makeBundleIdentifier(itemData(index, Qt::ToolTipRole).toString(), kExtension);
    setupPopupDefaultNZBApp();
}
