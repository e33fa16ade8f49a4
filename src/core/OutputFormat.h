#pragma once

#include "core/FieldCatalogue.h"
#include "core/Record.h"

#include <array>
#include <string>
#include <string_view>

namespace tillery {

class SettingsStore;

// Mask of all eleven fields.
inline constexpr std::string_view kAllFieldsMask = "11111111111";

// The field mask: one character per catalogue field, "0" where "ShowFields" holds
// exactly "False", "1" otherwise (absent keys included).
std::string fFormatShowFields(const SettingsStore& store);

// Appends one row (without its line end) to `out`: the record's values in catalogue order,
// the fields selected by the mask joined by single TABs. The mask applies only when
// `ruleBasedSelected`; otherwise, and when the mask is empty, all eleven fields are written.
// A mask character other than "1", or a position past its end, leaves the field out.
void appendRow(std::string& out, std::string_view strSendShowFields, bool ruleBasedSelected,
               const Record& record);

// A record's members in column (catalogue) order: `record.*kColumnMembers<Text>[i]` is the
// value of column i.
template <typename Text>
inline constexpr std::array<Text BasicRecord<Text>::*, kFieldCount> kColumnMembers = {
    &BasicRecord<Text>::date, &BasicRecord<Text>::instance, &BasicRecord<Text>::line,
    &BasicRecord<Text>::type, &BasicRecord<Text>::code,     &BasicRecord<Text>::sig,
    &BasicRecord<Text>::guid, &BasicRecord<Text>::name,     &BasicRecord<Text>::device,
    &BasicRecord<Text>::full, &BasicRecord<Text>::path};

// The values one row holds, in column order, by the rule of appendRow: the row is them
// joined by single TABs. Views into the record.
struct RowValues {
    std::array<std::string_view, kFieldCount> values;
    std::size_t count = 0;
};
RowValues rowValues(std::string_view strSendShowFields, bool ruleBasedSelected, const RecordView& record);

// Whether the row holds the field in catalogue column `column`, by the rule of appendRow.
bool fieldSelected(std::string_view mask, bool ruleBasedSelected, std::size_t column);

// The record's value of one field.
template <typename Text>
std::string_view fieldValue(const BasicRecord<Text>& record, Field field)
{
    return record.*kColumnMembers<Text>[static_cast<std::size_t>(field)];
}

// One row as text; parameters in record parameter order.
std::string fFormatOutput(std::string_view strSendShowFields, bool ruleBasedSelected,
                          std::string_view strFull, std::string_view strDate,
                          std::string_view strInstance, std::string_view strInstanceLine,
                          std::string_view strMessageType, std::string_view strMessageCode,
                          std::string_view strPath, std::string_view strDevice,
                          std::string_view strGUID, std::string_view strName,
                          std::string_view strSIG);

// The record whose every value is its own field name: formatted, it is the column line.
Record columnRecord();

}  // namespace tillery
