#include "editor/readinteger.h"

#include <cstddef>
#include <limits>

namespace Editor {

namespace {

int digitValue(char character, int base)
{
    int value = base;
    if (character >= '0' && character <= '9')
        value = character - '0';
    else if (character >= 'a' && character <= 'f')
        value = character - 'a' + 10;
    else if (character >= 'A' && character <= 'F')
        value = character - 'A' + 10;
    return value < base ? value : -1;
}

} // namespace

IntegerReading ReadInteger(std::string_view answer)
{
    std::size_t position = 0;
    while (position < answer.size() && answer[position] == ' ')
        ++position;

    bool negative = false;
    if (position < answer.size() && (answer[position] == '+' || answer[position] == '-')) {
        negative = answer[position] == '-';
        ++position;
    }

    int base = 10;
    const std::string_view rest = answer.substr(position);
    if (rest.starts_with('$') || rest.starts_with('x') || rest.starts_with('X')) {
        base = 16;
        position += 1;
    } else if (rest.starts_with("0x") || rest.starts_with("0X")) {
        base = 16;
        position += 2;
    }

    // A minus sign lets the magnitude reach one more than a plus sign does.
    const std::int64_t limit = std::int64_t(std::numeric_limits<std::int32_t>::max()) + negative;
    std::int64_t magnitude = 0;
    bool anyDigit = false;
    while (position < answer.size()) {
        const int digit = digitValue(answer[position], base);
        if (digit < 0 || magnitude * base + digit > limit)
            break;
        magnitude = magnitude * base + digit;
        anyDigit = true;
        ++position;
    }

    if (anyDigit && position == answer.size())
        return { negative ? -magnitude : magnitude, true };
    return { magnitude, false };
}

} // namespace Editor
