#pragma once

#include <QString>

#include <vector>

// A file-name pattern in which only "*" (any run of characters, also none)
// and "?" (exactly one character) are special; every other character,
// brackets and backslashes included, stands for itself. This is the one
// matcher for every user or program pattern ("*.par2", "*sample*"), so that
// a pattern never turns into a regular expression by accident.
//
// Matching is iterative: the pieces between the stars are placed left to
// right at their first possible position, which is exact for "*" and "?"
// and never backtracks, so the cost grows linearly with the text.
class WildcardPattern
{
public:
    enum Option {
        CaseSensitive = 0,
        CaseInsensitive = 1,      // LIKE[c]
        DiacriticInsensitive = 2, // with CaseInsensitive: LIKE[cd]
    };

    explicit WildcardPattern(const QString& pattern, int options = CaseInsensitive);

    bool matches(const QString& text) const;
    // The same for a text already folded with fold(text, options) of this
    // pattern's options: one long text tested against many patterns is
    // folded once.
    bool matchesFolded(const std::u32string& folded) const;
    int options() const { return options_; }
    QString pattern() const { return pattern_; }

    // Convenience for a single test.
    static bool matches(const QString& pattern, const QString& text, int options = CaseInsensitive);

    // `text` as both sides are compared: normalised, with case folded and
    // combining marks removed as the options ask.
    static std::u32string fold(const QString& text, int options);

private:
    static constexpr char32_t kAny = 0xFFFFFFFF; // "?" in a piece

    QString pattern_;
    int options_;
    bool hasStar_ = false;
    std::vector<std::u32string> pieces_;
};
