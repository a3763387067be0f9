#include "core/WildcardPattern.h"

namespace {

bool pieceMatchesAt(const std::u32string& piece, const std::u32string& text, size_t at, char32_t any)
{
    for (size_t i = 0; i < piece.size(); ++i) {
        if (piece[i] != any && piece[i] != text[at + i]) return false;
    }
    return true;
}

bool isMark(char32_t c)
{
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
        return true;
    default:
        return false;
    }
}

} // namespace

std::u32string WildcardPattern::fold(const QString& text, int options)
{
    // Plain ASCII (tool output, most file names) is its own normal form and
    // folds by lowering letters: no normalisation pass needed.
    const QChar* data = text.constData();
    const qsizetype size = text.size();
    bool ascii = true;
    for (qsizetype i = 0; i < size && ascii; ++i)
        ascii = data[i].unicode() < 0x80;
    if (ascii) {
        std::u32string out(size_t(size), U'\0');
        const bool lower = options & CaseInsensitive;
        for (qsizetype i = 0; i < size; ++i) {
            char32_t c = data[i].unicode();
            if (lower && c >= U'A' && c <= U'Z') c += U'a' - U'A';
            out[size_t(i)] = c;
        }
        return out;
    }
    const bool diacritics = options & DiacriticInsensitive;
    QString s = text.normalized(diacritics ? QString::NormalizationForm_D : QString::NormalizationForm_C);
    if (options & CaseInsensitive) s = s.toCaseFolded();
    std::u32string out;
    out.reserve(size_t(s.size()));
    for (const char32_t c : s.toStdU32String()) {
        if (diacritics && isMark(c)) continue;
        out.push_back(c);
    }
    return out;
}

WildcardPattern::WildcardPattern(const QString& pattern, int options) : pattern_(pattern), options_(options)
{
    const std::u32string folded = fold(pattern, options);
    std::u32string piece;
    for (const char32_t c : folded) {
        if (c == U'*') {
            hasStar_ = true;
            pieces_.push_back(piece);
            piece.clear();
        } else {
            piece.push_back(c == U'?' ? kAny : c);
        }
    }
    pieces_.push_back(piece);
}

bool WildcardPattern::matches(const QString& text) const
{
    return matchesFolded(fold(text, options_));
}

bool WildcardPattern::matchesFolded(const std::u32string& s) const
{
    if (!hasStar_) return s.size() == pieces_.front().size() && pieceMatchesAt(pieces_.front(), s, 0, kAny);

    // The first piece is anchored at the start, the last at the end; the
    // ones between go to their leftmost place in what remains. Taking the
    // leftmost place never loses a match, because every piece has a fixed
    // length and the star after it can absorb whatever follows.
    const std::u32string& first = pieces_.front();
    const std::u32string& last = pieces_.back();
    if (s.size() < first.size() + last.size()) return false;
    if (!pieceMatchesAt(first, s, 0, kAny)) return false;
    const size_t end = s.size() - last.size();
    if (!pieceMatchesAt(last, s, end, kAny)) return false;

    size_t pos = first.size();
    for (size_t p = 1; p + 1 < pieces_.size(); ++p) {
        const std::u32string& piece = pieces_[p];
        if (piece.empty()) continue;
        bool found = false;
        while (pos + piece.size() <= end) {
            if (pieceMatchesAt(piece, s, pos, kAny)) {
                found = true;
                break;
            }
            ++pos;
        }
        if (!found) return false;
        pos += piece.size();
    }
    return true;
}

bool WildcardPattern::matches(const QString& pattern, const QString& text, int options)
{
    return WildcardPattern(pattern, options).matches(text);
}
