#include "ui/prefs/PrefsUploadSettingsWC.h"

#include "core/StringFormat.h"
#include "nntp/ServerTestPresenter.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

PrefsUploadSettingsWC::PrefsUploadSettingsWC(const NNTPServerObjectPtr& server, QWidget* parent)
    : QDialog(parent), nntpserver_(server)
{
    setObjectName(QStringLiteral("PrefsUploadSettingsWC"));
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(QStringLiteral("Upload Server"));
    setWindowModality(Qt::WindowModal);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 16, 20, 14);
    layout->setSpacing(10);
    headerTitleTextfield_ = new QLabel(this);
    headerTitleTextfield_->setObjectName(QStringLiteral("headerTitleTextfield"));
    headerTitleTextfield_->setTextFormat(Qt::PlainText);
    QFont bold = headerTitleTextfield_->font();
    bold.setBold(true);
    headerTitleTextfield_->setFont(bold);
    layout->addWidget(headerTitleTextfield_);

    uploadIsDownloadServer_ = new QCheckBox(QStringLiteral("Use the download server's settings"), this);
    uploadIsDownloadServer_->setObjectName(QStringLiteral("uploadIsDownloadServer"));
    connect(uploadIsDownloadServer_, &QCheckBox::clicked, this, [this] { useDownloadSettingsButtonClicked(); });
    upEnabled_ = new QCheckBox(QStringLiteral("Post through this server"), this);
    upEnabled_->setObjectName(QStringLiteral("upEnabled"));
    connect(upEnabled_, &QCheckBox::toggled, this, [this] { fieldEdited(); });
    layout->addWidget(upEnabled_);
    layout->addWidget(uploadIsDownloadServer_);

    auto* form = new QFormLayout;
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    upAddress_ = addLineEdit("upAddress");
    upAddress_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z0-9._\\-:\\[\\]]*")), upAddress_));
    upAddress_->setMinimumWidth(240);
    upPort_ = new QSpinBox(this);
    upPort_->setObjectName(QStringLiteral("upPort"));
    upPort_->setRange(1, 65535);
    upPort_->setFixedWidth(90);
    connect(upPort_, &QSpinBox::valueChanged, this, [this] { fieldEdited(); });
    upSSL_ = new QCheckBox(QStringLiteral("Use TLS (secure connection)"), this);
    upSSL_->setObjectName(QStringLiteral("upSSL"));
    connect(upSSL_, &QCheckBox::clicked, this, [this] { sslButtonClicked(); });
    upRequiresLogin_ = new QCheckBox(QStringLiteral("Server requires login"), this);
    upRequiresLogin_->setObjectName(QStringLiteral("upRequiresLogin"));
    connect(upRequiresLogin_, &QCheckBox::toggled, this, [this] { fieldEdited(); });
    upUsername_ = addLineEdit("upUsername");
    upPassword_ = addLineEdit("upPassword");
    upPassword_->setEchoMode(QLineEdit::Password);

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(upPort_);
    portRow->addSpacing(10);
    portRow->addWidget(upSSL_);
    portRow->addStretch(1);
    form->addRow(QStringLiteral("Address:"), upAddress_);
    form->addRow(QStringLiteral("Port:"), portRow);
    form->addRow(QString(), upRequiresLogin_);
    form->addRow(QStringLiteral("Username:"), upUsername_);
    form->addRow(QStringLiteral("Password:"), upPassword_);
    layout->addLayout(form);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("btnClose"));
    connect(buttons, &QDialogButtonBox::rejected, this, [this] { closeWindow(); });
    layout->addWidget(buttons);

    QPointer<PrefsUploadSettingsWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     Dispatch::onMain([self] {
                                                         if (self) self->closeWindow();
                                                     });
                                                 });
    updateFields();
}

PrefsUploadSettingsWC::~PrefsUploadSettingsWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QLineEdit* PrefsUploadSettingsWC::addLineEdit(const char* name)
{
    auto* edit = new QLineEdit(this);
    edit->setObjectName(QString::fromLatin1(name));
    connect(edit, &QLineEdit::textEdited, this, [this] { fieldEdited(); });
    return edit;
}

void PrefsUploadSettingsWC::updateFields()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (!server) return;
    if (server->uploadIsDownloadServer()) ServerTestPresenter::useDownloadSettingsForUpload(*server);
    headerTitleTextfield_->setText(sformat(u"Upload server settings for %@", server->alias()));
    showFields();
}

void PrefsUploadSettingsWC::showFields()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (!server) return;
    loadingFields_ = true;
    const bool same = server->uploadIsDownloadServer();
    uploadIsDownloadServer_->setChecked(same);
    upEnabled_->setChecked(server->upEnabled());
    upAddress_->setText(server->upAddress());
    upPort_->setValue(server->upPort());
    upSSL_->setChecked(server->upSSL());
    upRequiresLogin_->setChecked(server->upRequiresLogin());
    upUsername_->setText(server->upUsername());
    upPassword_->setText(server->upPassword());
    for (QWidget* field : {static_cast<QWidget*>(upAddress_), static_cast<QWidget*>(upPort_),
                           static_cast<QWidget*>(upSSL_), static_cast<QWidget*>(upRequiresLogin_)})
        field->setEnabled(!same);
    upUsername_->setEnabled(!same && server->upRequiresLogin());
    upPassword_->setEnabled(!same && server->upRequiresLogin());
    loadingFields_ = false;
}

void PrefsUploadSettingsWC::fieldEdited()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (loadingFields_ || !server) return;
    server->setUpEnabled(upEnabled_->isChecked());
    if (!server->uploadIsDownloadServer()) {
        server->setUpAddress(upAddress_->text().trimmed());
        server->setUpPort(upPort_->value());
        server->setUpSSL(upSSL_->isChecked());
        server->setUpRequiresLogin(upRequiresLogin_->isChecked());
        server->setUpUsername(upUsername_->text());
        server->setUpPassword(upPassword_->text());
    }
    showFields();
}

void PrefsUploadSettingsWC::useDownloadSettingsButtonClicked()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (!server) return;
    server->setUploadIsDownloadServer(uploadIsDownloadServer_->isChecked());
    updateFields();
}

void PrefsUploadSettingsWC::sslButtonClicked()
{
    const NNTPServerObjectPtr server = nntpserver();
    if (!server) return;
    server->setUpPort(NNTPServerObject::standardPort(upSSL_->isChecked()));
    server->setUpSSL(upSSL_->isChecked());
    showFields();
}

void PrefsUploadSettingsWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    done(0);
}
