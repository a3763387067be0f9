#pragma once

#include <QAbstractButton>

// The search page's button that shows (checked) or hides the row of extra
// query fields: an expand or collapse arrow on a faint dark ground with a
// darker line along its left edge.
class ButtonExpandSearchFields : public QAbstractButton
{
    Q_OBJECT
public:
    explicit ButtonExpandSearchFields(QWidget* parent = nullptr);

    // The image for the current state ("…_expand" while the fields are
    // hidden, "…_collapse" while shown).
    QString imageName() const;
    QSize sizeHint() const override { return {26, 22}; }

protected:
    void paintEvent(QPaintEvent* event) override;
};
