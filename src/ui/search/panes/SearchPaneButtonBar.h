#pragma once

#include <QIcon>
#include <QWidget>

class QHBoxLayout;
class QToolButton;

// The row of small flat buttons at the foot of the search page's left
// panes, on a line that sets it off from the list above.
class SearchPaneButtonBar : public QWidget
{
    Q_OBJECT
public:
    explicit SearchPaneButtonBar(QWidget* parent = nullptr);

    // A button named `name` (its object name) showing `title`, with `tip`;
    // with an icon it shows the icon alone.
    QToolButton* addButton(const QString& name, const QString& title, const QString& tip, const QIcon& icon = {});

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QHBoxLayout* layout_;
};
