#include "ui/search/SearchFieldCell.h"

#include "controls/Artwork.h"
#include "controls/ImageButton.h"
#include "controls/SRGB.h"

#include <QLineEdit>
#include <QPainter>

SearchFieldCell::SearchFieldCell(QWidget* parent)
    : SearchFieldCell(Look{kTextFieldPadding, QStringLiteral("sf_searchcell"), QStringLiteral("sf_searchcell_hi"),
                           QStringLiteral("sf_cancelcell"), QStringLiteral("sf_cancelcell_hi"), grey(0.55)},
                      new QLineEdit, parent)
{}

SearchFieldCell::SearchFieldCell(const Look& look, QLineEdit* editor, QWidget* parent)
    : QWidget(parent), look_(look), editor_(editor), searchCell_(new ImageButton(this)),
      cancelCell_(new ImageButton(this))
{
    setObjectName(QStringLiteral("SearchFieldCell"));
    editor_->setParent(this);
    const QPixmap ground = Artwork::pixmap(QStringLiteral("sf_bg_flat"));
    imgNormal_ = ThreePartImageCell::makeThreepartImage(ground, 6, 190, 6);
    imgInactive_ = ThreePartImageCell::makeThreepartImage(ground, 6, 190, 6);

    editor_->setFrame(false);
    editor_->setAttribute(Qt::WA_TranslucentBackground);
    QPalette pal = editor_->palette();
    pal.setColor(QPalette::Base, Qt::transparent);
    pal.setColor(QPalette::PlaceholderText, look_.placeholderColor);
    editor_->setPalette(pal);
    connect(editor_, &QLineEdit::returnPressed, this, [this] { Q_EMIT triggered(editor_->text()); });
    connect(editor_, &QLineEdit::textChanged, this, [this](const QString& t) { cancelCell_->setVisible(!t.isEmpty()); });

    searchCell_->setImage(Artwork::pixmap(look_.searchImage));
    searchCell_->setAlternateImage(Artwork::pixmap(look_.searchAlternateImage));
    searchCell_->setFocusPolicy(Qt::NoFocus);
    connect(searchCell_, &QAbstractButton::clicked, this, [this] { Q_EMIT triggered(editor_->text()); });
    cancelCell_->setImage(Artwork::pixmap(look_.cancelImage));
    cancelCell_->setAlternateImage(Artwork::pixmap(look_.cancelAlternateImage));
    cancelCell_->setFocusPolicy(Qt::NoFocus);
    cancelCell_->setVisible(false);
    connect(cancelCell_, &QAbstractButton::clicked, this, &SearchFieldCell::cancel);
    setFocusProxy(editor_);
}

QRect SearchFieldCell::searchTextRectForBounds(const QRect& bounds)
{
    return searchTextRectForBounds(bounds, kSearchAreaWidth, kTextFieldPadding, kCancelAreaWidth);
}

QRect SearchFieldCell::searchTextRectForBounds(const QRect& bounds, float searchAreaWidth, float textFieldPadding,
                                               float cancelAreaWidth)
{
    const int x = int(searchAreaWidth + textFieldPadding);
    return {bounds.x() + x, bounds.y() + 4,
            int(float(bounds.width()) - cancelAreaWidth - searchAreaWidth - textFieldPadding), 20};
}

const ThreePartImageCell::Pieces& SearchFieldCell::currentPieces() const
{
    return isEnabled() ? imgNormal_ : imgInactive_;
}

QString SearchFieldCell::text() const
{
    return editor_->text();
}

void SearchFieldCell::setText(const QString& text)
{
    editor_->setText(text);
}

void SearchFieldCell::setPlaceholderText(const QString& text)
{
    editor_->setPlaceholderText(text);
}

void SearchFieldCell::cancel()
{
    editor_->clear();
    Q_EMIT triggered(QString());
}

void SearchFieldCell::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const QRect text = searchTextRectForBounds(rect(), kSearchAreaWidth, look_.textFieldPadding, kCancelAreaWidth);
    editor_->setGeometry(text.x(), 0, text.width(), height());
    searchCell_->setGeometry(3, (height() - 16) / 2, 16, 16);
    cancelCell_->setGeometry(width() - int(kCancelAreaWidth) + 2, (height() - 14) / 2, 14, 14);
}

void SearchFieldCell::drawBackground(QPainter& painter)
{
    ThreePartImageCell::drawThreePartImage(painter, QRectF(rect()), currentPieces());
}

void SearchFieldCell::paintEvent(QPaintEvent*)
{
    QPainter p(this);
    drawBackground(p);
}
