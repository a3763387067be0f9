#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariant>

#include <concepts>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <type_traits>

// One argument of a printf-style format. Arguments are values, never formats:
// a "%s" inside an argument's text is printed as it stands.
class FormatArg
{
public:
    enum class Kind { Signed, Unsigned, Double, Text, Pointer };

    template <std::integral T>
        requires(!std::same_as<T, bool> && !std::same_as<T, char>)
    FormatArg(T v) // NOLINT(google-explicit-constructor)
    {
        if constexpr (std::is_signed_v<T>) {
            kind_ = Kind::Signed;
            i_ = static_cast<std::int64_t>(v);
        } else {
            kind_ = Kind::Unsigned;
            u_ = static_cast<std::uint64_t>(v);
        }
    }
    template <typename E>
        requires std::is_enum_v<E>
    FormatArg(E v) : FormatArg(static_cast<std::underlying_type_t<E>>(v))
    {
    }
    FormatArg(bool v) : kind_(Kind::Signed), i_(v ? 1 : 0) {}
    FormatArg(char c) : kind_(Kind::Signed), i_(static_cast<unsigned char>(c)) {}
    FormatArg(double v) : kind_(Kind::Double), d_(v) {}
    FormatArg(float v) : kind_(Kind::Double), d_(v) {}
    FormatArg(const QString& s) : kind_(Kind::Text), s_(s) {}
    FormatArg(QStringView s) : kind_(Kind::Text), s_(s.toString()) {}
    FormatArg(QLatin1String s) : kind_(Kind::Text), s_(s) {}
    FormatArg(const char* s) : kind_(Kind::Text), s_(s ? QString::fromUtf8(s) : QString()) {}
    FormatArg(const QByteArray& b) : kind_(Kind::Text), s_(QString::fromUtf8(b)) {}
    FormatArg(const std::string& s) : kind_(Kind::Text), s_(QString::fromStdString(s)) {}
    FormatArg(std::string_view s) : kind_(Kind::Text), s_(QString::fromUtf8(s.data(), qsizetype(s.size()))) {}
    FormatArg(const QUrl& u) : kind_(Kind::Text), s_(u.toString()) {}
    FormatArg(const QStringList& l) : kind_(Kind::Text), s_(l.join(QLatin1String(", "))) {}
    FormatArg(const QVariant& v) : kind_(Kind::Text), s_(v.toString()) {}
    FormatArg(const void* p) : kind_(Kind::Pointer), u_(reinterpret_cast<std::uintptr_t>(p)) {}

    Kind kind() const { return kind_; }
    std::int64_t asSigned() const;
    std::uint64_t asUnsigned() const;
    double asDouble() const;
    QString asText() const;

private:
    Kind kind_;
    std::int64_t i_ = 0;
    std::uint64_t u_ = 0;
    double d_ = 0.0;
    QString s_;
};

// printf conventions with "%@" for objects (their text). Numbers are printed
// in the C locale whatever the user's locale is. A conversion without an
// argument prints nothing.
QString stringWithFormat(QStringView format, std::span<const FormatArg> args);

template <typename... Args>
QString sformat(QStringView format, const Args&... args)
{
    if constexpr (sizeof...(Args) == 0) {
        return stringWithFormat(format, {});
    } else {
        const FormatArg list[] = {FormatArg(args)...};
        return stringWithFormat(format, list);
    }
}
