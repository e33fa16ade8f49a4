#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tillery {

// Section and key names used in the store of application "VORN".
namespace store {
inline constexpr std::string_view kApplication = "VORN";
inline constexpr std::string_view kSettings = "Settings";
inline constexpr std::string_view kShowFields = "ShowFields";
inline constexpr std::string_view kRules = "Rules";
inline constexpr std::string_view kOpen = "Open";
inline constexpr std::string_view kSave = "Save";
inline constexpr std::string_view kSummary = "Summary";
inline constexpr std::string_view kTidyDevice = "TidyDevice";
inline constexpr std::string_view kCount = "Count";
inline constexpr std::string_view kDefaultOpen = "C:\\Windows\\setupapi.log";
inline constexpr std::string_view kDefaultSave = "C:\\Windows\\setupapi.log.xls";
}  // namespace store

// A write to the store that did not reach it.
class StoreError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The per-user settings store of application "VORN": text values addressed by section
// and key. Exactly three operations; texts are UTF-8.
class SettingsStore {
public:
    virtual ~SettingsStore() = default;

    // The stored text, or `fallback` when the key or its section is absent.
    virtual std::string get(std::string_view section, std::string_view key,
                            std::string_view fallback) const = 0;
    // Creates section and key as needed and overwrites any earlier value. Throws
    // StoreError when the value cannot be stored.
    virtual void save(std::string_view section, std::string_view key, std::string_view value) = 0;
    // Removes the section with all its keys; false when there was no such section.
    virtual bool deleteSection(std::string_view section) = 0;

    // A counter that moves whenever the contents may have changed: by this object's own
    // writes, and, for a store shared with other processes, by theirs as soon as they can
    // be seen. While it stands still, values read earlier still hold, so a reader may keep
    // what it built from them (compiled rules, the field mask). Cheap enough to ask once
    // per event.
    virtual std::uint64_t generation() const = 0;
};

// True when the key holds no value at all (as opposed to an empty text). Built on get
// alone: no stored text can equal two different fallbacks.
bool keyAbsent(const SettingsStore& store, std::string_view section, std::string_view key);

}  // namespace tillery
