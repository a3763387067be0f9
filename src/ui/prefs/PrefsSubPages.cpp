#include "ui/prefs/PrefsSubPages.h"

#include "platform/UserDefaults.h"
#include "ui/prefs/ButtonCellPrefsLSB.h"
#include "ui/prefs/ViewPrefsLSB.h"

#include <QHBoxLayout>
#include <QVBoxLayout>

PrefsSubPages::PrefsSubPages(const QString& rememberKey, QWidget* parent)
    : QWidget(parent), rememberKey_(rememberKey)
{
    auto* sideBar = new ViewPrefsLSB(this);
    sideBar->setObjectName(QStringLiteral("leftSideBarView"));
    sideBar->setFixedWidth(170);
    sideBarLayout_ = new QVBoxLayout(sideBar);
    sideBarLayout_->setContentsMargins(0, 0, 1, 0);
    sideBarLayout_->setSpacing(0);
    sideBarLayout_->addStretch(1);

    topContainer_ = new QWidget(this);
    topContainer_->setObjectName(QStringLiteral("topContainer"));
    auto* containerLayout = new QVBoxLayout(topContainer_);
    containerLayout->setContentsMargins(0, 0, 0, 0);

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(sideBar);
    layout->addWidget(topContainer_, 1);
}

int PrefsSubPages::addSubPage(const QString& title, const QString& buttonName, QWidget* view)
{
    const int tag = int(views_.size()) + 1;
    auto* button = new ButtonCellPrefsLSB(title, this);
    button->setObjectName(buttonName);
    connect(button, &QAbstractButton::clicked, this, [this, tag] { changeViewController(tag); });
    sideBarLayout_->insertWidget(sideBarLayout_->count() - 1, button);
    buttons_.append(button);
    view->setParent(topContainer_);
    view->hide();
    views_.append(view);
    return tag;
}

void PrefsSubPages::showInitialSubPage()
{
    changeViewController(1);
    changeViewController(loadcurrentVCTag());
}

void PrefsSubPages::changeViewController(int tag)
{
    if (tag == 0) tag = 1;
    changeActiveLSBButtonTo(tag);
    if (tag == currentVCTag_) return;
    if (currentView_) {
        topContainer_->layout()->removeWidget(currentView_);
        currentView_->hide();
    }
    if (tag < 1 || tag > views_.size()) {
        currentView_ = nullptr;
        currentVCTag_ = tag;
        return;
    }
    currentView_ = views_.at(tag - 1);
    topContainer_->layout()->addWidget(currentView_);
    currentView_->show();
    currentVCTag_ = tag;
}

void PrefsSubPages::changeActiveLSBButtonTo(int tag)
{
    for (int i = 0; i < buttons_.size(); ++i) {
        // Exclusive buttons cannot all be off at once unless exclusivity is
        // lifted for the moment.
        buttons_[i]->setAutoExclusive(false);
        buttons_[i]->setChecked(i + 1 == tag);
        buttons_[i]->setAutoExclusive(true);
    }
}

ButtonCellPrefsLSB* PrefsSubPages::button(int tag) const
{
    return tag >= 1 && tag <= buttons_.size() ? buttons_.at(tag - 1) : nullptr;
}

int PrefsSubPages::loadcurrentVCTag() const
{
    return int(UserDefaults::standard().integerForKey(rememberKey_));
}

void PrefsSubPages::savecurrentVCTag() const
{
    UserDefaults& defaults = UserDefaults::standard();
    defaults.setInteger(currentVCTag_, rememberKey_);
    defaults.synchronize();
}
