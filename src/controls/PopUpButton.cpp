#include "controls/PopUpButton.h"

#include <QActionGroup>
#include <QMenu>

namespace {
const char* const kImageProperty = "popUpItemImage";
}

PopUpButton::PopUpButton(QWidget* parent)
    : QPushButton(parent), menu_(new QMenu(this)), group_(new QActionGroup(this))
{
    group_->setExclusive(true);
    setMenu(menu_);
    connect(menu_, &QMenu::triggered, this, &PopUpButton::itemPicked);
}

QAction* PopUpButton::addItem(const QString& title, const QPixmap& image, const QVariant& data)
{
    QAction* action = menu_->addAction(title);
    action->setCheckable(true);
    action->setData(data);
    if (!image.isNull()) {
        action->setIcon(QIcon(image));
        action->setProperty(kImageProperty, image);
    }
    group_->addAction(action);
    if (selected_ < 0) selectItemAtIndex(0);
    return action;
}

void PopUpButton::removeAllItems()
{
    for (QAction* action : menu_->actions()) {
        group_->removeAction(action);
        menu_->removeAction(action);
        delete action;
    }
    selected_ = -1;
    setText(QString());
    update();
}

int PopUpButton::numberOfItems() const
{
    return int(menu_->actions().size());
}

QAction* PopUpButton::itemAtIndex(int index) const
{
    const QList<QAction*> actions = menu_->actions();
    if (index < 0 || index >= actions.size()) return nullptr;
    return actions.at(index);
}

QString PopUpButton::titleOfSelectedItem() const
{
    QAction* item = selectedItem();
    return item ? item->text() : QString();
}

QPixmap PopUpButton::imageOfSelectedItem() const
{
    QAction* item = selectedItem();
    return item ? item->property(kImageProperty).value<QPixmap>() : QPixmap();
}

void PopUpButton::selectItemAtIndex(int index)
{
    QAction* item = itemAtIndex(index);
    selected_ = item ? index : -1;
    if (item) item->setChecked(true);
    setText(item ? item->text() : QString());
    update();
}

void PopUpButton::itemPicked(QAction* action)
{
    const int index = int(menu_->actions().indexOf(action));
    if (index < 0) return;
    selectItemAtIndex(index);
    Q_EMIT activated(index);
}
