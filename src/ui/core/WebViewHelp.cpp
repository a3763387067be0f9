#include "ui/core/WebViewHelp.h"

#include <QEvent>

WebViewHelp::WebViewHelp(QWidget* parent) : WebView(parent)
{
    keepSelectionColours();
}

void WebViewHelp::keepSelectionColours()
{
    QPalette p = palette();
    for (const QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText}) {
        const QColor active = p.color(QPalette::Active, role);
        if (p.color(QPalette::Inactive, role) != active) p.setColor(QPalette::Inactive, role, active);
    }
    if (p != palette()) setPalette(p);
}

void WebViewHelp::changeEvent(QEvent* event)
{
    WebView::changeEvent(event);
    // A new style or palette brings its own inactive colours.
    if (event->type() == QEvent::PaletteChange || event->type() == QEvent::StyleChange)
        keepSelectionColours();
}
