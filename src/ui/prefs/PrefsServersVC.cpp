#include "ui/prefs/PrefsServersVC.h"

#include "core/DialogBoxes.h"
#include "core/StringFormat.h"
#include "nntp/NNTPServersController.h"
#include "nntp/NntpTlsConfiguration.h"
#include "stats/StatsUsageController.h"
#include "ui/nntp/ServerTestWC.h"
#include "ui/prefs/NewsServersTableModel.h"
#include "ui/prefs/PrefsUploadSettingsWC.h"
#include "ui/prefs/TableViewNewsServers.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {
constexpr int kMaxConnections = 100;
constexpr int kSmallButtonWidth = 28;

QPixmap colorSwatch(const QColor& color)
{
    QPixmap pixmap(36, 14);
    pixmap.fill(color);
    return pixmap;
}
} // namespace

PrefsServersVC::PrefsServersVC(const PrefsContext& context, QWidget* parent) : QWidget(parent), context_(context)
{
    setObjectName(QStringLiteral("PrefsServersVC"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(16);

    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    table_ = new TableViewNewsServers(this);
    table_->setMinimumSize(360, 320);
    table_->setNntpServersController(context_.nntpServersController);
    left->addWidget(table_, 1);

    auto* rowButtons = new QHBoxLayout;
    rowButtons->setSpacing(4);
    auto* addButton = new QPushButton(QStringLiteral("+"), this);
    addButton->setObjectName(QStringLiteral("addNNTPServer"));
    addButton->setToolTip(QStringLiteral("Add a news server"));
    addButton->setFixedWidth(kSmallButtonWidth);
    connect(addButton, &QPushButton::clicked, this, [this] { addNewNNTPServer(); });
    removeButton_ = new QPushButton(QStringLiteral("−"), this);
    removeButton_->setObjectName(QStringLiteral("removeNNTPServer"));
    removeButton_->setToolTip(QStringLiteral("Remove the selected news servers"));
    removeButton_->setFixedWidth(kSmallButtonWidth);
    connect(removeButton_, &QPushButton::clicked, this, [this] { removeNNTPServer(); });
    auto* hint = new QLabel(QStringLiteral("Used from the top; drag or Ctrl+↑↓ to reorder."), this);
    hint->setStyleSheet(QStringLiteral("color: #6e6e6e;"));
    hint->setWordWrap(true);
    rowButtons->addWidget(addButton);
    rowButtons->addWidget(removeButton_);
    rowButtons->addSpacing(6);
    rowButtons->addWidget(hint, 1);
    left->addLayout(rowButtons);
    layout->addLayout(left, 1);

    editor_ = new QWidget(this);
    editor_->setObjectName(QStringLiteral("serverEditor"));
    buildEditor(editor_);
    layout->addWidget(editor_);

    connect(table_->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { showSelectedServer(); });
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { showSelectedServer(); });

    // The page never opens on an empty list.
    if (context_.nntpServersController && context_.nntpServersController->arrayNNTPServers().isEmpty())
        addNewNNTPServer();
    else
        table_->selectRow(0);
    showSelectedServer();
}

PrefsServersVC::~PrefsServersVC()
{
    if (serverTestWC_) serverTestWC_->closeWindow();
}

QLineEdit* PrefsServersVC::addLineEdit(const char* name)
{
    auto* edit = new QLineEdit(editor_);
    edit->setObjectName(QString::fromLatin1(name));
    connect(edit, &QLineEdit::textEdited, this, [this] { serverEdited(); });
    return edit;
}

QCheckBox* PrefsServersVC::addCheckBox(const char* name, const QString& title)
{
    auto* box = new QCheckBox(title, editor_);
    box->setObjectName(QString::fromLatin1(name));
    connect(box, &QCheckBox::toggled, this, [this] { serverEdited(); });
    return box;
}

QSpinBox* PrefsServersVC::addSpinBox(const char* name, int minimum, int maximum)
{
    auto* box = new QSpinBox(editor_);
    box->setObjectName(QString::fromLatin1(name));
    box->setRange(minimum, maximum);
    box->setFixedWidth(90);
    connect(box, &QSpinBox::valueChanged, this, [this] { serverEdited(); });
    return box;
}

void PrefsServersVC::buildEditor(QWidget* editor)
{
    auto* form = new QFormLayout(editor);
    form->setContentsMargins(0, 0, 0, 0);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setVerticalSpacing(7);

    alias_ = addLineEdit("alias");
    alias_->setPlaceholderText(QStringLiteral("A name for this server"));
    address_ = addLineEdit("address");
    address_->setPlaceholderText(NNTPServerObject::placeholderAddress());
    // Host names and addresses only: a space or a scheme ("nntp://") would
    // never connect.
    address_->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[A-Za-z0-9._\\-:\\[\\]]*")), address_));
    address_->setMinimumWidth(240);
    port_ = addSpinBox("port", 1, 65535);
    ssl_ = addCheckBox("ssl", QStringLiteral("Use TLS (secure connection)"));
    // Switching TLS sets the standard port of the choice.
    connect(ssl_, &QCheckBox::clicked, this, [this] { sslButtonClicked(); });
    requiresLogin_ = addCheckBox("requiresLogin", QStringLiteral("Server requires login"));
    username_ = addLineEdit("username");
    password_ = addLineEdit("password");
    password_->setEchoMode(QLineEdit::Password);
    maxConnections_ = addSpinBox("maxConnections", 0, kMaxConnections);
    enabled_ = addCheckBox("enabled", QStringLiteral("Use this server"));
    isbackupServerOnly_ = addCheckBox("isbackupServerOnly", QStringLiteral("Backup server only"));
    showStats_ = addCheckBox("showStats", QStringLiteral("Show in the statistics"));
    color_ = new QPushButton(editor);
    color_->setObjectName(QStringLiteral("color"));
    color_->setToolTip(QStringLiteral("The server's colour in the statistics"));
    color_->setIconSize(QSize(36, 14));
    color_->setFixedWidth(90);
    connect(color_, &QPushButton::clicked, this, [this] { chooseColor(); });

    auto* portRow = new QHBoxLayout;
    portRow->addWidget(port_);
    portRow->addSpacing(10);
    portRow->addWidget(ssl_);
    portRow->addStretch(1);

    form->addRow(QStringLiteral("Name:"), alias_);
    form->addRow(QStringLiteral("Address:"), address_);
    form->addRow(QStringLiteral("Port:"), portRow);
    form->addRow(QString(), requiresLogin_);
    form->addRow(QStringLiteral("Username:"), username_);
    form->addRow(QStringLiteral("Password:"), password_);
    form->addRow(QStringLiteral("Connections:"), maxConnections_);
    form->addRow(QString(), enabled_);
    form->addRow(QString(), isbackupServerOnly_);
    form->addRow(QString(), showStats_);
    form->addRow(QStringLiteral("Colour:"), color_);

    auto* actions = new QHBoxLayout;
    actions->setSpacing(6);
    const struct
    {
        const char* name;
        const char* title;
        void (PrefsServersVC::*action)();
    } buttons[] = {
        {"openServerTestWindow", "Test Server", &PrefsServersVC::openServerTestWindow},
        {"openUploadSettingsWindow", "Upload Settings…", &PrefsServersVC::openUploadSettingsWindow},
        {"resetStatisticsForNNTPServer", "Delete Statistics…", &PrefsServersVC::resetStatisticsForNNTPServer},
    };
    for (const auto& b : buttons) {
        auto* button = new QPushButton(QString::fromUtf8(b.title), editor);
        button->setObjectName(QString::fromLatin1(b.name));
        button->setAutoDefault(false);
        const auto action = b.action;
        connect(button, &QPushButton::clicked, this, [this, action] { (this->*action)(); });
        actions->addWidget(button);
    }
    form->addItem(new QSpacerItem(0, 8));
    form->addRow(actions);
}

ServerTestWC* PrefsServersVC::serverTestWC() const
{
    return serverTestWC_;
}

PrefsUploadSettingsWC* PrefsServersVC::prefsUploadSettingsWC() const
{
    return prefsUploadSettingsWC_;
}

NNTPServerObjectPtr PrefsServersVC::selectedServer() const
{
    return table_->selectedServer();
}

void PrefsServersVC::showSelectedServer()
{
    const NNTPServerObjectPtr server = selectedServer();
    editor_->setEnabled(server != nullptr);
    removeButton_->setEnabled(server != nullptr);
    loadingFields_ = true;
    alias_->setText(server ? server->alias() : QString());
    address_->setText(server ? server->address() : QString());
    port_->setValue(server ? server->port() : NNTPServerObject::kStandardPort);
    ssl_->setChecked(server && server->ssl());
    requiresLogin_->setChecked(server && server->requiresLogin());
    username_->setText(server ? server->username() : QString());
    password_->setText(server ? server->password() : QString());
    maxConnections_->setValue(server ? int(server->maxConnections()) : 0);
    enabled_->setChecked(server && server->enabled());
    isbackupServerOnly_->setChecked(server && server->isbackupServerOnly());
    showStats_->setChecked(server && server->showStats() != 0);
    color_->setIcon(server ? QIcon(colorSwatch(server->color())) : QIcon());
    username_->setEnabled(requiresLogin_->isChecked());
    password_->setEnabled(requiresLogin_->isChecked());
    loadingFields_ = false;
}

void PrefsServersVC::serverEdited()
{
    if (loadingFields_) return;
    const NNTPServerObjectPtr server = selectedServer();
    if (!server) return;
    server->setAlias(alias_->text());
    server->setAddress(address_->text().trimmed());
    server->setPort(port_->value());
    server->setSsl(ssl_->isChecked());
    server->setRequiresLogin(requiresLogin_->isChecked());
    server->setUsername(username_->text());
    server->setPassword(password_->text());
    server->setMaxConnections(maxConnections_->value());
    server->setEnabled(enabled_->isChecked());
    server->setIsbackupServerOnly(isbackupServerOnly_->isChecked());
    server->setShowStats(showStats_->isChecked() ? 1 : 0);
    username_->setEnabled(requiresLogin_->isChecked());
    password_->setEnabled(requiresLogin_->isChecked());
    table_->serversModel()->serverChanged(table_->selectedRow());
}

void PrefsServersVC::addNewNNTPServer()
{
    NNTPServersController* servers = context_.nntpServersController;
    if (!servers) return;
    const NNTPServerObjectPtr server = servers->createNewNNTPServer();
    table_->serversModel()->reload();
    table_->selectRow(table_->serversModel()->rowOf(server));
    showSelectedServer();
    alias_->setFocus();
}

void PrefsServersVC::removeNNTPServer()
{
    NNTPServersController* servers = context_.nntpServersController;
    const NNTPServerObjectPtr server = selectedServer();
    if (!servers || !server) return;
    if (!DialogBoxes::alertBoxYesNo(sformat(u"Delete %@ from the list?", server->alias()),
                                    QStringLiteral("This also removes the historical download data from the statistics."),
                                    true))
        return;
    const QList<int> rows = table_->selectedRows();
    QList<NNTPServerObjectPtr>& list = servers->mutableArrayNNTPServers();
    for (auto it = rows.crbegin(); it != rows.crend(); ++it) {
        if (*it >= list.size()) continue;
        deleteStatistics(list.at(*it));
        // A certificate trusted for this server is trusted for no other.
        NntpTlsConfiguration::forgetTrustedCertificate(list.at(*it)->serverID());
        list.removeAt(*it);
    }
    table_->serversModel()->reload();
    const int highest = rows.isEmpty() ? -1 : rows.last();
    table_->selectRow(std::min(highest, int(list.size()) - 1));
    showSelectedServer();
}

void PrefsServersVC::deleteStatistics(const NNTPServerObjectPtr& server) const
{
    StatsUsageController* stats = context_.statsUsageController;
    if (!stats) return;
    const QString serverID = server->serverID();
    const QString upServerID = server->upServerID();
    stats->deleteAllRecordsForServerID(serverID);
    if (upServerID != serverID) stats->deleteAllRecordsForServerID(upServerID);
}

void PrefsServersVC::sslButtonClicked()
{
    const NNTPServerObjectPtr server = selectedServer();
    if (!server) return;
    server->setPort(NNTPServerObject::standardPort(ssl_->isChecked()));
    loadingFields_ = true;
    port_->setValue(server->port());
    loadingFields_ = false;
    serverEdited();
}

void PrefsServersVC::resetStatisticsForNNTPServer()
{
    const NNTPServerObjectPtr server = selectedServer();
    if (!server) return;
    if (!DialogBoxes::alertBoxYesNo(sformat(u"Delete all historical data for %@?", server->alias()),
                                    QStringLiteral("This data will no longer be available in the statistics."),
                                    false))
        return;
    deleteStatistics(server);
}

void PrefsServersVC::setSelectedServerColor(const QColor& color)
{
    const NNTPServerObjectPtr server = selectedServer();
    if (!server || !color.isValid()) return;
    server->setColor(color);
    color_->setIcon(QIcon(colorSwatch(color)));
    table_->serversModel()->serverChanged(table_->selectedRow());
}

void PrefsServersVC::chooseColor()
{
    const NNTPServerObjectPtr server = selectedServer();
    if (!server) return;
    const QColor color = QColorDialog::getColor(server->color(), this, QStringLiteral("Server colour"));
    setSelectedServerColor(color);
}

void PrefsServersVC::openServerTestWindow()
{
    const NNTPServerObjectPtr server = selectedServer();
    if (!server) return;
    if (!serverTestWC_) {
        serverTestWC_ = new ServerTestWC(window());
        serverTestWC_->setAttribute(Qt::WA_DeleteOnClose);
        connect(serverTestWC_, &QDialog::finished, serverTestWC_, &QObject::deleteLater);
    }
    serverTestWC_->setNntpserver(server);
    serverTestWC_->show();
}

void PrefsServersVC::openUploadSettingsWindow()
{
    const NNTPServerObjectPtr server = selectedServer();
    if (!server) return;
    if (prefsUploadSettingsWC_) prefsUploadSettingsWC_->closeWindow();
    prefsUploadSettingsWC_ = new PrefsUploadSettingsWC(server, window());
    connect(prefsUploadSettingsWC_, &QDialog::finished, prefsUploadSettingsWC_, &QObject::deleteLater);
    prefsUploadSettingsWC_->open();
}
