#include "ui/search/panes/SearchPaneButtonBar.h"

#include "controls/SRGB.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

SearchPaneButtonBar::SearchPaneButtonBar(QWidget* parent) : QWidget(parent), layout_(new QHBoxLayout(this))
{
    layout_->setContentsMargins(4, 3, 4, 3);
    layout_->setSpacing(2);
    layout_->addStretch(1);
}

QToolButton* SearchPaneButtonBar::addButton(const QString& name, const QString& title, const QString& tip,
                                            const QIcon& icon)
{
    auto* button = new QToolButton(this);
    button->setObjectName(name);
    button->setText(title);
    button->setToolTip(tip);
    button->setAutoRaise(true);
    button->setIcon(icon);
    button->setToolButtonStyle(icon.isNull() ? Qt::ToolButtonTextOnly : Qt::ToolButtonIconOnly);
    // Before the stretch: the buttons sit on the left.
    layout_->insertWidget(layout_->count() - 1, button);
    return button;
}

void SearchPaneButtonBar::paintEvent(QPaintEvent* /*event*/)
{
    QPainter p(this);
    p.fillRect(rect(), srgb(0.898, 0.898, 0.898));
    p.fillRect(QRect(0, 0, width(), 1), srgb(0.757, 0.757, 0.757));
}
