#pragma once

#include <string>

namespace tillery {

// One stored rule: field name, select type and value, all text. Stored under the keys
// "<n>f", "<n>s" and "<n>v" of section "Rules" for rule index n (from 1).
struct Rule {
    std::string field;
    std::string select;
    std::string value;

    bool operator==(const Rule&) const = default;
};

}  // namespace tillery
