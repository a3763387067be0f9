#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QPushButton;

// A folder setting on a settings page: the stored path, read-only, and a
// "Choose…" button that opens a folder chooser starting there. The chosen
// folder goes to the page (folderChosen), which stores it with what else a
// change of that folder involves.
class PrefsFolderField : public QWidget
{
    Q_OBJECT
public:
    // `key` names the setting; the path field is named after it and the
    // button "btnChoose" + key.
    PrefsFolderField(const QString& key, QWidget* parent = nullptr);

    QString key() const { return key_; }
    // Shows the stored path again.
    void refresh();
    QPushButton* chooseButton() const { return button_; }

Q_SIGNALS:
    void folderChosen(const QString& path);

private:
    void showSelectFolderPanel();

    QString key_;
    QLineEdit* path_;
    QPushButton* button_;
};
