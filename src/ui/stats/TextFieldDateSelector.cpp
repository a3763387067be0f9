#include "ui/stats/TextFieldDateSelector.h"

#include "platform/NotificationHub.h"

#include <QFocusEvent>

TextFieldDateSelector::TextFieldDateSelector(QWidget* parent) : QLineEdit(parent)
{
    setPlaceholderText(QStringLiteral("yyyy/mm/dd"));
    setMaxLength(10);
}

void TextFieldDateSelector::focusInEvent(QFocusEvent* e)
{
    QLineEdit::focusInEvent(e);
    NotificationHub::defaultCenter().post(
        QStringLiteral("TextFieldDateSelectorBecomeFistResponder"), this,
        {{QStringLiteral("textfield"), QVariant::fromValue<QObject*>(this)},
         {QStringLiteral("reason"), int(e->reason())}});
}
