#include "ui/stats/TVCStatsServerFilter.h"

#include "controls/CheckBoxCellGray.h"
#include "controls/ViewColorBox.h"

#include <QHBoxLayout>
#include <QLabel>

TVCStatsServerFilter::TVCStatsServerFilter(QWidget* parent)
    : QWidget(parent), checkbox_(new CheckBoxCellGray(this)), colorbox_(new ViewColorBox(this)),
      serverAlias_(new QLabel(this))
{
    setObjectName(identifier());
    colorbox_->setFixedSize(10, 10);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 0, 8, 0);
    row->setSpacing(8);
    row->addWidget(checkbox_);
    row->addWidget(colorbox_);
    row->addWidget(serverAlias_, 1);
}
