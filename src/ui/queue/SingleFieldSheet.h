#pragma once

#include <QString>

class QDialog;
class QLineEdit;
class QPushButton;

// The queue's small sheets (rename, password) share one shape: a label, a
// text field, and Cancel beside a default submit button at the right.
struct SingleFieldSheet
{
    QLineEdit* field = nullptr;
    QPushButton* cancelButton = nullptr;
    QPushButton* submitButton = nullptr;

    // Lays the sheet out in `dialog`; the field gets `fieldName` as its
    // object name and at least `minimumWidth` points.
    static SingleFieldSheet build(QDialog* dialog, const QString& label, const QString& fieldName, int minimumWidth,
                                  const QString& submitTitle);
};
