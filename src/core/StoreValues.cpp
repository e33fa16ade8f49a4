#include "core/StoreValues.h"

#include <cmath>

namespace tillery {

std::optional<double> textToNumber(std::string_view text)
{
    std::size_t i = 0;
    const auto blank = [&](std::size_t k) { return text[k] == ' ' || text[k] == '\t'; };
    while (i < text.size() && blank(i)) {
        ++i;
    }
    std::size_t end = text.size();
    while (end > i && blank(end - 1)) {
        --end;
    }
    bool negative = false;
    if (i < end && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    double value = 0;
    bool anyDigit = false;
    while (i < end && text[i] >= '0' && text[i] <= '9') {
        value = value * 10 + (text[i] - '0');
        anyDigit = true;
        ++i;
    }
    if (i < end && text[i] == '.') {
        ++i;
        double scale = 0.1;
        while (i < end && text[i] >= '0' && text[i] <= '9') {
            value += (text[i] - '0') * scale;
            scale /= 10;
            anyDigit = true;
            ++i;
        }
    }
    if (!anyDigit || i != end) {
        return std::nullopt;
    }
    return negative ? -value : value;
}

std::optional<int> textToInt16(std::string_view text)
{
    const auto number = textToNumber(text);
    if (!number) {
        return std::nullopt;
    }
    const double rounded = std::nearbyint(*number);  // default rounding: halves to even
    if (rounded < -32768.0 || rounded > 32767.0) {
        return std::nullopt;
    }
    return static_cast<int>(rounded);
}

}  // namespace tillery
