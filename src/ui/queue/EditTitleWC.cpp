#include "ui/queue/EditTitleWC.h"

#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"
#include "ui/queue/SingleFieldSheet.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>

EditTitleWC::EditTitleWC(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("EditTitleWC"));
    setWindowTitle(QStringLiteral("Rename"));
    setModal(true);
    const SingleFieldSheet sheet = SingleFieldSheet::build(this, QStringLiteral("New title:"),
                                                           QStringLiteral("titleTextField"), 380,
                                                           QStringLiteral("Rename"));
    titleTextField_ = sheet.field;
    cancelButton_ = sheet.cancelButton;
    submitButton_ = sheet.submitButton;
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
