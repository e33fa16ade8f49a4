#include "core/OutputFormat.h"

#include "core/FieldCatalogue.h"
#include "core/SettingsStore.h"

#include <array>

namespace tillery {
namespace {

using CatalogueValues = std::array<std::string_view, kFieldCount>;

// The record's values rearranged into column (catalogue) order.
template <typename Text>
CatalogueValues inColumnOrder(const BasicRecord<Text>& r)
{
    return {r.date, r.instance, r.line, r.type, r.code, r.sig,
            r.guid, r.name,     r.device, r.full, r.path};
}

// Appends the selected values joined by single TABs. Nothing is quoted or escaped: a value
// holding a TAB simply adds a column, as the spreadsheet will see it.
void appendSelected(std::string& out, std::string_view mask, bool ruleBasedSelected,
                    const CatalogueValues& values)
{
    bool first = true;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (!fieldSelected(mask, ruleBasedSelected, i)) {
            continue;
        }
        if (!first) {
            out.push_back('\t');
        }
        out.append(values[i]);
        first = false;
    }
}

}  // namespace

bool fieldSelected(std::string_view mask, bool ruleBasedSelected, std::size_t column)
{
    const bool writeAll = !ruleBasedSelected || mask.empty();
    return writeAll || (column < mask.size() && mask[column] == '1');
}

std::string fFormatShowFields(const SettingsStore& store)
{
    std::string mask;
    mask.reserve(kFieldCount);
    for (const std::string_view name : kFieldNames) {
        // Only the exact word "False" hides a field; any other text, or none, shows it.
        mask.push_back(store.get(store::kShowFields, name, "True") == "False" ? '0' : '1');
    }
    return mask;
}

void appendRow(std::string& out, std::string_view strSendShowFields, bool ruleBasedSelected,
               const Record& record)
{
    appendSelected(out, strSendShowFields, ruleBasedSelected, inColumnOrder(record));
}

RowValues rowValues(std::string_view strSendShowFields, bool ruleBasedSelected, const RecordView& record)
{
    RowValues row;
    row.values = inColumnOrder(record);
    if (!ruleBasedSelected || strSendShowFields.empty()) {
        row.count = kFieldCount;  // every field
        return row;
    }
    // The selected values move up in place: a value never moves past one still to be read.
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (fieldSelected(strSendShowFields, ruleBasedSelected, i)) {
            row.values[row.count++] = row.values[i];
        }
    }
    return row;
}

std::string fFormatOutput(std::string_view strSendShowFields, bool ruleBasedSelected,
                          std::string_view strFull, std::string_view strDate,
                          std::string_view strInstance, std::string_view strInstanceLine,
                          std::string_view strMessageType, std::string_view strMessageCode,
                          std::string_view strPath, std::string_view strDevice,
                          std::string_view strGUID, std::string_view strName,
                          std::string_view strSIG)
{
    const CatalogueValues values = {strDate,   strInstance, strInstanceLine, strMessageType,
                                    strMessageCode, strSIG, strGUID,         strName,
                                    strDevice, strFull,     strPath};
    std::string row;
    appendSelected(row, strSendShowFields, ruleBasedSelected, values);
    return row;
}

Record columnRecord()
{
    Record r;
    r.full = fieldName(Field::FullText);
    r.date = fieldName(Field::DateTime);
    r.instance = fieldName(Field::Instance);
    r.line = fieldName(Field::Line);
    r.type = fieldName(Field::Type);
    r.code = fieldName(Field::Code);
    r.path = fieldName(Field::Path);
    r.device = fieldName(Field::Device);
    r.guid = fieldName(Field::Guid);
    r.name = fieldName(Field::Name);
    r.sig = fieldName(Field::Signature);
    return r;
}

}  // namespace tillery
