#pragma once

#include <cstdint>
#include <string_view>

namespace Editor {

/// A whole number read from a typed answer, and whether the answer was a number.
struct IntegerReading
{
    /// With a valid answer the number with its sign (always within the signed 32-bit range);
    /// otherwise the digits read before reading stopped, without the sign, 0 when none.
    std::int64_t value = 0;
    bool valid = false;
    bool operator==(const IntegerReading &) const = default;
};

/// Reads the counts and sizes the markup tools ask for: leading spaces, an optional "+" or
/// "-", then decimal digits or hexadecimal digits after "$", "x", "X", "0x" or "0X". The
/// answer is valid when all of it was read, at least one digit was read and the number fits
/// a signed 32-bit integer. Reading stops at the first digit that would take the number out
/// of that range, so an answer too large is invalid.
IntegerReading ReadInteger(std::string_view answer);

} // namespace Editor
