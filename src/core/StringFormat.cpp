#include "core/StringFormat.h"

#include <clocale>
#include <cmath>
#include <cstdio>
#include <limits>
#include <locale.h>

std::int64_t FormatArg::asSigned() const
{
    switch (kind_) {
    case Kind::Signed:
        return i_;
    case Kind::Unsigned:
    case Kind::Pointer:
        return static_cast<std::int64_t>(u_);
    case Kind::Double:
        if (!std::isfinite(d_))
            return 0;
        if (d_ >= 9.2233720368547758e18)
            return std::numeric_limits<std::int64_t>::max();
        if (d_ <= -9.2233720368547758e18)
            return std::numeric_limits<std::int64_t>::min();
        return static_cast<std::int64_t>(d_);
    case Kind::Text:
        return s_.trimmed().toLongLong();
    }
    return 0;
}

std::uint64_t FormatArg::asUnsigned() const
{
    if (kind_ == Kind::Unsigned || kind_ == Kind::Pointer)
        return u_;
    return static_cast<std::uint64_t>(asSigned());
}

double FormatArg::asDouble() const
{
    switch (kind_) {
    case Kind::Signed:
        return double(i_);
    case Kind::Unsigned:
    case Kind::Pointer:
        return double(u_);
    case Kind::Double:
        return d_;
    case Kind::Text:
        return s_.trimmed().toDouble();
    }
    return 0.0;
}

QString FormatArg::asText() const
{
    switch (kind_) {
    case Kind::Signed:
        return QString::number(i_);
    case Kind::Unsigned:
        return QString::number(u_);
    case Kind::Double:
        return QString::number(d_, 'g', 15);
    case Kind::Pointer:
        return QStringLiteral("0x") + QString::number(u_, 16);
    case Kind::Text:
        return s_;
    }
    return {};
}

namespace {

locale_t cLocale()
{
    static locale_t loc = newlocale(LC_ALL_MASK, "C", locale_t(nullptr));
    return loc;
}

// snprintf in the C locale, into a growing buffer.
template <typename T>
QString cFormat(const std::string& directive, T value)
{
    locale_t previous = uselocale(cLocale());
    char small[128];
    int n = std::snprintf(small, sizeof small, directive.c_str(), value);
    QString out;
    if (n >= 0 && n < int(sizeof small)) {
        out = QString::fromLatin1(small, n);
    } else if (n > 0) {
        std::string big(size_t(n) + 1, '\0');
        std::snprintf(big.data(), big.size(), directive.c_str(), value);
        out = QString::fromLatin1(big.data(), n);
    }
    uselocale(previous);
    return out;
}

QString padText(QString text, bool leftAlign, int width, int precision)
{
    if (precision >= 0 && text.size() > precision)
        text.truncate(precision);
    if (width > text.size()) {
        const QString fill(width - text.size(), QLatin1Char(' '));
        text = leftAlign ? text + fill : fill + text;
    }
    return text;
}

} // namespace

QString stringWithFormat(QStringView format, std::span<const FormatArg> args)
{
    QString out;
    out.reserve(format.size() + 16 * qsizetype(args.size()));
    size_t next = 0;
    auto take = [&]() -> const FormatArg* { return next < args.size() ? &args[next++] : nullptr; };

    const qsizetype n = format.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = format[i];
        if (c != QLatin1Char('%')) {
            out += c;
            ++i;
            continue;
        }
        const qsizetype start = i++;
        if (i < n && format[i] == QLatin1Char('%')) {
            out += QLatin1Char('%');
            ++i;
            continue;
        }
        std::string flags;
        while (i < n && QStringView(u"-+ #0'").contains(format[i])) {
            if (format[i] != QLatin1Char('\''))
                flags += char(format[i].unicode());
            ++i;
        }
        int width = -1;
        if (i < n && format[i] == QLatin1Char('*')) {
            const FormatArg* a = take();
            width = a ? int(a->asSigned()) : 0;
            if (width < 0) {
                flags += '-';
                width = -width;
            }
            ++i;
        } else {
            while (i < n && format[i].isDigit()) {
                width = (width < 0 ? 0 : width) * 10 + format[i].digitValue();
                width = std::min(width, 4096);
                ++i;
            }
        }
        int precision = -1;
        if (i < n && format[i] == QLatin1Char('.')) {
            ++i;
            precision = 0;
            if (i < n && format[i] == QLatin1Char('*')) {
                const FormatArg* a = take();
                precision = a ? std::max(0, int(a->asSigned())) : 0;
                ++i;
            } else {
                while (i < n && format[i].isDigit()) {
                    precision = std::min(precision * 10 + format[i].digitValue(), 4096);
                    ++i;
                }
            }
        }
        while (i < n && QStringView(u"hlqLztj").contains(format[i]))
            ++i;
        if (i >= n) {
            out += format.mid(start);
            break;
        }
        const char conv = char(format[i].unicode());
        ++i;

        std::string directive = "%" + flags;
        if (width >= 0)
            directive += std::to_string(width);
        if (precision >= 0)
            directive += "." + std::to_string(precision);
        const bool leftAlign = flags.find('-') != std::string::npos;

        switch (conv) {
        case '@':
        case 's':
        case 'S': {
            const FormatArg* a = take();
            out += padText(a ? a->asText() : QString(), leftAlign, width, precision);
            break;
        }
        case 'd':
        case 'i': {
            const FormatArg* a = take();
            if (a)
                out += cFormat(directive + "lld", static_cast<long long>(a->asSigned()));
            break;
        }
        case 'u':
        case 'x':
        case 'X':
        case 'o': {
            const FormatArg* a = take();
            if (a)
                out += cFormat(directive + "ll" + conv, static_cast<unsigned long long>(a->asUnsigned()));
            break;
        }
        case 'c':
        case 'C': {
            const FormatArg* a = take();
            if (a) {
                const char32_t cp = char32_t(a->asUnsigned());
                out += padText(QString::fromUcs4(&cp, 1), leftAlign, width, -1);
            }
            break;
        }
        case 'f':
        case 'F':
        case 'e':
        case 'E':
        case 'g':
        case 'G':
        case 'a':
        case 'A': {
            const FormatArg* a = take();
            if (a)
                out += cFormat(directive + conv, a->asDouble());
            break;
        }
        case 'p': {
            const FormatArg* a = take();
            if (a)
                out += padText(QStringLiteral("0x") + QString::number(a->asUnsigned(), 16), leftAlign, width, -1);
            break;
        }
        default:
            // Not a conversion we know: keep the text as it stands.
            out += format.mid(start, i - start);
            break;
        }
    }
    return out;
}
