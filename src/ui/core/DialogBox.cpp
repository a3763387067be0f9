#include "ui/core/DialogBox.h"

#include "controls/Artwork.h"
#include "controls/CoreArtwork.h"
#include "core/DialogBoxes.h"
#include "platform/Dispatch.h"
#include "platform/NotificationHub.h"
#include "ui/core/WindowPlacement.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QPointer>
#include <QPushButton>

#include <algorithm>

namespace {

constexpr int kImageLeft = 20;
constexpr int kImageTop = 16;
constexpr int kImageSize = 56;
constexpr int kTextLeft = 92;
constexpr int kTextRight = 20;
constexpr int kTitleTop = 14;
constexpr int kTitleHeight = 36;
constexpr int kInfoTop = 52;
constexpr int kInfoGap = 8; // between the information text and the button row

constexpr const char* kFullTitle = "fullTitle";

// The line ends of the texts are those of another platform ("\r" alone).
QString displayText(QString text)
{
    text.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    text.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return text;
}

// A push button's text treats "&" as a mnemonic marker; titles are shown as
// they stand.
QString buttonText(const QString& title)
{
    QString t = title;
    t.replace(QLatin1Char('&'), QLatin1String("&&"));
    return t;
}

QLabel* makeLabel(QWidget* parent, const char* name)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return label;
}

} // namespace

DialogBox::DialogBox(QWidget* parent) : DialogBox(QString(), QString(), parent)
{}

DialogBox::DialogBox(const QString& title, const QString& info, QWidget* parent)
    : QDialog(parent), title_(title), info_(info)
{
    setObjectName(QStringLiteral("DialogBox"));
    setModal(true);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setFixedWidth(kDesignWidth);
    setMinimumHeight(kDesignHeight);
    resize(kDesignWidth, kDesignHeight);

    imageView_ = new QLabel(this);
    imageView_->setObjectName(QStringLiteral("imageView"));
    imageView_->setGeometry(kImageLeft, kImageTop, kImageSize, kImageSize);
    imageView_->setScaledContents(true);

    const int textWidth = kDesignWidth - kTextLeft - kTextRight;
    titleTextfield_ = makeLabel(this, "titleTextfield");
    QFont bold = titleTextfield_->font();
    bold.setBold(true);
    titleTextfield_->setFont(bold);
    titleTextfield_->setGeometry(kTextLeft, kTitleTop, textWidth, kTitleHeight);

    infoTextfield_ = makeLabel(this, "infoTextfield");
    infoTextfield_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    infoTextfield_->setGeometry(kTextLeft, kInfoTop, textWidth,
                                kDesignHeight - kButtonBottom - kButtonHeight - kInfoGap - kInfoTop);
}

DialogBox::~DialogBox()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void DialogBox::windowDidLoad()
{
    if (loaded_) return;
    loaded_ = true;
    titleTextfield_->setText(displayText(title_));
    infoTextfield_->setText(displayText(info_));
    imageView_->setPixmap(
        Artwork::pixmap(QString::fromLatin1(CoreArtwork::kApplicationIcon), QSize(kImageSize, kImageSize)));
    resizeWindowHeight();
    WindowPlacement::centerWindow(this, WindowPlacement::kDialogDistance);

    QPointer<DialogBox> self(this);
    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [self](const Notification&) {
                                                     if (Dispatch::isMainThread()) {
                                                         if (self) self->closeWindow();
                                                     } else if (self) {
                                                         Dispatch::onThreadOf(self, [self] {
                                                             if (self) self->closeWindow();
                                                         });
                                                     }
                                                 });
}

void DialogBox::resizeWindowHeight()
{
    const int fitting = infoTextfield_->heightForWidth(infoTextfield_->width());
    const int difference = fitting - infoTextfield_->height();
    if (difference <= 0) return;
    // The texts keep their place; the bottom edge and the button row below
    // them move down.
    infoTextfield_->resize(infoTextfield_->width(), fitting);
    const int grown = height() + difference;
    setMinimumHeight(grown);
    resize(width(), grown);
    for (QPushButton* b : buttonsArray_)
        b->move(b->x(), b->y() + difference);
}

QString DialogBox::fullTitle(const QPushButton* button)
{
    return button ? button->property(kFullTitle).toString() : QString();
}

QPushButton* DialogBox::makeButton(const QString& title)
{
    windowDidLoad();
    auto* button = new QPushButton(this);
    button->setObjectName(QStringLiteral("button%1").arg(buttonsArray_.size() + 1));
    button->setProperty(kFullTitle, title);
    button->setText(buttonText(title));
    button->setAutoDefault(false);
    button->setFlat(false);
    placeButton(button);
    buttonsArray_.append(button);
    button->show();
    return button;
}

void DialogBox::placeButton(QPushButton* button)
{
    // The first button ends 10 from the right edge; each further one sits
    // directly left of the one before, their frames touching.
    const int limit = buttonsArray_.isEmpty() ? width() : buttonsArray_.last()->x() + kButtonMargin;
    const int fitted = button->sizeHint().width();
    int w = std::max(fitted, kMinButtonWidth);
    int left = limit - w - kButtonMargin;
    if (left < 0) {
        // Too wide for what is left: keep the right edge, start at 10 and
        // cut the title at its end.
        w -= kButtonMargin - left;
        left = kButtonMargin;
    }
    if (w < fitted) {
        const QString title = fullTitle(button);
        const QFontMetrics fm = button->fontMetrics();
        const int room = std::max(0, fm.horizontalAdvance(title) - (fitted - w));
        button->setText(buttonText(fm.elidedText(title, Qt::ElideRight, room)));
    }
    button->setGeometry(left, height() - kButtonBottom - kButtonHeight, w, kButtonHeight);
}

QPushButton* DialogBox::addButtonWithTitle(const QString& title)
{
    const int tag = int(buttonsArray_.size()) + 1;
    QPushButton* button = makeButton(title);
    connect(button, &QPushButton::clicked, this, [this, tag] { buttonPressed(tag); });
    return button;
}

QPushButton* DialogBox::addInfoButtonWithUrl(const QUrl& url, const QString& title)
{
    htmlLink_ = url;
    QPushButton* button = makeButton(title);
    connect(button, &QPushButton::clicked, this, [this] { urlButtonPressed(); });
    return button;
}

void DialogBox::activeButton(int number)
{
    windowDidLoad();
    activeButton_ = number;
    for (QPushButton* b : buttonsArray_)
        b->setDefault(false);
    if (number >= 1 && number <= buttonsArray_.size()) buttonsArray_[number - 1]->setDefault(true);
}

void DialogBox::image(const QImage& img)
{
    if (!img.isNull()) image(QPixmap::fromImage(img));
}

void DialogBox::image(const QPixmap& pm)
{
    windowDidLoad();
    if (!pm.isNull()) imageView_->setPixmap(pm);
}

void DialogBox::buttonPressed(int tag)
{
    clickedButton_ = tag;
    closeWindow();
}

void DialogBox::urlButtonPressed()
{
    if (htmlLink_.isEmpty()) return;
    QDesktopServices::openUrl(htmlLink_);
    closeWindow();
}

long DialogBox::responseCode() const
{
    switch (clickedButton_) {
    case 1:
        return DialogBoxes::kFirstButton;
    case 2:
        return DialogBoxes::kSecondButton;
    case 3:
        return DialogBoxes::kThirdButton;
    default:
        return 0;
    }
}

void DialogBox::closeWindow()
{
    if (closing_) return;
    closing_ = true;
    done(int(responseCode()));
}

long DialogBox::runModal()
{
    windowDidLoad();
    // Ended before it ran (the program is terminating): no answer.
    if (closing_) return responseCode();
    return exec();
}

void DialogBox::showEvent(QShowEvent* event)
{
    windowDidLoad();
    QDialog::showEvent(event);
}

void DialogBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange) {
        if (isActiveWindow())
            wasActive_ = true;
        else if (wasActive_ && selfClosing_ && isVisible())
            closeWindow();
    }
    QDialog::changeEvent(event);
}

void DialogBox::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}
