#include "ui/queue/EditTitleWC.h"

#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

EditTitleWC::EditTitleWC(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditTitleWC"));
    setWindowTitle(QStringLiteral("Rename"));
    setModal(true);
    auto* layout = new QVBoxLayout(this);
    auto* label = new QLabel(QStringLiteral("New title:"), this);
    titleTextField_ = new QLineEdit(this);
    titleTextField_->setObjectName(QStringLiteral("titleTextField"));
    titleTextField_->setMinimumWidth(380);
    auto* buttons = new QHBoxLayout;
    cancelButton_ = new QPushButton(QStringLiteral("Cancel"), this);
    submitButton_ = new QPushButton(QStringLiteral("Rename"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    submitButton_->setObjectName(QStringLiteral("submitButton"));
    submitButton_->setDefault(true);
    buttons->addStretch();
    buttons->addWidget(cancelButton_);
    buttons->addWidget(submitButton_);
    layout->addWidget(label);
    layout->addWidget(titleTextField_);
    layout->addLayout(buttons);
    connect(submitButton_, &QPushButton::clicked, this, &EditTitleWC::submitButtonClicked);
    connect(cancelButton_, &QPushButton::clicked, this, &EditTitleWC::cancelButtonClicked);
}

EditTitleWC::~EditTitleWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void EditTitleWC::windowDidLoad()
{
    QPointer<EditTitleWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (self) self->closeWindow();
                                                 });
    adjustSize();
    WindowPlacement::centerWindow(this, kWindowDistance);
    responseCode_ = 0;
    if (title_.isEmpty()) {
        closeWindow();
        return;
    }
    titleTextField_->setText(title_);
    titleTextField_->selectAll();
}

qint64 EditTitleWC::runModal()
{
    windowDidLoad();
    if (!windowIsClosing_) exec();
    return responseCode_;
}

QString EditTitleWC::trimSpacesAndTabs(const QString& text)
{
    qsizetype first = 0, last = text.size();
    const auto blank = [](QChar c) { return c == QLatin1Char(' ') || c == QLatin1Char('\t'); };
    while (first < last && blank(text[first]))
        ++first;
    while (last > first && blank(text[last - 1]))
        --last;
    return text.mid(first, last - first);
}

bool EditTitleWC::checkIfValidTitle() const
{
    QString stripped = newtitle_;
    for (QChar c : {QLatin1Char('/'), QLatin1Char(':'), QLatin1Char('.'), QLatin1Char(' ')})
        stripped.remove(c);
    if (stripped.isEmpty() || newtitle_.isEmpty()) return false;
    return newtitle_ != title_;
}

void EditTitleWC::submitButtonClicked()
{
    newtitle_ = trimSpacesAndTabs(titleTextField_->text());
    if (checkIfValidTitle()) responseCode_ = 1;
    closeWindow();
}

void EditTitleWC::cancelButtonClicked()
{
    responseCode_ = 0;
    closeWindow();
}

void EditTitleWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    done(int(responseCode_));
}

void EditTitleWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
