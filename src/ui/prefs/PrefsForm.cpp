#include "ui/prefs/PrefsForm.h"

#include "platform/UserDefaults.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPalette>
#include <QSpinBox>

#include <cmath>

namespace {

UserDefaults& defaults()
{
    return UserDefaults::standard();
}

QString keyOf(const char* key)
{
    return QString::fromLatin1(key);
}

} // namespace

PrefsForm::PrefsForm(QWidget* parent) : QWidget(parent), grid_(new QGridLayout(this))
{
    setAutoFillBackground(true);
    QPalette p = palette();
    p.setColor(QPalette::Window, Qt::white);
    setPalette(p);
    grid_->setContentsMargins(24, 18, 24, 18);
    grid_->setHorizontalSpacing(8);
    grid_->setVerticalSpacing(6);
    grid_->setColumnStretch(2, 1);
}

void PrefsForm::addSection(const QString& title)
{
    auto* heading = new QLabel(title, this);
    QFont f = heading->font();
    f.setBold(true);
    heading->setFont(f);
    if (row_ > 0) grid_->setRowMinimumHeight(row_++, 10);
    grid_->addWidget(heading, row_++, 0, 1, 3);
}

QLabel* PrefsForm::addNote(const QString& text)
{
    auto* note = new QLabel(text, this);
    note->setWordWrap(true);
    QPalette p = note->palette();
    p.setColor(QPalette::WindowText, QColor(0x6e, 0x6e, 0x6e));
    note->setPalette(p);
    grid_->addWidget(note, row_++, 1, 1, 2);
    return note;
}

void PrefsForm::addRow(const QString& label, QWidget* field)
{
    auto* text = new QLabel(label, this);
    text->setBuddy(field);
    grid_->addWidget(text, row_, 0, Qt::AlignRight | Qt::AlignVCenter);
    grid_->addWidget(field, row_++, 1, Qt::AlignLeft | Qt::AlignVCenter);
}

void PrefsForm::addRow(QWidget* field)
{
    // Tables and text views take the width; buttons and the like keep theirs.
    const bool expands = field->sizePolicy().horizontalPolicy() & QSizePolicy::ExpandFlag;
    grid_->addWidget(field, row_++, 1, 1, 2, expands ? Qt::Alignment() : Qt::AlignLeft);
}

QCheckBox* PrefsForm::addCheckBox(const char* key, const QString& text)
{
    auto* box = new QCheckBox(text, this);
    box->setObjectName(keyOf(key));
    box->setChecked(defaults().boolForKey(keyOf(key)));
    connect(box, &QCheckBox::toggled, this, [k = keyOf(key)](bool on) { defaults().setBool(on, k); });
    addRow(box);
    return box;
}

QSpinBox* PrefsForm::addIntegerField(const char* key, const QString& label, int minimum, int maximum,
                                     const QString& suffix)
{
    auto* field = new QSpinBox(this);
    field->setObjectName(keyOf(key));
    field->setRange(minimum, maximum);
    field->setSuffix(suffix);
    field->setValue(int(defaults().integerForKey(keyOf(key))));
    field->setMinimumWidth(110);
    connect(field, &QSpinBox::valueChanged, this, [k = keyOf(key)](int v) { defaults().setInteger(v, k); });
    addRow(label, field);
    return field;
}

QDoubleSpinBox* PrefsForm::addScaledField(const char* key, const QString& label, double minimum, double maximum,
                                          double scale, const QString& suffix)
{
    auto* field = new QDoubleSpinBox(this);
    field->setObjectName(keyOf(key));
    field->setRange(minimum, maximum);
    field->setDecimals(1);
    field->setSuffix(suffix);
    field->setValue(defaults().doubleForKey(keyOf(key)) / scale);
    field->setMinimumWidth(110);
    connect(field, &QDoubleSpinBox::valueChanged, this,
            [k = keyOf(key), scale](double v) { defaults().setDouble(std::round(v * scale), k); });
    addRow(label, field);
    return field;
}

QComboBox* PrefsForm::addTagPopup(const char* key, const QString& label,
                                  std::initializer_list<std::pair<const char*, int>> items)
{
    auto* popup = new QComboBox(this);
    popup->setObjectName(keyOf(key));
    for (const auto& [title, tag] : items)
        popup->addItem(QString::fromUtf8(title), tag);
    const int stored = popup->findData(int(defaults().integerForKey(keyOf(key))));
    popup->setCurrentIndex(stored >= 0 ? stored : 0);
    connect(popup, &QComboBox::activated, this,
            [popup, k = keyOf(key)](int index) { defaults().setInteger(popup->itemData(index).toInt(), k); });
    addRow(label, popup);
    return popup;
}

QLineEdit* PrefsForm::addTextField(const char* key, const QString& label)
{
    auto* field = new QLineEdit(this);
    field->setObjectName(keyOf(key));
    field->setText(defaults().stringForKey(keyOf(key)));
    field->setMinimumWidth(280);
    connect(field, &QLineEdit::textEdited, this, [k = keyOf(key)](const QString& t) { defaults().setString(t, k); });
    addRow(label, field);
    return field;
}

void PrefsForm::finish()
{
    grid_->setRowStretch(row_, 1);
}
