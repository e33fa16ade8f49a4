#pragma once

#include "core/Record.h"

#include <string_view>

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

}  // namespace tillery
