#include "core/DefaultRules.h"

#include "core/SettingsStore.h"
#include "core/TextCase.h"

#include <string>

namespace tillery {

const std::array<DefaultRule, 16> kDefaultRules = {{
    {"Device", "Starts with", "USBSTOR\\"},
    {"Device", "Starts with", "1394\\"},
    {"Device", "Starts with", "IDE\\"},
    {"Device", "Starts with", "FDC\\"},
    {"Device", "Starts with", "SBP2\\"},
    {"Device", "Starts with", "STORAGE\\"},
    {"Device", "Starts with", "PCIIDE\\"},
    {"Signature", "Not blank", ""},
    {"Name", "Contains", "disk"},
    {"Name", "Contains", "tapedrive"},
    {"Name", "Contains", "chipdrive"},
    {"Name", "Starts with", "CDROM"},
    {"Name", "Starts with", "CD-ROM"},
    {"Name", "Starts with", "Floppy"},
    {"Name", "Starts with", "Generic Volume"},
    {"Name", "Contains", "Mass Storage"},
}};

const std::array<bool, kFieldCount> kDefaultShowFields = {
    true,   // Date Time
    false,  // Instance
    false,  // Line
    false,  // Type
    false,  // Code
    false,  // Signature
    false,  // GUID
    true,   // Name
    true,   // Device
    false,  // Full Text
    false,  // Path
};

std::string ruleKey(int index, char member)
{
    std::string key = std::to_string(index);
    key.push_back(member);
    return key;
}

void WriteRuleToReg(SettingsStore& store, int iiCount, std::string_view strField,
                    std::string_view strSelect, std::string_view strValue)
{
    store.save(store::kRules, ruleKey(iiCount, 'f'), strField);
    store.save(store::kRules, ruleKey(iiCount, 's'), strSelect);
    store.save(store::kRules, ruleKey(iiCount, 'v'), lowerUtf8(strValue));
}

void ResetRegistry(SettingsStore& store)
{
    store.deleteSection(store::kRules);       // absent section: nothing to remove
    store.deleteSection(store::kShowFields);  // likewise

    for (std::size_t i = 0; i < kFieldCount; ++i) {
        store.save(store::kShowFields, kFieldNames[i], kDefaultShowFields[i] ? "True" : "False");
    }
    store.save(store::kRules, store::kTidyDevice, "1");
    int index = 1;
    for (std::size_t i = 0; i < kDefaultRules.size(); ++i) {
        const DefaultRule& rule = kDefaultRules[i];
        WriteRuleToReg(store, index, rule.field, rule.select, rule.value);
        if (i + 1 < kDefaultRules.size()) {
            ++index;
        }
    }
    store.save(store::kRules, store::kCount, std::to_string(index));
}

}  // namespace tillery
