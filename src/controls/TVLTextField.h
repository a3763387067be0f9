#pragma once

#include <QColor>
#include <QPixmap>
#include <QRect>
#include <QWidget>

class ImageButton;
class QLineEdit;
class QMenu;
class QAction;
class TVLTextFieldDelegate;

// The program's composite text field: a rounded box holding a borderless
// input and up to four small buttons: a search icon at the left; at the
// right an arrow for the menu of recent values, an extra button and a cancel
// button that empties the field. Configure it before it is first shown (or
// before awakeFromNib()); the parts are built once then.
//
// Parts carry the object names "textField", "searchButton", "arrowButton",
// "extraButton" and "cancelButton".
class TVLTextField : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(QString stringValue READ stringValue WRITE setStringValue NOTIFY stringValueChanged)
public:
    explicit TVLTextField(QWidget* parent = nullptr);
    ~TVLTextField() override;

    // The program's own artwork of the cancel button and the history arrow:
    // what was not handed in by name before the parts are built is loaded
    // from the Artwork registry then.
    static QStringList artworkNames();
    void setArtwork(const QString& name, const QPixmap& image);

    // Configuration.
    QString placeHolderString() const { return placeHolderString_; }
    void setPlaceHolderString(const QString& s);
    QPixmap searchImage() const { return searchImage_; }
    void setSearchImage(const QPixmap& image) { searchImage_ = image; }
    QString searchHistoryName() const { return searchHistoryName_; }
    void setSearchHistoryName(const QString& key) { searchHistoryName_ = key; }
    QPixmap extraButtonImage() const { return extraButtonImage_; }
    void setExtraButtonImage(const QPixmap& image) { extraButtonImage_ = image; }
    QString extraButtonToolTip() const { return extraButtonToolTip_; }
    void setExtraButtonToolTip(const QString& tip) { extraButtonToolTip_ = tip; }
    QString tf_id() const { return tfId_; }
    void setTf_id(const QString& identifier) { tfId_ = identifier; }
    bool numbersOnly() const { return numbersOnly_; }
    void setNumbersOnly(bool on) { numbersOnly_ = on; }
    bool not_editable() const { return notEditable_; }
    void setNot_editable(bool on) { notEditable_ = on; }
    qint64 fontSize() const { return fontSize_; }
    void setFontSize(qint64 size) { fontSize_ = size; }
    QColor backgroundColor() const { return backgroundColor_; }
    void setBackgroundColor(const QColor& c) { backgroundColor_ = c; }
    QColor backgroundColorActive() const { return backgroundColorActive_; }
    void setBackgroundColorActive(const QColor& c) { backgroundColorActive_ = c; }
    QColor borderColor() const { return borderColor_; }
    void setBorderColor(const QColor& c) { borderColor_ = c; }

    // Held weakly: its owner clears it before it goes away.
    TVLTextFieldDelegate* delegate() const { return delegate_; }
    void setDelegate(TVLTextFieldDelegate* delegate) { delegate_ = delegate; }

    // Builds the parts; runs once (also at the first show).
    void awakeFromNib();

    QString stringValue() const { return stringValue_; }
    // A value set from code goes the way of typed text: filtered, the cancel
    // button follows, and the delegate is told (unless the input already
    // holds it).
    void setStringValue(const QString& value);

    bool isActive() const { return isActive_; }
    bool isEditable() const { return isEditable_; }

    QLineEdit* textField() const { return textField_; }
    ImageButton* searchButton() const { return searchButton_; }
    ImageButton* arrowButton() const { return arrowButton_; }
    ImageButton* extraButton() const { return extraButton_; }
    ImageButton* cancelButton() const { return cancelButton_; }
    QRect searchButtonRect() const { return searchButtonRect_; }
    QRect cancelButtonRect() const { return cancelButtonRect_; }
    QRect arrowButtonRect() const { return arrowButtonRect_; }
    QRect extraButtonRect() const { return extraButtonRect_; }

    void clearTextField();
    void showCancelButton();
    void hideCancelButton();
    void enableButton();
    void disableButton();
    void showSearchHistory();
    // The menu of recent values (its caller owns it).
    QMenu* makeSearchHistoryMenu();
    void menuItemClicked(QAction* item);
    void clearSearchHistory();
    void removeNonNumbers();

    QSize sizeHint() const override;

Q_SIGNALS:
    void stringValueChanged(const QString& value);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void changeEvent(QEvent* e) override;

private:
    void addButtons();
    void addTextInputField();
    void layoutParts();
    void drawMainBox(QPainter& painter) const;
    // The inner input's edits.
    void controlTextDidChange();
    void controlTextDidEndEditing();
    void controlTextDidChangeDelegate();
    void controlTextDidEndEditingDelegate();
    void extraButtonClickedDelegate();
    ImageButton* makeButton(const QString& name, const QPixmap& image, const QPixmap& alternate);

    QString placeHolderString_;
    QPixmap searchImage_;
    QString searchHistoryName_;
    QPixmap extraButtonImage_;
    QString extraButtonToolTip_;
    QString tfId_;
    bool numbersOnly_ = false;
    bool notEditable_ = false;
    qint64 fontSize_ = 0;
    QColor backgroundColor_;
    QColor backgroundColorActive_;
    QColor borderColor_;

    QPixmap cancelImage_;
    QPixmap cancelImageHi_;
    QPixmap arrowImage_;
    QPixmap arrowImageHi_;

    TVLTextFieldDelegate* delegate_ = nullptr;
    QString stringValue_;
    bool isActive_ = false;
    bool isEditable_ = true;
    bool awake_ = false;

    QLineEdit* textField_ = nullptr;
    ImageButton* searchButton_ = nullptr;
    ImageButton* arrowButton_ = nullptr;
    ImageButton* extraButton_ = nullptr;
    ImageButton* cancelButton_ = nullptr;
    QRect searchButtonRect_;
    QRect cancelButtonRect_;
    QRect arrowButtonRect_;
    QRect extraButtonRect_;
};
