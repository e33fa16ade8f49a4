#pragma once

#include "core/SettingsStore.h"

#include <map>
#include <string>

namespace tillery {

// A settings store held in memory: for tests, and for front ends that read a store once
// and must never write it back.
class MemorySettingsStore : public SettingsStore {
public:
    using Section = std::map<std::string, std::string, std::less<>>;
    using Sections = std::map<std::string, Section, std::less<>>;

    MemorySettingsStore() = default;
    explicit MemorySettingsStore(Sections sections) : m_sections(std::move(sections)) {}

    std::string get(std::string_view section, std::string_view key,
                    std::string_view fallback) const override;
    void save(std::string_view section, std::string_view key, std::string_view value) override;
    bool deleteSection(std::string_view section) override;
    std::uint64_t generation() const override { return m_generation; }

    const Sections& sections() const { return m_sections; }
    // Number of keys in a section (0 when it is absent).
    std::size_t keyCount(std::string_view section) const;
    // Number of get calls so far; lets tests see which keys a reader touched.
    std::size_t getCalls() const { return m_getCalls; }

private:
    Sections m_sections;
    std::uint64_t m_generation = 0;
    mutable std::size_t m_getCalls = 0;
};

}  // namespace tillery
