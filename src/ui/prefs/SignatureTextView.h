#pragma once

#include <QPlainTextEdit>

// The poster's signature: plain text of at most kMaxLength UTF-16 units.
// Typing, pasting, dropping and input-method text that would pass the limit
// is refused whole; text that replaces a selection counts against the room
// the selection frees, so a full signature's selection can be overwritten.
class SignatureTextView : public QPlainTextEdit
{
    Q_OBJECT
public:
    static constexpr qsizetype kMaxLength = 600;

    explicit SignatureTextView(QWidget* parent = nullptr);

    // Whether a text of `currentLength` may have `replacedLength` of it
    // replaced by `replacementLength` new units. A deletion always may.
    static bool shouldChangeText(qsizetype currentLength, qsizetype replacedLength, qsizetype replacementLength);

    qsizetype length() const;
    // Editable and selectable in the normal text colour, or neither, greyed.
    void enableTextView(bool enabled);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void insertFromMimeData(const QMimeData* source) override;
    void inputMethodEvent(QInputMethodEvent* e) override;

private:
    bool mayInsert(const QString& text) const;
};
