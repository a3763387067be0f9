#include "controls/TVLTextField.h"

#include "controls/Artwork.h"
#include "controls/ImageButton.h"
#include "controls/SRGB.h"
#include "controls/TVLComponentUtils.h"
#include "controls/TVLTextFieldDelegate.h"
#include "platform/UserDefaults.h"

#include <QAction>
#include <QEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>

namespace {
const QString kCancel = QStringLiteral("tvl_sf_cancel");
const QString kCancelHi = QStringLiteral("tvl_sf_cancel_hi");
const QString kArrow = QStringLiteral("tvl_sf_history_arrow");
const QString kArrowHi = QStringLiteral("tvl_sf_history_arrow_hi");
} // namespace

TVLTextField::TVLTextField(QWidget* parent) : QWidget(parent)
{
    setFocusPolicy(Qt::NoFocus);
}

TVLTextField::~TVLTextField() = default;

QStringList TVLTextField::artworkNames()
{
    return {kCancel, kCancelHi, kArrow, kArrowHi};
}

void TVLTextField::setArtwork(const QString& name, const QPixmap& image)
{
    if (name == kCancel) {
        cancelImage_ = image;
        if (cancelButton_) cancelButton_->setImage(image);
    } else if (name == kCancelHi) {
        cancelImageHi_ = image;
        if (cancelButton_) cancelButton_->setAlternateImage(image);
    } else if (name == kArrow) {
        arrowImage_ = image;
        if (arrowButton_) arrowButton_->setImage(image);
    } else if (name == kArrowHi) {
        arrowImageHi_ = image;
        if (arrowButton_) arrowButton_->setAlternateImage(image);
    }
}

void TVLTextField::setPlaceHolderString(const QString& s)
{
    placeHolderString_ = s;
    if (textField_) textField_->setPlaceholderText(s);
}

bool TVLTextField::event(QEvent* e)
{
    if (e->type() == QEvent::Polish) awakeFromNib();
    return QWidget::event(e);
}

void TVLTextField::awakeFromNib()
{
    if (awake_) return;
    awake_ = true;
    if (!backgroundColor_.isValid()) backgroundColor_ = Qt::white;
    if (!backgroundColorActive_.isValid()) backgroundColorActive_ = Qt::white;
    if (!borderColor_.isValid()) borderColor_ = grey(0.541);
    if (fontSize_ < 1) fontSize_ = 13;
    isEditable_ = !notEditable_;
    stringValue_ = QString();
    const std::pair<QPixmap*, QString> artwork[] = {
        {&cancelImage_, kCancel}, {&cancelImageHi_, kCancelHi}, {&arrowImage_, kArrow}, {&arrowImageHi_, kArrowHi}};
    for (const auto& [image, name] : artwork) {
        if (image->isNull()) *image = Artwork::pixmap(name);
    }
    addButtons();
    addTextInputField();
    layoutParts();
}

ImageButton* TVLTextField::makeButton(const QString& name, const QPixmap& image, const QPixmap& alternate)
{
    auto* button = new ImageButton(this);
    button->setObjectName(name);
    button->setImage(image);
    button->setAlternateImage(alternate);
    button->show();
    return button;
}

void TVLTextField::addButtons()
{
    if (!searchImage_.isNull()) {
        searchButton_ = makeButton(QStringLiteral("searchButton"), searchImage_, searchImage_);
        connect(searchButton_, &QAbstractButton::clicked, this, &TVLTextField::showSearchHistory);
    }
    if (!searchHistoryName_.isEmpty()) {
        arrowButton_ = makeButton(QStringLiteral("arrowButton"), arrowImage_, arrowImageHi_);
        connect(arrowButton_, &QAbstractButton::clicked, this, &TVLTextField::showSearchHistory);
    }
    if (!extraButtonImage_.isNull()) {
        extraButton_ = makeButton(QStringLiteral("extraButton"), extraButtonImage_, extraButtonImage_);
        if (!extraButtonToolTip_.isEmpty()) extraButton_->setToolTip(extraButtonToolTip_);
        connect(extraButton_, &QAbstractButton::clicked, this, &TVLTextField::extraButtonClickedDelegate);
    }
    if (isEditable_) {
        cancelButton_ = makeButton(QStringLiteral("cancelButton"), cancelImage_, cancelImageHi_);
        connect(cancelButton_, &QAbstractButton::clicked, this, &TVLTextField::clearTextField);
        cancelButton_->hide();
    }
}

void TVLTextField::addTextInputField()
{
    textField_ = new QLineEdit(this);
    textField_->setObjectName(QStringLiteral("textField"));
    textField_->setFrame(false);
    textField_->setAttribute(Qt::WA_MacShowFocusRect, false);
    textField_->setTextMargins(0, 0, 0, 0);
    textField_->setStyleSheet(
        QStringLiteral("QLineEdit { background: transparent; border: none; padding: 0; }"));
    QFont f = font();
    f.setPixelSize(int(fontSize_));
    textField_->setFont(f);
    textField_->setPlaceholderText(placeHolderString_);
    textField_->setReadOnly(!isEditable_);
    connect(textField_, &QLineEdit::textEdited, this, &TVLTextField::controlTextDidChange);
    connect(textField_, &QLineEdit::editingFinished, this, &TVLTextField::controlTextDidEndEditing);
    textField_->show();
}

void TVLTextField::layoutParts()
{
    if (!awake_) return;
    const int W = width();
    const int H = height();
    const bool hasExtra = extraButton_ != nullptr;
    searchButtonRect_ = searchButton_ ? QRect(4, 0, 18, H) : QRect();
    arrowButtonRect_ = arrowButton_ ? QRect(W - 11 - (hasExtra ? 20 : 0), 0, 7, H) : QRect();
    extraButtonRect_ = hasExtra ? QRect(W - 20, 0, 20, H) : QRect();
    if (cancelButton_) {
        const int base = int(W - 14);
        const int x = arrowButton_ ? base - 11 - (hasExtra ? 20 : 0) - 2
                                   : base - (hasExtra ? 20 : 0) + (hasExtra ? 2 : 0) - 4;
        cancelButtonRect_ = QRect(x, 0, 14, H);
    } else {
        cancelButtonRect_ = QRect();
    }
    if (searchButton_) searchButton_->setGeometry(searchButtonRect_);
    if (arrowButton_) arrowButton_->setGeometry(arrowButtonRect_);
    if (extraButton_) extraButton_->setGeometry(extraButtonRect_);
    if (cancelButton_) cancelButton_->setGeometry(cancelButtonRect_);

    const int fs = int(fontSize_);
    const int inputHeight = fs + 4;
    // The box is laid out bottom-up: y counts from the bottom edge.
    const int yFromBottom = H / 2 - fs / 2 - 2;
    const int x = searchButtonRect_.width() + 4;
    const int w = W - (searchButtonRect_.width() + cancelButtonRect_.width() + arrowButtonRect_.width() +
                       extraButtonRect_.width() + 12);
    textField_->setGeometry(x, H - yFromBottom - inputHeight, qMax(0, w), inputHeight);
}

QSize TVLTextField::sizeHint() const
{
    return QSize(200, 22);
}

void TVLTextField::resizeEvent(QResizeEvent* e)
{
    QWidget::resizeEvent(e);
    layoutParts();
}

void TVLTextField::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    drawMainBox(painter);
}

void TVLTextField::drawMainBox(QPainter& painter) const
{
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPainterPath box;
    box.addRoundedRect(QRectF(1, 1, width() - 2, height() - 2), 2, 2);
    painter.setPen(QPen(borderColor_, 1));
    painter.drawPath(box);
    painter.fillPath(box, isActive_ ? backgroundColorActive_ : backgroundColor_);
    if (extraButton_) {
        const QRect e = extraButtonRect_;
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.fillRect(QRect(e.x(), e.y() + 2, 1, e.height() - 4), withAlpha(borderColor_, 0.2));
    }
    painter.restore();
}

void TVLTextField::changeEvent(QEvent* e)
{
    if (e->type() == QEvent::EnabledChange && awake_) {
        if (isEnabled())
            enableButton();
        else
            disableButton();
    }
    QWidget::changeEvent(e);
}

void TVLTextField::enableButton()
{
    for (QWidget* part : {static_cast<QWidget*>(searchButton_), static_cast<QWidget*>(cancelButton_),
                          static_cast<QWidget*>(arrowButton_), static_cast<QWidget*>(extraButton_),
                          static_cast<QWidget*>(textField_)}) {
        if (part) part->setEnabled(true);
    }
}

void TVLTextField::disableButton()
{
    for (QWidget* part : {static_cast<QWidget*>(searchButton_), static_cast<QWidget*>(cancelButton_),
                          static_cast<QWidget*>(arrowButton_), static_cast<QWidget*>(extraButton_),
                          static_cast<QWidget*>(textField_)}) {
        if (part) part->setEnabled(false);
    }
}

void TVLTextField::setStringValue(const QString& value)
{
    const bool changed = value != stringValue_;
    stringValue_ = value;
    if (changed) Q_EMIT stringValueChanged(value);
    // The observer of stringValue: a value the input does not hold yet takes
    // the way of typed text.
    if (textField_ && value != textField_->text()) {
        textField_->setText(value);
        controlTextDidChange();
    }
}

void TVLTextField::removeNonNumbers()
{
    const QString text = textField_->text();
    if (text.isEmpty()) return;
    QString digits;
    for (QChar c : text) {
        if (c >= u'0' && c <= u'9') digits.append(c);
    }
    if (digits != text) textField_->setText(digits);
}

void TVLTextField::controlTextDidChange()
{
    if (numbersOnly_) removeNonNumbers();
    if (!textField_->text().isEmpty())
        showCancelButton();
    else
        hideCancelButton();
    controlTextDidChangeDelegate();
}

void TVLTextField::controlTextDidChangeDelegate()
{
    setStringValue(textField_->text());
    if (delegate_) delegate_->controlTextDidChange(this);
}

void TVLTextField::controlTextDidEndEditing()
{
    setStringValue(textField_->text());
    controlTextDidEndEditingDelegate();
}

void TVLTextField::controlTextDidEndEditingDelegate()
{
    if (delegate_) delegate_->controlTextDidEndEditing(this);
}

void TVLTextField::extraButtonClickedDelegate()
{
    if (delegate_) delegate_->extraButtonClicked(extraButton_, tfId_);
}

void TVLTextField::clearTextField()
{
    if (!textField_) return;
    textField_->setText(QString());
    setStringValue(QString());
    hideCancelButton();
    controlTextDidChange();
}

void TVLTextField::showCancelButton()
{
    if (isActive_) return;
    if (cancelButton_) cancelButton_->show();
    isActive_ = true;
    update();
}

void TVLTextField::hideCancelButton()
{
    if (!isActive_) return;
    if (cancelButton_) cancelButton_->hide();
    isActive_ = false;
    update();
}

QMenu* TVLTextField::makeSearchHistoryMenu()
{
    auto* menu = new QMenu(this);
    int items = 0;
    for (const QVariant& entry : TVLComponentUtils::arrayForKey(searchHistoryName_)) {
        // "&" would mark a shortcut in a menu title.
        const QString value = entry.toString();
        QAction* action = menu->addAction(QString(value).replace(u'&', QStringLiteral("&&")));
        action->setData(value);
        connect(action, &QAction::triggered, this, [this, action] { menuItemClicked(action); });
        ++items;
    }
    if (items > 0) {
        menu->addSeparator();
        QAction* clear = menu->addAction(QStringLiteral("Clear history"));
        connect(clear, &QAction::triggered, this, &TVLTextField::clearSearchHistory);
    } else {
        QAction* none = menu->addAction(QStringLiteral("No recent searches"));
        none->setEnabled(false);
    }
    return menu;
}

void TVLTextField::showSearchHistory()
{
    if (searchHistoryName_.isEmpty()) return;
    QMenu* menu = makeSearchHistoryMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Three points below the field's bottom-left corner.
    menu->popup(mapToGlobal(QPoint(0, height() + 3)));
}

void TVLTextField::menuItemClicked(QAction* item)
{
    if (!item || !textField_) return;
    textField_->setFocus(Qt::OtherFocusReason);
    textField_->setText(item->data().isValid() ? item->data().toString() : item->text());
    setStringValue(textField_->text());
    showCancelButton();
}

void TVLTextField::clearSearchHistory()
{
    if (searchHistoryName_.isEmpty()) return;
    UserDefaults::standard().setObject(QVariantList{}, searchHistoryName_);
}
