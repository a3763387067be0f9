#include "ui/search/tools/RequestNewsgroupWC.h"

#include "controls/CoreArtwork.h"
#include "controls/TVLCharsetFormatter.h"
#include "core/DialogBoxes.h"
#include "platform/NotificationHub.h"
#include "search/RequestNewsgroupSocket.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

const QString RequestNewsgroupWC::kNewsgroupCharacters =
    QStringLiteral("abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ1234567890._-");

RequestNewsgroupWC::RequestNewsgroupWC(QWidget* parent)
    : QDialog(parent),
      textfieldNewsgroup_(new QLineEdit(this)),
      buttonCancel_(new QPushButton(QStringLiteral("Cancel"), this)),
      buttonSend_(new QPushButton(QStringLiteral("Send Request"), this))
{
    setObjectName(QStringLiteral("RequestNewsgroupWC"));
    setWindowTitle(QStringLiteral("Request Newsgroup"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(22, 18, 22, 16);
    layout->setSpacing(8);
    auto* heading = new QLabel(QStringLiteral("Request a newsgroup"), this);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    layout->addWidget(heading);
    auto* info = new QLabel(QStringLiteral("Missing a newsgroup? Enter its name and DeepLookup will be asked to "
                                           "add it to the indexed newsgroups."),
                            this);
    info->setWordWrap(true);
    layout->addWidget(info);
    layout->addSpacing(4);

    textfieldNewsgroup_->setObjectName(QStringLiteral("textfieldNewsgroup"));
    textfieldNewsgroup_->setPlaceholderText(QStringLiteral("alt.binaries.example"));
    // Filters and lower-cases every edit, typed or pasted, as it happens.
    auto* formatter = new TVLCharsetFormatter(textfieldNewsgroup_);
    formatter->setAcceptedCharset(kNewsgroupCharacters);
    textfieldNewsgroup_->setValidator(formatter);
    layout->addWidget(textfieldNewsgroup_);
    layout->addStretch();

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttonCancel_->setObjectName(QStringLiteral("buttonCancel"));
    buttonCancel_->setAutoDefault(false);
    buttonSend_->setObjectName(QStringLiteral("buttonSend"));
    buttonSend_->setDefault(true);
    buttons->addWidget(buttonCancel_);
    buttons->addWidget(buttonSend_);
    layout->addLayout(buttons);
    setFixedSize(QSize(440, 170).expandedTo(sizeHint()));

    connect(buttonSend_, &QPushButton::clicked, this, &RequestNewsgroupWC::sendRequestToServer);
    connect(buttonCancel_, &QPushButton::clicked, this, &RequestNewsgroupWC::closeWindow);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { closeWindow(); });
}

RequestNewsgroupWC::~RequestNewsgroupWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void RequestNewsgroupWC::showWindow()
{
    WindowPlacement::centerWindow(this, kWindowDistance);
    show();
    raise();
    activateWindow();
    textfieldNewsgroup_->setFocus();
}

void RequestNewsgroupWC::sendRequestToServer()
{
    QString name = textfieldNewsgroup_->text();
    bool valid = name.size() >= kMinimumNameLength;
    name.remove(QLatin1Char(' '));
    valid = valid && name.contains(QLatin1Char('.'));
    if (!valid) {
        DialogBoxes::alertBoxDefault(
            QStringLiteral("Not a valid newsgroup name"),
            QStringLiteral("The newsgroup you requested hasn't a valid newsgroup name.\nA newsgroup name is "
                           "something like: alt.binaries.test"),
            QString::fromLatin1(CoreArtwork::kCaution));
        return;
    }
    if (!socket_) {
        socket_ = new RequestNewsgroupSocket(this);
        socket_->setDelegate(this);
    }
    socket_->submitRequestForNewsgroup(name);
}

void RequestNewsgroupWC::releaseSocket()
{
    if (!socket_) return;
    // It may be reporting right now: it goes once that call has returned.
    // It keeps this window as its delegate, so that a reply it reports after
    // a warning about its form still arrives.
    socket_->deleteLater();
    socket_ = nullptr;
}

void RequestNewsgroupWC::serverResponse(const QString& text)
{
    releaseSocket();
    // The reply is one line: its line end is not part of the message.
    QString line = text;
    while (line.endsWith(QLatin1Char('\n')) || line.endsWith(QLatin1Char('\r')))
        line.chop(1);
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() >= 3) DialogBoxes::alertBoxDefault(fields.at(1), fields.at(2));
    closeWindow();
}

void RequestNewsgroupWC::connectionError(const QString& title, const QString& subtitle)
{
    releaseSocket();
    DialogBoxes::alertBoxDefault(title, subtitle);
}

void RequestNewsgroupWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    close();
    Q_EMIT windowWillClose();
}

void RequestNewsgroupWC::closeEvent(QCloseEvent* event)
{
    event->accept();
    closeWindow();
}
