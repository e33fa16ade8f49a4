#pragma once

#include <array>
#include <optional>
#include <string_view>

namespace tillery {

// The eleven field names in canonical order. They are used verbatim as dialog entries,
// "ShowFields" keys, rule fields and output column names.
inline constexpr std::size_t kFieldCount = 11;
inline constexpr std::array<std::string_view, kFieldCount> kFieldNames = {
    "Date Time", "Instance", "Line", "Type",   "Code", "Signature",
    "GUID",      "Name",     "Device", "Full Text", "Path"};

enum class Field : int {
    DateTime = 0,
    Instance,
    Line,
    Type,
    Code,
    Signature,
    Guid,
    Name,
    Device,
    FullText,
    Path,
};

// A set of fields: bit i for the field of catalogue position i.
using FieldSet = unsigned;
inline constexpr FieldSet kAllFields = (FieldSet{1} << kFieldCount) - 1;
constexpr FieldSet fieldBit(Field field)
{
    return FieldSet{1} << static_cast<int>(field);
}

// The select types of a rule, in the order the rules dialog offers them.
inline constexpr std::array<std::string_view, 3> kSelectTypes = {"Starts with", "Contains",
                                                                 "Not blank"};
inline constexpr std::string_view kStartsWith = kSelectTypes[0];
inline constexpr std::string_view kContains = kSelectTypes[1];
inline constexpr std::string_view kNotBlank = kSelectTypes[2];

std::string_view fieldName(Field field);

// Exact, case-sensitive lookup of a stored field name.
std::optional<Field> fieldFromName(std::string_view name);

}  // namespace tillery
