#pragma once

#include "core/FieldCatalogue.h"
#include "core/Record.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tillery {

class SettingsStore;

// Whether `strTest` meets select type `strSelect` with rule value `strValue`. Exact and
// case-sensitive; "Starts with" needs a strictly longer test value; unknown select types
// never match.
bool fTestRule(std::string_view strTest, std::string_view strSelect, std::string_view strValue);

// Whether any stored rule (1 to "Count") matches the event. Rules are read from the store
// at every call and reading stops at the first match. Field values (log bytes, Latin-1)
// and rule values (store text) are lowered alike before the test; a rule value holding a
// character outside Latin-1 can never match a value. Throws ExtractionError when "Count"
// is not a number within the 16-bit signed range.
bool fProcessRules(const SettingsStore& store, const Record& event);

bool fProcessRules(const SettingsStore& store, std::string_view strFull, std::string_view strDate,
                   std::string_view strInstance, std::string_view strInstanceLine,
                   std::string_view strMessageType, std::string_view strMessageCode,
                   std::string_view strPath, std::string_view strDevice, std::string_view strGUID,
                   std::string_view strName, std::string_view strSIG);

// One stored rule made ready to test: its field name looked up, its select type known,
// its value lowered and turned into Latin-1 bytes (none when it holds a character
// Latin-1 cannot: then only "Not blank", which ignores the value, can match).
struct PreparedRule {
    enum class Select { StartsWith, Contains, NotBlank, Unknown };

    PreparedRule(std::string_view field, std::string_view select, std::string_view value);

    std::optional<Field> field;  // none: a name outside the catalogue selects empty text
    Select select;
    std::optional<std::string> value;
};

// The tests a rule set makes of an event. Only whether some rule matches counts, so the
// rules are grouped by what they test, the cheapest tests first, and a rule that can match
// no value (an unknown field name or select type, a value Latin-1 cannot hold) is left
// out. An empty value meets none of them.
struct RuleTests {
    struct Text {
        Field field;
        std::string text;  // lowered Latin-1, never empty
    };
    // A text looked for by a Horspool search: after a piece of the value that is not the
    // text, the search moves on by the shift of the piece's last byte (lowered), past the
    // places where the text cannot begin.
    struct Contained : Text {
        // The distance from the byte's last place in the text, its last byte aside, to the
        // text's end; the text's length for a byte not there. At most 255: moving on less
        // far is never wrong.
        std::array<std::uint8_t, 256> shift;
    };
    FieldSet notBlank = 0;             // fields whose every non-empty value matches
    std::vector<Text> prefixes;        // "Starts with": a longer value beginning with the text
    std::vector<Contained> contained;  // "Contains": a value holding the text
    FieldSet fields = 0;               // the fields tested

    void add(const PreparedRule& rule);
};

// The stored rules as read at one generation of the store, made ready to test. Never
// changed once read: a run may test events against it on another thread while the store
// moves on.
struct RuleSet {
    std::string countText;             // the stored "Count" text
    std::optional<double> countNumber;  // its value as a number (none when it is no number)
    std::optional<int> count;           // none: the count is no 16-bit number
    RuleTests tests;  // its `fields` are those whose values the rules test

    // Throws ExtractionError when the count is no 16-bit number: no rule can be read.
    void requireCount() const;
};

// Tests events against a rule set as fProcessRules tests them against the store: values
// are lowered byte by byte as they are compared.
class RuleMatcher {
public:
    // Whether any rule matches. Throws ExtractionError when the count is no 16-bit number.
    bool matches(const RuleSet& rules, const RecordView& event) const;
};

// The stored rules as a run tests them, read from the store once and kept while the
// store's generation stands still: to anyone watching, the same as reading them afresh
// for every event (fProcessRules), since a write between two events moves the
// generation and the next event sees the rules anew.
class StoredRules {
public:
    explicit StoredRules(const SettingsStore& store) : m_store(store) {}

    // The rules as they are stored now: the same object while the store has not changed.
    const std::shared_ptr<const RuleSet>& current();
    // The stored "Count" text, and its value as a number (none when it is no number).
    const std::string& countText() { return current()->countText; }
    std::optional<double> countNumber() { return current()->countNumber; }
    // fProcessRules(store, event) on the rules as they are stored now.
    bool matches(const Record& event) { return m_matcher.matches(*current(), viewOf(event)); }

private:
    const SettingsStore& m_store;
    std::optional<std::uint64_t> m_generation;  // of the store when the rules were read
    std::shared_ptr<const RuleSet> m_rules;
    RuleMatcher m_matcher;
};

}  // namespace tillery
