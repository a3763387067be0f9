#include "ui/search/tools/BytesConverterVC.h"

#include "controls/Artwork.h"
#include "controls/TVLTextField.h"
#include "platform/UserDefaults.h"
#include "ui/search/tools/BytesConverterDelegate.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

const QString kUnitKey = QStringLiteral("convertBytesUnit");
const QString kSixteenNines = QStringLiteral("9999999999999999");

// The number of zeros of each unit's factor; -1 for a unit without one.
int zerosOfUnit(qint64 unit)
{
    return unit >= 0 && unit <= 4 ? int(unit) * 3 : -1;
}

// The leading decimal number of `text`: its digits before and after the
// first ".", up to the first character that cannot belong to it.
void leadingNumber(const QString& text, QString& whole, QString& fraction)
{
    int i = 0;
    while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) whole.append(text[i++]);
    if (i < text.size() && text[i] == u'.') {
        ++i;
        while (i < text.size() && text[i].isDigit() && text[i].unicode() < 128) fraction.append(text[i++]);
    }
}

QString withoutLeadingZeros(const QString& digits)
{
    int i = 0;
    while (i + 1 < digits.size() && digits[i] == u'0') ++i;
    return digits.mid(i);
}

} // namespace

BytesConverterVC::BytesConverterVC(QWidget* parent)
    : QWidget(parent, Qt::Popup)
{
    setObjectName(QStringLiteral("BytesConverterVC"));
    valueTextField_ = new TVLTextField(this);
    valueTextField_->setObjectName(QStringLiteral("valueTextField"));
    valueTextField_->setPlaceHolderString(QStringLiteral("Size"));
    valueTextField_->setMinimumWidth(140);
    valueTextField_->setMinimumHeight(24);
    valueTextField_->awakeFromNib();
    valueTextField_->setDelegate(this);

    unitPopUp_ = new QComboBox(this);
    unitPopUp_->setObjectName(QStringLiteral("unitPopUp"));
    const QStringList titles{QStringLiteral("Bytes"), QStringLiteral("KB"), QStringLiteral("MB"),
                             QStringLiteral("GB"), QStringLiteral("TB")};
    for (int i = 0; i < titles.size(); ++i) unitPopUp_->addItem(titles[i], qint64(i));
    const int stored = unitPopUp_->findData(UserDefaults::standard().integerForKey(kUnitKey));
    unitPopUp_->setCurrentIndex(stored >= 0 ? stored : 1);
    connect(unitPopUp_, &QComboBox::activated, this, [this](int index) {
        UserDefaults::standard().setInteger(unitPopUp_->itemData(index).toLongLong(), kUnitKey);
    });

    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 10, 10, 10);
    layout->setSpacing(8);
    layout->addWidget(valueTextField_, 1);
    layout->addWidget(unitPopUp_);
    adjustSize();
}

void BytesConverterVC::configureSizeField(TVLTextField* field, const QString& identifier)
{
    field->setExtraButtonImage(Artwork::pixmap(QStringLiteral("sf_icon_converter"), QSize(14, 14)));
    field->setExtraButtonToolTip(QStringLiteral("Convert a size to bytes"));
    field->setTf_id(identifier);
}

QString BytesConverterVC::keepNumberCharacters(const QString& text)
{
    QString kept;
    for (QChar c : text)
        if ((c >= u'0' && c <= u'9') || c == u',' || c == u'.') kept.append(c);
    return kept;
}

QString BytesConverterVC::bytesFor(const QString& text, qint64 unit)
{
    if (text.isEmpty()) return {};
    // Below 1 is judged on the text as typed, where a "," ends the number.
    QString whole, fraction;
    leadingNumber(text, whole, fraction);
    if (withoutLeadingZeros(whole.isEmpty() ? QStringLiteral("0") : whole) == QStringLiteral("0")) return {};

    const int zeros = zerosOfUnit(unit);
    if (zeros < 0) return QStringLiteral("0");

    // The product: "," counts as the decimal point; multiplying by a power of
    // ten moves the point, and the digits left behind it are a part of a byte.
    whole.clear();
    fraction.clear();
    QString dotted = text;
    dotted.replace(u',', u'.');
    leadingNumber(dotted, whole, fraction);
    QString shifted = fraction.left(zeros);
    shifted.append(QString(zeros - shifted.size(), u'0'));
    const QString product = withoutLeadingZeros(whole + shifted);
    return product.size() >= 17 ? kSixteenNines : product;
}

void BytesConverterVC::showRelativeTo(QWidget* anchor)
{
    const int stored = unitPopUp_->findData(UserDefaults::standard().integerForKey(kUnitKey));
    if (stored >= 0) unitPopUp_->setCurrentIndex(stored);
    valueTextField_->setStringValue(QString());
    adjustSize();
    if (anchor) move(anchor->mapToGlobal(QPoint(anchor->width() / 2 - width() / 2, anchor->height())));
    show();
    valueTextField_->textField()->setFocus(Qt::PopupFocusReason);
}

void BytesConverterVC::convertToBytes()
{
    const QString result = bytesFor(valueTextField_->stringValue(), UserDefaults::standard().integerForKey(kUnitKey));
    if (delegate_) delegate_->bytesConversionFinishedWithValue(result, textField_);
}

void BytesConverterVC::controlTextDidChange(TVLTextField* field)
{
    const QString kept = keepNumberCharacters(field->stringValue());
    if (kept != field->stringValue()) field->setStringValue(kept);
}

void BytesConverterVC::controlTextDidEndEditing(TVLTextField* field)
{
    (void)field;
    convertToBytes();
}

void BytesConverterVC::paintEvent(QPaintEvent* event)
{
    (void)event;
    QPainter painter(this);
    painter.fillRect(rect(), palette().window());
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}
