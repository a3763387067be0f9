#include "ui/prefs/PrefsDeepLookupVC.h"

#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "queue/DownloadHistoryController.h"
#include "ui/prefs/PrefsForm.h"
#include "ui/prefs/PrefsSubPages.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

PrefsDeepLookupVC::PrefsDeepLookupVC(const PrefsContext& context, QWidget* parent)
    : PrefsPage(parent), context_(context),
      subPages_(new PrefsSubPages(QStringLiteral("lastUsedPrefsDeepLookupView"), this))
{
    setObjectName(QStringLiteral("PrefsDeepLookupVC"));
    subPages_->addSubPage(QStringLiteral("Interface"), QStringLiteral("tbButtonInterface"), makeInterfaceView());
    subPages_->addSubPage(QStringLiteral("History"), QStringLiteral("tbButtonHistory"), makeHistoryView());
    subPages_->addSubPage(QStringLiteral("Other"), QStringLiteral("tbButtonOther"), makeOtherView());
    setContent(subPages_);
    subPages_->showInitialSubPage();
}

QWidget* PrefsDeepLookupVC::makeInterfaceView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Result list"));
    QCheckBox* hover = form->addCheckBox("enableDPRowHover", QStringLiteral("Darken the row under the pointer"));
    connect(hover, &QCheckBox::clicked, this, [] {
        NotificationHub::defaultCenter().post(QStringLiteral("EnableDPRowHoverChangeNotification"));
    });
    QComboBox* darkness = form->addTagPopup("dpRowHoverDarkness", QStringLiteral("Darken by:"),
                                            {{"10 %", 10}, {"20 %", 20}, {"30 %", 30}, {"40 %", 40}});
    connect(darkness, &QComboBox::activated, this, [] {
        NotificationHub::defaultCenter().post(QStringLiteral("DPRowHoverDarknessChangeNotification"));
    });
    form->addCheckBox("enableSearchTextHighlighting", QStringLiteral("Highlight the searched words in titles"));
    form->addCheckBox("executeDoubleClick",
                      QStringLiteral("Double-click or Return downloads a file and opens it when it is done"));
    form->addCheckBox("tagNewArticles", QStringLiteral("Mark results posted since the last search as new"));
    form->addIntegerField("dpResultsPerPage", QStringLiteral("Results per page:"), 50, 10000);
    form->finish();
    return form;
}

QWidget* PrefsDeepLookupVC::makeHistoryView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Download history"));
    QCheckBox* keep = form->addCheckBox("enableDownloadHistory",
                                        QStringLiteral("Remember downloads, to mark results downloaded before"));
    connect(keep, &QCheckBox::clicked, this, &PrefsDeepLookupVC::checkboxDownloadHistoryChanged);
    form->addIntegerField("maxItemsInDownloadHistory", QStringLiteral("Keep at most:"), 100, 1000000,
                          QStringLiteral(" files"));
    auto* remove = new QPushButton(QStringLiteral("Delete Download History…"), form);
    remove->setObjectName(QStringLiteral("deleteDownloadHistoryBtn"));
    remove->setEnabled(context_.downloadHistoryController != nullptr);
    connect(remove, &QPushButton::clicked, this, &PrefsDeepLookupVC::deleteDownloadHistory);
    form->addRow(remove);
    form->addSection(QStringLiteral("Search history"));
    form->addIntegerField("maxSearchHistoryDatabase", QStringLiteral("Keep at most:"), 10, 10000,
                          QStringLiteral(" searches"));
    form->finish();
    return form;
}

QWidget* PrefsDeepLookupVC::makeOtherView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Leave out of the results"));
    form->addCheckBox("dpHidePwdEntries", QStringLiteral("Posts protected by a password"));
    form->addCheckBox("dpHideObfuscation", QStringLiteral("Posts with obfuscated names"));
    form->addSection(QStringLiteral("Completeness"));
    form->addIntegerField("dpIncompletePercentageThreshold", QStringLiteral("Call a result complete when at most"),
                          0, 100, QStringLiteral(" % is missing"));
    form->addNote(QStringLiteral("Counts only for results with PAR2 files, which can repair what is missing."));
    form->finish();
    return form;
}

void PrefsDeepLookupVC::checkboxDownloadHistoryChanged()
{
    if (!UserDefaults::standard().boolForKey(QStringLiteral("enableDownloadHistory")) &&
        context_.downloadHistoryController)
        context_.downloadHistoryController->saveHistory();
}

void PrefsDeepLookupVC::deleteDownloadHistory()
{
    if (!DialogBoxes::alertBoxYesNo(QStringLiteral("Delete the complete download history?"),
                                    QStringLiteral("The complete download history will be deleted.\nDo you want this?"),
                                    false))
        return;
    if (!context_.downloadHistoryController) return;
    context_.downloadHistoryController->resetDownloadHistory();
    DialogBoxes::alertBoxDefault(QStringLiteral("Done !!"), QStringLiteral("The download history is deleted."));
}

void PrefsDeepLookupVC::hideEvent(QHideEvent* e)
{
    PrefsPage::hideEvent(e);
    subPages_->savecurrentVCTag();
}
