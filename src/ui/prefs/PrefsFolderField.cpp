#include "ui/prefs/PrefsFolderField.h"

#include "platform/UserDefaults.h"

#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>

PrefsFolderField::PrefsFolderField(const QString& key, QWidget* parent)
    : QWidget(parent), key_(key), path_(new QLineEdit(this)), button_(new QPushButton(QStringLiteral("Choose…"), this))
{
    path_->setObjectName(key);
    path_->setReadOnly(true);
    path_->setMinimumWidth(320);
    button_->setObjectName(QStringLiteral("btnChoose") + key);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(path_, 1);
    layout->addWidget(button_);
    connect(button_, &QPushButton::clicked, this, &PrefsFolderField::showSelectFolderPanel);
    refresh();
}

void PrefsFolderField::refresh()
{
    const QString path = UserDefaults::standard().stringForKey(key_);
    path_->setText(QDir::toNativeSeparators(path));
    path_->setToolTip(path);
}

void PrefsFolderField::showSelectFolderPanel()
{
    const QString start = UserDefaults::standard().stringForKey(key_);
    const QString chosen = QFileDialog::getExistingDirectory(window(), QStringLiteral("Choose folder"), start,
                                                             QFileDialog::ShowDirsOnly);
    if (!chosen.isEmpty()) Q_EMIT folderChosen(chosen);
}
