#include "core/RuleEngine.h"

#include "core/DefaultRules.h"
#include "core/Errors.h"
#include "core/FieldCatalogue.h"
#include "core/SettingsStore.h"
#include "core/StoreValues.h"
#include "core/TextCase.h"

#include <array>
#include <string>

namespace tillery {
namespace {

using CatalogueValues = std::array<std::string_view, kFieldCount>;

// The value a rule's field name selects; a name outside the catalogue selects empty text.
std::string_view selectedValue(const CatalogueValues& values, std::string_view fieldNameText)
{
    const auto field = fieldFromName(fieldNameText);
    return field ? values[static_cast<std::size_t>(*field)] : std::string_view{};
}

bool processRules(const SettingsStore& store, const CatalogueValues& values)
{
    const std::string countText = store.get(store::kRules, store::kCount, "0");
    const auto count = textToInt16(countText);
    if (!count) {
        throw ExtractionError("the stored rule count \"" + countText +
                              "\" is not a whole number from -32768 to 32767");
    }
    for (int i = 1; i <= *count; ++i) {
        const std::string field = store.get(store::kRules, ruleKey(i, 'f'), "");
        const std::string test = lowerLatin1(selectedValue(values, field));
        const std::string select = store.get(store::kRules, ruleKey(i, 's'), "");
        const std::string stored = store.get(store::kRules, ruleKey(i, 'v'), "");
        // Store text is UTF-8, log values are Latin-1 bytes: compare in Latin-1. A rule
        // value with a character Latin-1 cannot hold never equals any log text, so only
        // "Not blank", which ignores the value, can still match.
        const auto value = utf8ToLatin1(lowerUtf8(stored));
        const bool matched = value ? fTestRule(test, select, *value)
                                   : select == kNotBlank && fTestRule(test, select, {});
        if (matched) {
            return true;
        }
    }
    return false;
}

}  // namespace

bool fTestRule(std::string_view strTest, std::string_view strSelect, std::string_view strValue)
{
    if (strSelect == kStartsWith) {
        return strTest.size() > strValue.size() && strTest.starts_with(strValue);
    }
    if (strSelect == kContains) {
        // An empty test value contains nothing, not even the empty rule value.
        return !strTest.empty() && strTest.find(strValue) != std::string_view::npos;
    }
    if (strSelect == kNotBlank) {
        return !strTest.empty();
    }
    return false;
}

bool fProcessRules(const SettingsStore& store, const Record& event)
{
    return processRules(store, {event.date, event.instance, event.line, event.type, event.code,
                                event.sig, event.guid, event.name, event.device, event.full,
                                event.path});
}

bool fProcessRules(const SettingsStore& store, std::string_view strFull, std::string_view strDate,
                   std::string_view strInstance, std::string_view strInstanceLine,
                   std::string_view strMessageType, std::string_view strMessageCode,
                   std::string_view strPath, std::string_view strDevice, std::string_view strGUID,
                   std::string_view strName, std::string_view strSIG)
{
    return processRules(store, {strDate, strInstance, strInstanceLine, strMessageType,
                                strMessageCode, strSIG, strGUID, strName, strDevice, strFull,
                                strPath});
}

}  // namespace tillery
