#pragma once

#include "core/SettingsStore.h"

#include <QSettings>
#include <QString>

#include <cstdint>
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
//
// Another copy of the program may write the same store at any time, so every read sees
// what it wrote. For an INI file, each read compares the file's identity, size and
// modification time with those last seen, and only when they moved is the file read
// again; the registry is read afresh by the backend itself.
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
    std::uint64_t generation() const override;

    // Where the store lives: the INI file's path, or the registry path on Windows.
    QString location() const;

private:
    // A stored value as text; empty when the key is absent or holds no text.
    std::optional<std::string> read(std::string_view section, std::string_view key) const;
    // Opens the backend afresh from its location.
    std::unique_ptr<QSettings> open() const;
    void forgetReads() const;
    // Takes in a change of the file made by anyone else since the last look.
    void followFile() const;

    // What tells one state of the INI file from another without reading it.
    struct FileStamp {
        bool exists = false;
        std::int64_t size = 0;
        std::int64_t modified = 0;  // nanoseconds where the system keeps them
        std::uint64_t identity = 0;  // the file's inode; a rewrite replaces the file
        bool operator==(const FileStamp&) const = default;
    };
    FileStamp stampFile() const;

    QString m_location;
    QSettings::Format m_format;
    std::unique_ptr<QSettings> m_settings;
    bool m_fileBacked = true;  // false for the registry
    mutable FileStamp m_seen;
    mutable std::uint64_t m_generation = 0;

    // Reads since the file last changed (INI only). The rule engine reads every rule for
    // every event of a run; the cache keeps those reads from converting the same variant
    // again and again.
    using KeyCache = std::map<std::string, std::optional<std::string>, std::less<>>;
    mutable std::map<std::string, KeyCache, std::less<>> m_cache;
    mutable std::size_t m_cachedKeys = 0;
};

}  // namespace tillery
