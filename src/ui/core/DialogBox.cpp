#include "ui/core/DialogBox.h"

#include "platform/NotificationHub.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QWindow>

#include <cmath>

namespace {
constexpr int kButtonY = 13;
constexpr int kButtonHeight = 32;
constexpr int kMinButtonWidth = 81;
constexpr int kInfoTop = 44;
constexpr int kTextLeft = 90;
} // namespace

DialogBox::DialogBox(QWidget* parent) : DialogBox(QString(), QString(), parent) {}

DialogBox::DialogBox(const QString& title, const QString& info, QWidget* parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("DialogBox"));
    setModal(true);
    setWindowTitle(QString());
    setFixedWidth(kDesignWidth);
    resize(kDesignWidth, kDesignHeight);

    imageView_ = new QLabel(this);
    imageView_->setObjectName(QStringLiteral("imageView"));
    imageView_->setGeometry(20, 20, 56, 56);
    imageView_->setScaledContents(true);

    titleTextfield_ = new QLabel(title, this);
    titleTextfield_->setObjectName(QStringLiteral("titleTextfield"));
    QFont bold = titleTextfield_->font();
    bold.setBold(true);
    titleTextfield_->setFont(bold);
    titleTextfield_->setWordWrap(true);
    titleTextfield_->setGeometry(kTextLeft, 16, kDesignWidth - kTextLeft - 20, 22);

    infoTextfield_ = new QLabel(info, this);
    infoTextfield_->setObjectName(QStringLiteral("infoTextfield"));
    infoTextfield_->setWordWrap(true);
    infoTextfield_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    infoTextfield_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    infoTextfield_->setGeometry(kTextLeft, kInfoTop, kDesignWidth - kTextLeft - 20,
                                kDesignHeight - kInfoTop - kButtonY - kButtonHeight - 12);

    NotificationHub::defaultCenter().addObserver(QStringLiteral("ApplicationWillTerminate"), this,
                                                 [this](const Notification&) { closeWindow(); });
}

DialogBox::~DialogBox()
{
    NotificationHub::defaultCenter().removeObserver(this);
}

void DialogBox::placeButton(QPushButton* button)
{
    // Buttons run from the right edge leftwards: the first ends 10 points
    // from the edge, each further one directly left of the one before.
    // Vertical positions count from the bottom of the window.
    const int limit = buttonsArray_.isEmpty() ? width() : buttonsArray_.last()->x() + 10;
    const int fitted = button->sizeHint().width();
    int w = std::max(fitted, kMinButtonWidth);
    int left = limit - w - 10;
    if (left < 0) {
        w -= 10 - left;
        left = 10;
    }
    button->setGeometry(left, height() - kButtonY - kButtonHeight, w, kButtonHeight);
}

QPushButton* DialogBox::addButtonWithTitle(const QString& title)
{
    auto* button = new QPushButton(title, this);
    const int tag = int(buttonsArray_.size()) + 1;
    button->setObjectName(QStringLiteral("button%1").arg(tag));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this, tag] { buttonPressed(tag); });
    placeButton(button);
    buttonsArray_.append(button);
    return button;
}

QPushButton* DialogBox::addInfoButtonWithUrl(const QUrl& url, const QString& title)
{
    htmlLink_ = url;
    auto* button = new QPushButton(title, this);
    button->setObjectName(QStringLiteral("button%1").arg(buttonsArray_.size() + 1));
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, [this] { urlButtonPressed(); });
    placeButton(button);
    buttonsArray_.append(button);
    return button;
}

void DialogBox::activeButton(int number)
{
    activeButton_ = number;
    for (QPushButton* b : buttonsArray_)
        b->setDefault(false);
    if (number >= 1 && number <= buttonsArray_.size())
        buttonsArray_[number - 1]->setDefault(true);
}

void DialogBox::image(const QImage& img)
{
    if (!img.isNull())
        imageView_->setPixmap(QPixmap::fromImage(img));
}

void DialogBox::buttonPressed(int tag)
{
    clickedButton_ = tag;
    closeWindow();
}

void DialogBox::urlButtonPressed()
{
    if (!htmlLink_.isValid() || htmlLink_.isEmpty())
        return;
    QDesktopServices::openUrl(htmlLink_);
    clickedButton_ = 0;
    closeWindow();
}

void DialogBox::closeWindow()
{
    if (closing_)
        return;
    closing_ = true;
    long code = 0;
    if (clickedButton_ >= 1 && clickedButton_ <= 3)
        code = DialogBoxes::kFirstButton + clickedButton_ - 1;
    done(int(code));
}

void DialogBox::resizeWindowHeight()
{
    const int fitting = infoTextfield_->heightForWidth(infoTextfield_->width());
    const int difference = fitting - infoTextfield_->height();
    if (difference <= 0)
        return;
    // Grow downward: the texts keep their place, the buttons move down with
    // the bottom edge.
    infoTextfield_->resize(infoTextfield_->width(), fitting);
    resize(width(), height() + difference);
    for (QPushButton* b : buttonsArray_)
        b->move(b->x(), b->y() + difference);
}

QPoint DialogBox::centeredPosition(const QRect& reference, const QSize& size, const QRect& available, int distance)
{
    int x = reference.x() + reference.width() / 2 - size.width() / 2;
    int y = reference.y() + distance;
    const int minX = available.isValid() ? available.x() : 0;
    const int minY = available.isValid() ? available.y() : 0;
    x = std::max(x, minX);
    y = std::max(y, minY);
    if (available.isValid()) {
        x = std::min(x, available.x() + available.width() - size.width());
        y = std::min(y, available.y() + available.height() - size.height());
        x = std::max(x, minX);
        y = std::max(y, minY);
    }
    return {x, y};
}

void DialogBox::centerWindow()
{
    QWidget* reference = QApplication::activeWindow();
    if (!reference || reference == this) {
        reference = nullptr;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (w != this && w->isVisible() && w->inherits("QMainWindow")) {
                reference = w;
                break;
            }
        }
    }
    const QRect refRect = reference ? reference->frameGeometry() : QRect();
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect();
    move(centeredPosition(refRect, size(), available, 60));
}

void DialogBox::showEvent(QShowEvent* event)
{
    if (!laidOut_) {
        laidOut_ = true;
        resizeWindowHeight();
        centerWindow();
    }
    QDialog::showEvent(event);
}

void DialogBox::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::ActivationChange && selfClosing_ && isVisible() && !isActiveWindow())
        closeWindow();
    QDialog::changeEvent(event);
}

void DialogBox::closeEvent(QCloseEvent* event)
{
    closeWindow();
    event->accept();
}

long DialogBox::runModal()
{
    closing_ = false;
    return exec();
}

long DialogBoxWidgetPresenter::runModal(const DialogRequest& request)
{
    DialogBox box(request.title, request.info);
    box.setSelfClosing(request.selfClosing);
    for (const DialogRequest::Button& b : request.buttons) {
        if (b.isLink)
            box.addInfoButtonWithUrl(QUrl(request.link), b.title);
        else
            box.addButtonWithTitle(b.title);
    }
    box.activeButton(request.activeButton);
    if (!request.imageName.isEmpty())
        box.image(QImage(QStringLiteral(":/images/%1").arg(request.imageName)));
    return box.runModal();
}
