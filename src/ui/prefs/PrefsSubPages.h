#pragma once

#include <QList>
#include <QString>
#include <QWidget>

class ButtonCellPrefsLSB;
class QVBoxLayout;

// The side bar of a settings page with several sub-pages: one button per
// sub-page (tags 1 to k) on the left, the chosen sub-page's view on the
// right. The page remembers its last sub-page under its own "lastUsed..."
// key, written when the page is hidden.
class PrefsSubPages : public QWidget
{
    Q_OBJECT
public:
    PrefsSubPages(const QString& rememberKey, QWidget* parent = nullptr);

    // Adds a sub-page; its tag is its position from 1. The switcher owns
    // `view`. `buttonName` is the side-bar button's object name.
    int addSubPage(const QString& title, const QString& buttonName, QWidget* view);

    // Sub-page 1, then the remembered one: what a page does once it is built.
    void showInitialSubPage();

    // 0 means 1; a tag beyond the sub-pages only records the tag.
    void changeViewController(int tag);
    int currentVCTag() const { return currentVCTag_; }
    QWidget* currentView() const { return currentView_; }
    ButtonCellPrefsLSB* button(int tag) const;

    int loadcurrentVCTag() const;
    void savecurrentVCTag() const;

private:
    void changeActiveLSBButtonTo(int tag);

    QString rememberKey_;
    QVBoxLayout* sideBarLayout_;
    QWidget* topContainer_;
    QList<ButtonCellPrefsLSB*> buttons_;
    QList<QWidget*> views_;
    QWidget* currentView_ = nullptr;
    int currentVCTag_ = 0;
};
