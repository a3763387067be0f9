#include "ui/prefs/PrefsUploadsVC.h"

#include "core/FileUtils.h"
#include "core/Logger.h"
#include "platform/UserDefaults.h"
#include "ui/prefs/PrefsFolderField.h"
#include "ui/prefs/PrefsForm.h"
#include "ui/prefs/PrefsSubPages.h"
#include "ui/prefs/SignatureTextView.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>

namespace {

const QString kSignatureKey = QStringLiteral("userSignature");
const QString kEnableSignatureKey = QStringLiteral("enableUserSignature");
const QString kExportKey = QStringLiteral("uploadNZBExportPath");

} // namespace

PrefsUploadsVC::PrefsUploadsVC(const PrefsContext&, QWidget* parent)
    : PrefsPage(parent), subPages_(new PrefsSubPages(QStringLiteral("lastUsedPrefsUploadView"), this))
{
    setObjectName(QStringLiteral("PrefsUploadsVC"));
    subPages_->addSubPage(QStringLiteral("Identity"), QStringLiteral("tbButtonIdentity"), makeIdentityView());
    subPages_->addSubPage(QStringLiteral("Advanced"), QStringLiteral("tbButtonAdvanced"), makeAdvancedView());
    setContent(subPages_);
    subPages_->showInitialSubPage();
}

QWidget* PrefsUploadsVC::makeIdentityView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("Poster"));
    form->addTextField("posterName", QStringLiteral("Name:"));
    form->addTextField("posterEmail", QStringLiteral("E-mail:"));
    form->addSection(QStringLiteral("Signature"));
    enableUserSignature_ = form->addCheckBox("enableUserSignature", QStringLiteral("Add a signature to my posts"));
    connect(enableUserSignature_, &QCheckBox::clicked, this, &PrefsUploadsVC::applySignatureSetting);
    signatureTextView_ = new SignatureTextView(form);
    signatureTextView_->setPlainText(UserDefaults::standard().stringForKey(kSignatureKey));
    signatureTextView_->setMinimumSize(460, 160);
    form->addRow(signatureTextView_);
    remainingTextSizeTextField_ = form->addNote(QString());
    remainingTextSizeTextField_->setObjectName(QStringLiteral("remainingTextSizeTextField"));
    connect(signatureTextView_, &QPlainTextEdit::textChanged, this,
            &PrefsUploadsVC::updateRemainingTextSizeTextField);
    connect(signatureTextView_, &QPlainTextEdit::selectionChanged, this,
            &PrefsUploadsVC::updateRemainingTextSizeTextField);
    updateRemainingTextSizeTextField();
    applySignatureSetting();
    form->finish();
    return form;
}

QWidget* PrefsUploadsVC::makeAdvancedView()
{
    auto* form = new PrefsForm;
    form->addSection(QStringLiteral("NZB files of uploads"));
    exportFolder_ = new PrefsFolderField(kExportKey, form);
    connect(exportFolder_, &PrefsFolderField::folderChosen, this,
            [this](const QString& path) { changeFolderToUrl(path, kFolderNZBExport); });
    form->addRow(QStringLiteral("Save to:"), exportFolder_);
    form->addSection(QStringLiteral("Articles"));
    form->addIntegerField("yencMaxArticleSize", QStringLiteral("Largest article:"), 10000, 10000000,
                          QStringLiteral(" bytes"));
    form->addIntegerField("dpMaxQuoteSize", QStringLiteral("Quote replies up to:"), 0, 1000000,
                          QStringLiteral(" bytes"));
    form->finish();
    return form;
}

void PrefsUploadsVC::applySignatureSetting()
{
    signatureTextView_->enableTextView(UserDefaults::standard().boolForKey(kEnableSignatureKey));
}

void PrefsUploadsVC::updateRemainingTextSizeTextField()
{
    remainingTextSizeTextField_->setText(
        QStringLiteral("Max. chars left: %1").arg(SignatureTextView::kMaxLength - signatureTextView_->length()));
}

void PrefsUploadsVC::changeFolderToUrl(const QString& path, int tag)
{
    if (tag != kFolderNZBExport || path.isEmpty()) return;
    BLOG(1, "Changing 'NZBExport Folder' to : %@", path);
    UserDefaults::standard().setString(path, kExportKey);
    FileUtils::saveBookMark(kExportKey);
    exportFolder_->refresh();
}

void PrefsUploadsVC::showEvent(QShowEvent* e)
{
    PrefsPage::showEvent(e);
    applySignatureSetting();
    updateRemainingTextSizeTextField();
}

void PrefsUploadsVC::hideEvent(QHideEvent* e)
{
    PrefsPage::hideEvent(e);
    UserDefaults::standard().setString(signatureTextView_->toPlainText(), kSignatureKey);
    subPages_->savecurrentVCTag();
}
