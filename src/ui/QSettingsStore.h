#pragma once

#include "core/SettingsStore.h"

#include <QSettings>
#include <QString>

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tillery {

// The settings store of application "VORN" on QSettings: one group per section, every
// value a text. On Windows it is the per-user registry area for program settings; on
// other systems a per-user INI file (honouring XDG_CONFIG_HOME). A file that cannot be
// read or parsed reads as an empty store; it never stops the program.
class QSettingsStore : public SettingsStore {
public:
    // The real per-user store.
    QSettingsStore();
    // An INI file at the given path (created on the first save).
    explicit QSettingsStore(const QString& iniPath);
    ~QSettingsStore() override;

    QSettingsStore(const QSettingsStore&) = delete;
    QSettingsStore& operator=(const QSettingsStore&) = delete;

    std::string get(std::string_view section, std::string_view key,
                    std::string_view fallback) const override;
    void save(std::string_view section, std::string_view key, std::string_view value) override;
    bool deleteSection(std::string_view section) override;

    // Where the store lives: the INI file's path, or the registry path on Windows.
    QString location() const;

private:
    // A stored value as text; empty when the key is absent or holds no text.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;
    // Opens the backend afresh from its location.
    std::unique_ptr<QSettings> open() const;
    void forgetReads() const;

    QString m_location;
    QSettings::Format m_format;
    std::unique_ptr<QSettings> m_settings;

    // Reads since the last write. The rule engine reads every rule for every event of a
    // run; the cache keeps those reads from converting the same variant again and again.
    using KeyCache = std::map<std::string, std::optional<std::string>, std::less<>>;
    mutable std::map<std::string, KeyCache, std::less<>> m_cache;
    mutable std::size_t m_cachedKeys = 0;
};

}  // namespace tillery
