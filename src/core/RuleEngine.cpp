#include "core/RuleEngine.h"

#include "core/DefaultRules.h"
#include "core/Errors.h"
#include "core/OutputFormat.h"
#include "core/SettingsStore.h"
#include "core/StoreValues.h"
#include "core/TextCase.h"

#include <algorithm>
#include <bit>

namespace tillery {
namespace {

using CatalogueValues = std::array<std::string_view, kFieldCount>;
using Select = PreparedRule::Select;

Select selectOf(std::string_view select)
{
    if (select == kStartsWith) {
        return Select::StartsWith;
    }
    if (select == kContains) {
        return Select::Contains;
    }
    return select == kNotBlank ? Select::NotBlank : Select::Unknown;
}

// The test of fTestRule, with the select type known.
bool testValue(Select select, std::string_view test, std::string_view value)
{
    switch (select) {
    case Select::StartsWith:
        return test.size() > value.size() && test.starts_with(value);
    case Select::Contains:
        // An empty test value contains nothing, not even the empty rule value.
        return !test.empty() && test.find(value) != std::string_view::npos;
    case Select::NotBlank:
        return !test.empty();
    case Select::Unknown:
        break;
    }
    return false;
}

// Whether the rule matches a field value already lowered. A value Latin-1 cannot hold
// equals no Latin-1 text, so only "Not blank", which ignores the value, can then match.
bool ruleMatches(const PreparedRule& rule, std::string_view lowered)
{
    if (!rule.value) {
        return rule.select == Select::NotBlank && !lowered.empty();
    }
    return testValue(rule.select, lowered, *rule.value);
}

std::string countFailure(const std::string& countText)
{
    return "the stored rule count \"" + countText + "\" is not a whole number from -32768 to 32767";
}

PreparedRule readRule(const SettingsStore& store, int index)
{
    return PreparedRule(store.get(store::kRules, ruleKey(index, 'f'), ""),
                        store.get(store::kRules, ruleKey(index, 's'), ""),
                        store.get(store::kRules, ruleKey(index, 'v'), ""));
}

bool processRules(const SettingsStore& store, const CatalogueValues& values)
{
    const std::string countText = store.get(store::kRules, store::kCount, "0");
    const auto count = textToInt16(countText);
    if (!count) {
        throw ExtractionError(countFailure(countText));
    }
    for (int i = 1; i <= *count; ++i) {
        const PreparedRule rule = readRule(store, i);
        const std::string_view value =
            rule.field ? values[static_cast<std::size_t>(*rule.field)] : std::string_view{};
        if (ruleMatches(rule, lowerLatin1(value))) {
            return true;
        }
    }
    return false;
}

}  // namespace

PreparedRule::PreparedRule(std::string_view fieldText, std::string_view selectText,
                           std::string_view valueText)
    : field(fieldFromName(fieldText)),
      select(selectOf(selectText)),
      // Store text is UTF-8, log values are Latin-1 bytes: the test compares in Latin-1.
      value(utf8ToLatin1(lowerUtf8(valueText)))
{
}

bool fTestRule(std::string_view strTest, std::string_view strSelect, std::string_view strValue)
{
    return testValue(selectOf(strSelect), strTest, strValue);
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

void RuleTests::add(const PreparedRule& rule)
{
    if (!rule.field || rule.select == Select::Unknown) {
        return;  // empty text, or a test no value passes
    }
    if (rule.select != Select::NotBlank && !rule.value) {
        return;  // a value Latin-1 cannot hold: no log value equals it
    }
    const Field field = *rule.field;
    if (rule.select == Select::NotBlank || rule.value->empty()) {
        // Any longer value starts with the empty text, any non-empty value contains it.
        notBlank |= fieldBit(field);
    } else if (rule.select == Select::StartsWith) {
        prefixes.push_back({field, *rule.value});
    } else {
        Contained& test = contained.emplace_back(Contained{{field, *rule.value}, {}});
        const std::size_t length = test.text.size();
        test.shift.fill(static_cast<std::uint8_t>(std::min<std::size_t>(length, 255)));
        for (std::size_t i = 0; i + 1 < length; ++i) {
            test.shift[static_cast<unsigned char>(test.text[i])] =
                static_cast<std::uint8_t>(std::min<std::size_t>(length - 1 - i, 255));
        }
    }
    fields |= fieldBit(field);
}

const std::shared_ptr<const RuleSet>& StoredRules::current()
{
    const std::uint64_t generation = m_store.generation();
    if (m_rules && m_generation == generation) {
        return m_rules;
    }
    m_generation = generation;
    auto rules = std::make_shared<RuleSet>();
    rules->countText = m_store.get(store::kRules, store::kCount, "0");
    rules->countNumber = textToNumber(rules->countText);
    rules->count = textToInt16(rules->countText);
    for (int i = 1; rules->count && i <= *rules->count; ++i) {
        rules->tests.add(readRule(m_store, i));
    }
    m_rules = std::move(rules);
    return m_rules;
}

void RuleSet::requireCount() const
{
    if (!count) {
        throw ExtractionError(countFailure(countText));
    }
}

namespace {

// Whether `value` lowered begins with `lowered`, which is no longer than it. Compared byte
// by byte as lowered: most values differ from most rule texts at the first byte.
bool startsLowered(std::string_view value, std::string_view lowered)
{
    for (std::size_t i = 0; i < lowered.size(); ++i) {
        if (lowerLatin1Byte(value[i]) != lowered[i]) {
            return false;
        }
    }
    return true;
}

}  // namespace

bool RuleMatcher::matches(const RuleSet& rules, const RecordView& event) const
{
    rules.requireCount();
    const RuleTests& tests = rules.tests;
    for (FieldSet fields = tests.notBlank; fields != 0; fields &= fields - 1) {
        if (!fieldValue(event, static_cast<Field>(std::countr_zero(fields))).empty()) {
            return true;
        }
    }
    for (const RuleTests::Text& test : tests.prefixes) {
        const std::string_view value = fieldValue(event, test.field);
        if (value.size() > test.text.size() && startsLowered(value, test.text)) {
            return true;
        }
    }
    for (const RuleTests::Contained& test : tests.contained) {
        const std::string_view value = fieldValue(event, test.field);
        const std::size_t length = test.text.size();
        for (std::size_t at = 0; at + length <= value.size();) {
            const char last = lowerLatin1Byte(value[at + length - 1]);
            if (last == test.text.back() && startsLowered(value.substr(at), test.text)) {
                return true;
            }
            at += test.shift[static_cast<unsigned char>(last)];
        }
    }
    return false;
}

}  // namespace tillery
