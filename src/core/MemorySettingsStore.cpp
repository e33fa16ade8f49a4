#include "core/MemorySettingsStore.h"

namespace tillery {

bool keyAbsent(const SettingsStore& store, std::string_view section, std::string_view key)
{
    return store.get(section, key, "0") == "0" && store.get(section, key, "1") == "1";
}

std::string MemorySettingsStore::get(std::string_view section, std::string_view key,
                                     std::string_view fallback) const
{
    ++m_getCalls;
    const auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        return std::string(fallback);
    }
    const auto k = s->second.find(key);
    if (k == s->second.end()) {
        return std::string(fallback);
    }
    return k->second;
}

void MemorySettingsStore::save(std::string_view section, std::string_view key,
                               std::string_view value)
{
    ++m_generation;
    auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        s = m_sections.emplace(std::string(section), Section{}).first;
    }
    s->second.insert_or_assign(std::string(key), std::string(value));
}

bool MemorySettingsStore::deleteSection(std::string_view section)
{
    const auto s = m_sections.find(section);
    if (s == m_sections.end()) {
        return false;
    }
    m_sections.erase(s);
    ++m_generation;
    return true;
}

std::size_t MemorySettingsStore::keyCount(std::string_view section) const
{
    const auto s = m_sections.find(section);
    return s == m_sections.end() ? 0 : s->second.size();
}

}  // namespace tillery
