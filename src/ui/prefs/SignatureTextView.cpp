#include "ui/prefs/SignatureTextView.h"

#include <QApplication>
#include <QFont>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QPalette>

SignatureTextView::SignatureTextView(QWidget* parent) : QPlainTextEdit(parent)
{
    setObjectName(QStringLiteral("userSignature"));
    QFont f = font();
    f.setPointSize(13);
    setFont(f);
    setTabChangesFocus(true);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
}

bool SignatureTextView::shouldChangeText(qsizetype currentLength, qsizetype replacedLength,
                                         qsizetype replacementLength)
{
    if (replacementLength == 0) return true;
    const qsizetype left = kMaxLength - (currentLength - replacedLength);
    return left > 0 && replacementLength <= left;
}

qsizetype SignatureTextView::length() const
{
    return toPlainText().size();
}

bool SignatureTextView::mayInsert(const QString& text) const
{
    const QTextCursor cursor = textCursor();
    return shouldChangeText(length(), cursor.selectionEnd() - cursor.selectionStart(), text.size());
}

void SignatureTextView::enableTextView(bool enabled)
{
    setReadOnly(!enabled);
    setTextInteractionFlags(enabled ? Qt::TextEditorInteraction : Qt::NoTextInteraction);
    setFocusPolicy(enabled ? Qt::StrongFocus : Qt::NoFocus);
    const QPalette standard = QApplication::palette(this);
    QPalette p = palette();
    p.setColor(QPalette::Text, standard.color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
    // A switched-off signature also looks switched off, not merely empty.
    p.setColor(QPalette::Base, enabled ? standard.color(QPalette::Active, QPalette::Base) : QColor(0xf2, 0xf2, 0xf2));
    setPalette(p);
}

void SignatureTextView::keyPressEvent(QKeyEvent* e)
{
    // Only keys that insert text are weighed; moves, deletions and
    // shortcuts (a paste arrives through insertFromMimeData) pass.
    QString inserted = e->text();
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) inserted = QStringLiteral("\n");
    const bool insertsText = !inserted.isEmpty() && (inserted.at(0).isPrint() || inserted == QLatin1String("\n")) &&
                             !(e->modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier));
    if (insertsText && !isReadOnly() && !mayInsert(inserted)) {
        e->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(e);
}

void SignatureTextView::insertFromMimeData(const QMimeData* source)
{
    if (source && source->hasText() && !mayInsert(source->text())) return;
    QPlainTextEdit::insertFromMimeData(source);
}

void SignatureTextView::inputMethodEvent(QInputMethodEvent* e)
{
    if (!e->commitString().isEmpty() && !mayInsert(e->commitString())) {
        e->accept();
        return;
    }
    QPlainTextEdit::inputMethodEvent(e);
}
