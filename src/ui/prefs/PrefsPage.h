#pragma once

#include <QSize>
#include <QWidget>

// A page of the settings window. It asks for one common size, so that the
// window keeps its size between most pages, yet its minimum is only what its
// content needs, so the window's resize to the asked size is never clamped.
class PrefsPage : public QWidget
{
    Q_OBJECT
public:
    explicit PrefsPage(QWidget* parent = nullptr);

    static constexpr QSize kPreferredSize{760, 500};
    QSize sizeHint() const override;

protected:
    // The widget that fills the page.
    void setContent(QWidget* content);
};
