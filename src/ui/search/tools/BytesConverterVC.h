#pragma once

#include "controls/TVLTextFieldDelegate.h"

#include <QPointer>
#include <QWidget>

class QComboBox;
class BytesConverterDelegate;

// A small popup that turns a size typed with a unit (bytes to terabytes, in
// powers of 1000) into a plain number of whole bytes for the field it was
// opened for. The unit is the setting "convertBytesUnit". The arithmetic runs
// on decimal text so that large sizes keep every digit.
class BytesConverterVC : public QWidget, public TVLTextFieldDelegate
{
    Q_OBJECT
public:
    explicit BytesConverterVC(QWidget* parent = nullptr);

    // The whole bytes of `text` in the unit `unit`: a null string when the
    // text is empty or below 1; "0" for an unknown unit; sixteen nines when
    // the product has 17 digits or more. A part of a byte is dropped, because
    // the size fields hold whole numbers only.
    static QString bytesFor(const QString& text, qint64 unit);
    // The text with everything but digits, "," and "." removed.
    static QString keepNumberCharacters(const QString& text);

    // The identifiers the size fields' extra buttons report.
    static QString minSizeIdentifier() { return QStringLiteral("MinBytesConverter"); }
    static QString maxSizeIdentifier() { return QStringLiteral("MaxBytesConverter"); }
    // Gives a size field the extra button that opens the converter: its art,
    // tool tip and `identifier`. Before the field is first shown.
    static void configureSizeField(TVLTextField* field, const QString& identifier);

    TVLTextField* valueTextField() const { return valueTextField_; }
    QComboBox* unitPopUp() const { return unitPopUp_; }
    TVLTextField* textField() const { return textField_; }
    void setTextField(TVLTextField* field) { textField_ = field; }
    void setDelegate(BytesConverterDelegate* delegate) { delegate_ = delegate; }

    // Shows the popup below `anchor`, with the input empty and focused.
    void showRelativeTo(QWidget* anchor);
    // Reports the conversion of the typed text to the delegate.
    void convertToBytes();

    void controlTextDidChange(TVLTextField* field) override;
    void controlTextDidEndEditing(TVLTextField* field) override;

protected:
    // A popup has no window frame of its own: an edge sets it off the window below.
    void paintEvent(QPaintEvent* event) override;

private:
    TVLTextField* valueTextField_;
    QComboBox* unitPopUp_;
    QPointer<TVLTextField> textField_;
    BytesConverterDelegate* delegate_ = nullptr;
};
