#include "ui/core/AboutWC.h"

#include "controls/Artwork.h"
#include "controls/CoreArtwork.h"
#include "core/StringFormat.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "platform/UserDefaults.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QDate>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

namespace {
constexpr int kWidth = 340;
constexpr int kHeight = 300;
constexpr int kIconSize = 96;
} // namespace

AboutWC::AboutWC(QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("AboutWC"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedSize(kWidth, kHeight);

    auto* icon = new QLabel(this);
    icon->setObjectName(QStringLiteral("imageView"));
    icon->setAlignment(Qt::AlignCenter);
    icon->setPixmap(
        Artwork::pixmap(QString::fromLatin1(CoreArtwork::kApplicationIcon), QSize(kIconSize, kIconSize)));

    appNameTextField_ = new QLabel(this);
    appNameTextField_->setObjectName(QStringLiteral("appNameTextField"));
    QFont nameFont = appNameTextField_->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.6);
    appNameTextField_->setFont(nameFont);

    versionTextField_ = new QLabel(this);
    versionTextField_->setObjectName(QStringLiteral("versionTextField"));
    versionTextField_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    copyrightTextField_ = new QLabel(this);
    copyrightTextField_->setObjectName(QStringLiteral("copyrightTextField"));
    copyrightTextField_->setWordWrap(true);
    QFont smallFont = copyrightTextField_->font();
    smallFont.setPointSizeF(smallFont.pointSizeF() * 0.85);
    copyrightTextField_->setFont(smallFont);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(20, 24, 20, 20);
    layout->setSpacing(8);
    layout->addWidget(icon);
    for (QLabel* label : {appNameTextField_, versionTextField_, copyrightTextField_}) {
        label->setAlignment(Qt::AlignCenter);
        label->setTextFormat(Qt::PlainText);
        layout->addWidget(label);
    }
    layout->addStretch(1);

    windowDidLoad();
}

AboutWC::~AboutWC()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

QString AboutWC::versionText()
{
    UserDefaults& d = UserDefaults::standard();
    return sformat(u"Version %@ (Build %@)", d.stringForKey(QStringLiteral("appVersionNr")),
                   d.stringForKey(QStringLiteral("appBuildNr")));
}

QString AboutWC::copyrightText()
{
    return sformat(u"Copyright \u00a9 %@ the Binorama developers. All rights reserved.",
                   QDate::currentDate().toString(QStringLiteral("yyyy")));
}

void AboutWC::windowDidLoad()
{
    // The window shows no title of its own: the name is in the content.
    setWindowTitle(QString());
    QPointer<AboutWC> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (!self) return;
                                                     if (Dispatch::isMainThread())
                                                         self->closeWindow();
                                                     else
                                                         Dispatch::onThreadOf(self, [self] {
                                                             if (self) self->closeWindow();
                                                         });
                                                 });
    appNameTextField_->setText(UserDefaults::standard().stringForKey(QStringLiteral("appName")));
    versionTextField_->setText(versionText());
    copyrightTextField_->setText(copyrightText());
}

int AboutWC::runModal()
{
    // Ended before it ran (the program is terminating): it does not run.
    // Either way the window can be run again afterwards.
    const int code = windowIsClosing_ ? 0 : exec();
    windowIsClosing_ = false;
    return code;
}

void AboutWC::closeWindow()
{
    if (windowIsClosing_) return;
    windowIsClosing_ = true;
    done(0);
}

void AboutWC::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    // Placed once shown, when its frame is known; the first time only.
    if (placed_) return;
    placed_ = true;
    WindowPlacement::centerWindow(this, WindowPlacement::kAboutWindowDistance);
}

void AboutWC::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
