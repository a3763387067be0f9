#include "ui/prefs/PrefsPage.h"

#include <QVBoxLayout>

PrefsPage::PrefsPage(QWidget* parent) : QWidget(parent)
{
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
}

QSize PrefsPage::sizeHint() const
{
    return QWidget::sizeHint().expandedTo(kPreferredSize);
}

void PrefsPage::setContent(QWidget* content)
{
    layout()->addWidget(content);
}
