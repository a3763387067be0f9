#include "ui/prefs/PrefsUpdatesVC.h"

#include "core/UpdateChecker.h"
#include "platform/UserDefaults.h"
#include "ui/core/UpdateAnnouncer.h"
#include "ui/prefs/PrefsForm.h"

#include <QCheckBox>
#include <QDateTime>
#include <QLabel>
#include <QLocale>
#include <QPushButton>

PrefsUpdatesVC::PrefsUpdatesVC(const PrefsContext&, QWidget* parent, UpdateChecker* checker)
    : PrefsPage(parent), checker_(checker)
{
    setObjectName(QStringLiteral("PrefsUpdatesVC"));
    if (!checker_) checker_ = &UpdateChecker::sharedUpdater();
    UpdateAnnouncer::install(*checker_);
    auto* form = new PrefsForm(this);
    form->addSection(QStringLiteral("Updates"));
    QCheckBox* daily = form->addCheckBox("checkForUpdates", QStringLiteral("Check for a new version once a day"));
    connect(daily, &QCheckBox::clicked, checker_, &UpdateChecker::startAutomaticChecks);
    form->addCheckBox("checkForBetaReleases", QStringLiteral("Include beta versions"));
    form->addCheckBox("checkForAlphaReleases", QStringLiteral("Include alpha versions"));
    btnCheck_ = new QPushButton(QStringLiteral("Check Now"), form);
    btnCheck_->setObjectName(QStringLiteral("btnCheckForUpdates"));
    connect(btnCheck_, &QPushButton::clicked, this, &PrefsUpdatesVC::btnCheckForUpdatesClicked);
    form->addRow(btnCheck_);
    lastCheck_ = form->addNote(QString());
    lastCheck_->setObjectName(QStringLiteral("textFieldLastCheck"));
    form->addNote(QStringLiteral("Binorama looks at %1 over a secure connection. It never installs anything "
                                 "itself: a new version is shown with a link to its release page.")
                      .arg(UpdateChecker::defaultFeedUrl().host()));
    form->finish();
    setContent(form);

    connect(checker_, &UpdateChecker::checkFinished, this, [this] {
        btnCheck_->setEnabled(true);
        updateLastCheckTextField();
    });
    updateLastCheckTextField();
}

void PrefsUpdatesVC::btnCheckForUpdatesClicked()
{
    btnCheck_->setEnabled(false);
    lastCheck_->setText(QStringLiteral("Checking…"));
    checker_->checkForUpdates(true);
}

void PrefsUpdatesVC::updateLastCheckTextField()
{
    const auto when = [](qint64 seconds) {
        return QLocale().toString(QDateTime::fromSecsSinceEpoch(seconds), QLocale::ShortFormat);
    };
    const qint64 lastSuccess = UserDefaults::standard().integerForKey(QStringLiteral("lastUpdateCheckTime"));
    const std::optional<UpdateChecker::Result>& last = checker_->lastResult();
    if (!last) {
        lastCheck_->setText(lastSuccess > 0 ? QStringLiteral("Last checked: %1").arg(when(lastSuccess))
                                            : QStringLiteral("Not checked yet."));
        return;
    }
    const QString at = when(checker_->lastResultTime());
    switch (last->outcome) {
    case UpdateChecker::Outcome::UpToDate:
        lastCheck_->setText(QStringLiteral("Last checked: %1 — %2 is the newest version.")
                                .arg(at, last->currentVersion));
        break;
    case UpdateChecker::Outcome::UpdateAvailable:
        lastCheck_->setText(QStringLiteral("Last checked: %1 — version %2 is available.")
                                .arg(at, last->offeredVersion));
        break;
    case UpdateChecker::Outcome::Failed: {
        QString text = QStringLiteral("Last check: %1 — failed: %2").arg(at, last->error);
        text += lastSuccess > 0 ? QStringLiteral("\nLast successful check: %1").arg(when(lastSuccess))
                                : QStringLiteral("\nNo check has succeeded yet.");
        lastCheck_->setText(text);
        break;
    }
    }
}
