#include "ui/stats/TVCStatsServerUsage.h"

#include "controls/ViewColorBox.h"

#include <QHBoxLayout>
#include <QLabel>

TVCStatsServerUsage::TVCStatsServerUsage(QWidget* parent)
    : QWidget(parent), colorbox_(new ViewColorBox(this)), serverAlias_(new QLabel(this)), bytes_(new QLabel(this))
{
    setObjectName(identifier());
    colorbox_->setFixedSize(10, 10);
    serverAlias_->setTextInteractionFlags(Qt::NoTextInteraction);
    bytes_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(8);
    row->addWidget(colorbox_);
    row->addWidget(serverAlias_, 1);
    row->addWidget(bytes_);
}

void TVCStatsServerUsage::setRow(const QColor& color, const QString& alias, const QString& bytes)
{
    colorbox_->setBgcolor(color);
    serverAlias_->setText(alias);
    bytes_->setText(bytes);
}
