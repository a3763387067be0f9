#pragma once

#include <QPixmap>
#include <QPushButton>
#include <QVariant>

class QAction;
class QActionGroup;
class QMenu;

// A pop-up button: a button that shows the chosen item of its menu and opens
// the menu when pressed. Picking an item selects it and emits activated().
// The program's pop-up looks draw themselves on top of this.
class PopUpButton : public QPushButton
{
    Q_OBJECT
public:
    explicit PopUpButton(QWidget* parent = nullptr);

    QAction* addItem(const QString& title, const QPixmap& image = QPixmap(),
                     const QVariant& data = QVariant());
    void removeAllItems();
    int numberOfItems() const;
    QAction* itemAtIndex(int index) const;

    int indexOfSelectedItem() const { return selected_; }
    QAction* selectedItem() const { return itemAtIndex(selected_); }
    QString titleOfSelectedItem() const;
    QPixmap imageOfSelectedItem() const;
    void selectItemAtIndex(int index);

    QMenu* popupMenu() const { return menu_; }

Q_SIGNALS:
    void activated(int index);

private:
    void itemPicked(QAction* action);

    QMenu* menu_;
    QActionGroup* group_;
    int selected_ = -1;
};
