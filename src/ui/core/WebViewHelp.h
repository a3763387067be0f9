#pragma once

#include "ui/core/WebView.h"

// The help window's page view. A text found from the find bar stays marked
// while the focus is back in the find field: the selection keeps its active
// colours in an inactive window or an unfocused view.
class WebViewHelp : public WebView
{
    Q_OBJECT
public:
    explicit WebViewHelp(QWidget* parent = nullptr);

    bool maintainsInactiveSelection() const { return true; }

protected:
    void changeEvent(QEvent* event) override;

private:
    void keepSelectionColours();
};
