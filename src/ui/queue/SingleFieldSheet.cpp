#include "ui/queue/SingleFieldSheet.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

SingleFieldSheet SingleFieldSheet::build(QDialog* dialog, const QString& label, const QString& fieldName,
                                         int minimumWidth, const QString& submitTitle)
{
    SingleFieldSheet sheet;
    auto* layout = new QVBoxLayout(dialog);
    sheet.field = new QLineEdit(dialog);
    sheet.field->setObjectName(fieldName);
    sheet.field->setMinimumWidth(minimumWidth);
    sheet.cancelButton = new QPushButton(QStringLiteral("Cancel"), dialog);
    sheet.submitButton = new QPushButton(submitTitle, dialog);
    sheet.cancelButton->setObjectName(QStringLiteral("cancelButton"));
    sheet.submitButton->setObjectName(QStringLiteral("submitButton"));
    sheet.submitButton->setDefault(true);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(sheet.cancelButton);
    buttons->addWidget(sheet.submitButton);
    layout->addWidget(new QLabel(label, dialog));
    layout->addWidget(sheet.field);
    layout->addLayout(buttons);
    return sheet;
}
