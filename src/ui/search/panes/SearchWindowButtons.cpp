#include "ui/search/panes/SearchWindowButtons.h"

#include <QDialog>
#include <QHBoxLayout>
#include <QPushButton>

SearchWindowButtons SearchWindowButtons::build(QDialog* dialog, const QString& saveTitle)
{
    SearchWindowButtons b;
    b.btnCancel = new QPushButton(QStringLiteral("Cancel"), dialog);
    b.btnCancel->setObjectName(QStringLiteral("btnCancel"));
    b.btnCancel->setAutoDefault(false);
    b.btnSave = new QPushButton(saveTitle, dialog);
    b.btnSave->setObjectName(QStringLiteral("btnSave"));
    b.btnSave->setDefault(true);
    b.btnSave->setMinimumWidth(90);
    b.btnCancel->setMinimumWidth(90);
    b.row = new QHBoxLayout;
    b.row->addStretch(1);
    b.row->addWidget(b.btnCancel);
    b.row->addWidget(b.btnSave);
    return b;
}
