#pragma once

#include <QString>

class QDialog;
class QHBoxLayout;
class QPushButton;

// The button row of the history and bookmark windows: Cancel beside the
// default button at the right.
struct SearchWindowButtons
{
    QHBoxLayout* row = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnSave = nullptr;

    // The buttons belong to `dialog`; the caller places the row.
    static SearchWindowButtons build(QDialog* dialog, const QString& saveTitle);
};
