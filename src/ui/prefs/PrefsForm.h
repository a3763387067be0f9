#pragma once

#include <QString>
#include <QWidget>

#include <initializer_list>
#include <utility>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QSpinBox;

// One settings sub-page: titled sections of controls, each control bound to
// the setting it is named after (its object name is the key). A bound
// control shows the stored value when it is made and writes its key on
// every change the user makes.
class PrefsForm : public QWidget
{
    Q_OBJECT
public:
    explicit PrefsForm(QWidget* parent = nullptr);

    void addSection(const QString& title);
    // A line of grey explanatory text under the current section.
    QLabel* addNote(const QString& text);
    // A row with a label on the left (none for a check box line).
    void addRow(const QString& label, QWidget* field);
    void addRow(QWidget* field);

    QCheckBox* addCheckBox(const char* key, const QString& text);
    // An integer; `scale` divides the stored value for display (bytes shown
    // as GB, for instance) and multiplies the typed value back.
    QSpinBox* addIntegerField(const char* key, const QString& label, int minimum, int maximum,
                              const QString& suffix = {});
    QDoubleSpinBox* addScaledField(const char* key, const QString& label, double minimum, double maximum,
                                   double scale, const QString& suffix);
    // A pop-up of titled tags; the chosen tag is stored.
    QComboBox* addTagPopup(const char* key, const QString& label,
                           std::initializer_list<std::pair<const char*, int>> items);
    QLineEdit* addTextField(const char* key, const QString& label);

    // Pushes the sections to the top.
    void finish();

private:
    // One grid for every section, so that labels and fields line up down the
    // whole sub-page: labels right-aligned in column 0, fields and check
    // boxes in column 1, column 2 takes the spare width.
    QGridLayout* grid_;
    int row_ = 0;
};
