#include "ui/stats/ViewServerName.h"

#include "controls/ViewColorBox.h"
#include "ui/stats/StatsFont.h"

#include <QLabel>

ViewServerName::ViewServerName(const QRect& frame, QWidget* parent)
    : QWidget(parent), colorBox_(new ViewColorBox(this)), aliasTextField_(new QLabel(this))
{
    setObjectName(QStringLiteral("ViewServerName"));
    setGeometry(frame);
    const int w = frame.width(), h = frame.height();
    // Bottom-left frames flipped into the widget: the swatch sits 10 points
    // above the bottom, the text field fills all but the lowest 5 points.
    colorBox_->setGeometry(10, h - 10 - 8, 8, 8);
    aliasTextField_->setGeometry(28, 0, std::max(0, w - 28), std::max(0, h - 5));
    aliasTextField_->setFont(StatsFont::arial(11));
    aliasTextField_->setStyleSheet(QStringLiteral("color: white; background: transparent;"));
    aliasTextField_->setAlignment(Qt::AlignLeft | Qt::AlignBottom);
}

int ViewServerName::widthForAlias(const QString& alias)
{
    return 5 * int(alias.size()) + 50;
}

void ViewServerName::setNntpServer(const NNTPServerObjectPtr& server)
{
    nntpServer_ = server;
}

void ViewServerName::startBindings()
{
    if (!nntpServer_) return;
    colorBox_->setBgcolor(nntpServer_->color());
    const QString alias = nntpServer_->alias();
    aliasTextField_->setText(
        aliasTextField_->fontMetrics().elidedText(alias, Qt::ElideRight, aliasTextField_->width()));
    aliasTextField_->setToolTip(alias);
}
