#include "ui/posting/MsgViewerWC.h"

#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QFile>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringDecoder>
#include <QVBoxLayout>

namespace {

QLineEdit* headerField(QWidget* parent, const char* name)
{
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    field->setReadOnly(true);
    field->setFrame(false);
    return field;
}

} // namespace

MsgViewerWC::MsgViewerWC(const QString& fileurl, const QueuePtr& filepart, QWidget* parent)
    : QWidget(parent, Qt::Window)
    , fileurl_(fileurl)
    , filepart_(filepart)
{
    setObjectName(QStringLiteral("MsgViewerWC"));
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    textFieldFrom_ = headerField(this, "textFieldFrom");
    textFieldEmail_ = headerField(this, "textFieldEmail");
    textFieldSubject_ = headerField(this, "textFieldSubject");
    form->addRow(QStringLiteral("From:"), textFieldFrom_);
    form->addRow(QStringLiteral("E-mail:"), textFieldEmail_);
    form->addRow(QStringLiteral("Subject:"), textFieldSubject_);
    layout->addLayout(form);
    textView_ = new QPlainTextEdit(this);
    textView_->setObjectName(QStringLiteral("textView"));
    textView_->setReadOnly(true);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSize(13);
    textView_->setFont(font);
    textView_->document()->setDocumentMargin(10);
    layout->addWidget(textView_, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    replyButton_ = new QPushButton(QStringLiteral("Reply"), this);
    replyButton_->setObjectName(QStringLiteral("replyButton"));
    connect(replyButton_, &QPushButton::clicked, this, &MsgViewerWC::openReplyWindow);
    buttons->addWidget(replyButton_);
    layout->addLayout(buttons);
    resize(640, 520);

    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { closeWindow(); });
    fillContent();
}

MsgViewerWC::~MsgViewerWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void MsgViewerWC::showWindow()
{
    WindowPlacement::centerWindow(this, kWindowDistance);
    show();
    raise();
    activateWindow();
}

QString MsgViewerWC::decodeBody(const QByteArray& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

void MsgViewerWC::fillContent()
{
    const QueuePtr job = filepart_ ? filepart_->queue() : nullptr;
    const QString poster = job ? job->poster() : QString();
    textFieldFrom_->setText(poster);
    textFieldEmail_->setText(poster);
    textFieldSubject_->setText(filepart_ ? filepart_->title() : QString());
    setWindowTitle(textFieldSubject_->text());
    QFile file(fileurl_);
    if (file.open(QIODevice::ReadOnly)) textView_->setPlainText(decodeBody(file.readAll()));
}

void MsgViewerWC::openReplyWindow()
{
    QVariantMap info;
    if (const QueuePtr job = filepart_ ? filepart_->queue() : nullptr)
        info.insert(QStringLiteral("queue"), QVariant::fromValue(job));
    NotificationHub::defaultCenter().post(QStringLiteral("OpenPostArticleWindow"), this, info);
}

void MsgViewerWC::closeWindow()
{
    close();
}

void MsgViewerWC::closeEvent(QCloseEvent* event)
{
    if (!windowIsClosing_) {
        windowIsClosing_ = true;
        ++closeCount_;
    }
    event->accept();
}
