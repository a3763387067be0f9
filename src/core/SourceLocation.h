#pragma once

// Where a log line was written. The standard library's
// std::source_location where the compiler provides it; clang 14 with GCC's
// standard library (the fuzzing build) lacks it, and gets the same few
// members from the compiler's built-ins instead.
#if __has_include(<source_location>)
#include <source_location>
#endif

#if defined(__cpp_lib_source_location)
using SourceLocation = std::source_location;
#else
#include <cstdint>

struct SourceLocation
{
    static constexpr SourceLocation current(const char* file = __builtin_FILE(),
                                            const char* function = __builtin_FUNCTION(),
                                            std::uint_least32_t line = __builtin_LINE()) noexcept
    {
        SourceLocation where;
        where.file_ = file;
        where.function_ = function;
        where.line_ = line;
        return where;
    }
    constexpr const char* file_name() const noexcept { return file_; }
    constexpr const char* function_name() const noexcept { return function_; }
    constexpr std::uint_least32_t line() const noexcept { return line_; }
    constexpr std::uint_least32_t column() const noexcept { return 0; }

private:
    const char* file_ = "";
    const char* function_ = "";
    std::uint_least32_t line_ = 0;
};
#endif
