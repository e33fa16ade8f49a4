#include "ui/QSettingsStore.h"

#include <QByteArray>
#include <QFile>
#include <QStringList>
#include <QVariant>

#ifdef Q_OS_WIN
#include <QDateTime>
#include <QFileInfo>
#else
#include <sys/stat.h>
#endif

namespace tillery {
namespace {

// Reads kept before the cache starts over; far more than the program's ~70 keys.
constexpr std::size_t kMaxCachedKeys = 4096;

QString toQString(std::string_view utf8)
{
    return QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
}

std::string toUtf8(const QString& text)
{
    const QByteArray bytes = text.toUtf8();
    return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

QString settingsKey(std::string_view section, std::string_view key)
{
    return toQString(section) + QLatin1Char('/') + toQString(key);
}

// The text of a stored value. The program writes only texts, but the backend hands back
// what it finds: an INI value with unquoted commas comes back as a list, "@ByteArray(...)"
// as bytes, a registry number as a number. Values with no text form (a rectangle, an
// invalid variant) count as absent.
std::optional<std::string> textOf(const QVariant& value)
{
    if (!value.isValid()) {
        return std::nullopt;
    }
    switch (value.typeId()) {
    case QMetaType::QString:
        return toUtf8(value.toString());
    case QMetaType::QStringList:
        // The INI writer itself joins list items with a comma and a blank.
        return toUtf8(value.toStringList().join(QStringLiteral(", ")));
    case QMetaType::QByteArray:
        return toUtf8(QString::fromUtf8(value.toByteArray()));
    default:
        break;
    }
    if (value.canConvert<QString>()) {
        return toUtf8(value.toString());
    }
    return std::nullopt;
}

}  // namespace

QSettingsStore::QSettingsStore()
{
#ifdef Q_OS_WIN
    m_location = QStringLiteral("HKEY_CURRENT_USER\\Software\\VB and VBA Program Settings\\VORN");
    m_format = QSettings::NativeFormat;
    m_settings = open();
    m_fileBacked = false;
#else
    m_settings = std::make_unique<QSettings>(QSettings::IniFormat, QSettings::UserScope,
                                             QStringLiteral("VORN"), QStringLiteral("VORN"));
    m_location = m_settings->fileName();
    m_format = QSettings::IniFormat;
    m_seen = stampFile();
#endif
}

QSettingsStore::QSettingsStore(const QString& iniPath)
    : m_location(iniPath), m_format(QSettings::IniFormat), m_settings(open()), m_seen(stampFile())
{
}

QSettingsStore::~QSettingsStore() = default;

std::unique_ptr<QSettings> QSettingsStore::open() const
{
    return std::make_unique<QSettings>(m_location, m_format);
}

QString QSettingsStore::location() const
{
    return m_location;
}

void QSettingsStore::forgetReads() const
{
    m_cache.clear();
    m_cachedKeys = 0;
}

QSettingsStore::FileStamp QSettingsStore::stampFile() const
{
    FileStamp stamp;
#ifdef Q_OS_WIN
    const QFileInfo info(m_location);
    if (info.exists()) {
        stamp.exists = true;
        stamp.size = info.size();
        stamp.modified = info.lastModified().toMSecsSinceEpoch();
    }
#else
    struct stat status {};
    if (::stat(QFile::encodeName(m_location).constData(), &status) == 0) {
        stamp.exists = true;
        stamp.size = static_cast<std::int64_t>(status.st_size);
#ifdef Q_OS_DARWIN
        const timespec& modified = status.st_mtimespec;
#else
        const timespec& modified = status.st_mtim;
#endif
        stamp.modified = static_cast<std::int64_t>(modified.tv_sec) * 1'000'000'000 + modified.tv_nsec;
        stamp.identity = static_cast<std::uint64_t>(status.st_ino);
    }
#endif
    return stamp;
}

void QSettingsStore::followFile() const
{
    if (!m_fileBacked) {
        return;
    }
    const FileStamp now = stampFile();
    if (now == m_seen) {
        return;
    }
    m_seen = now;
    // The backend keeps the file's contents per process; sync reads the file again when
    // its size or time moved (it holds no unwritten changes: every save syncs at once).
    m_settings->sync();
    forgetReads();
    ++m_generation;
}

std::uint64_t QSettingsStore::generation() const
{
    if (!m_fileBacked) {
        // The registry gives no cheap sign of a change: any moment may have brought one.
        return ++m_generation;
    }
    followFile();
    return m_generation;
}

std::optional<std::string> QSettingsStore::read(std::string_view section,
                                                std::string_view key) const
{
    if (section.empty() || key.empty()) {
        return std::nullopt;
    }
    if (!m_fileBacked) {
        return textOf(m_settings->value(settingsKey(section, key)));
    }
    followFile();
    auto cachedSection = m_cache.find(section);
    if (cachedSection != m_cache.end()) {
        const auto cached = cachedSection->second.find(key);
        if (cached != cachedSection->second.end()) {
            return cached->second;
        }
    }
    std::optional<std::string> text = textOf(m_settings->value(settingsKey(section, key)));
    if (m_cachedKeys >= kMaxCachedKeys) {
        forgetReads();
        cachedSection = m_cache.end();
    }
    if (cachedSection == m_cache.end()) {
        cachedSection = m_cache.emplace(std::string(section), KeyCache{}).first;
    }
    cachedSection->second.emplace(std::string(key), text);
    ++m_cachedKeys;
    return text;
}

std::string QSettingsStore::get(std::string_view section, std::string_view key,
                                std::string_view fallback) const
{
    std::optional<std::string> text = read(section, key);
    return text ? std::move(*text) : std::string(fallback);
}

void QSettingsStore::save(std::string_view section, std::string_view key, std::string_view value)
{
    // The file's new stamp is taken in by the next read (the backend already holds what
    // it wrote, so that costs no reading).
    forgetReads();
    ++m_generation;
    if (section.empty() || key.empty()) {
        throw StoreError("a setting needs a section and a key");
    }
    // QSettings keeps the first error it meets for good, so an object that once failed (a
    // file that did not parse, a write that did not land) would report that error after
    // every later write as well. INI sections are parsed only when first needed, so a
    // parse error can also appear in the middle of a write. Every section is therefore
    // parsed first; while that leaves an error, a fresh object is taken, which reuses
    // the parsed file and starts clean.
    for (int attempt = 0; attempt < 3; ++attempt) {
        m_settings->allKeys();
        if (m_settings->status() == QSettings::NoError) {
            break;
        }
        m_settings.reset();
        m_settings = open();
    }
    const QString path = settingsKey(section, key);
    const std::optional<QVariant> before =
        m_settings->contains(path) ? std::optional<QVariant>(m_settings->value(path)) : std::nullopt;
    m_settings->setValue(path, toQString(value));
    m_settings->sync();
    if (m_settings->status() == QSettings::NoError) {
        return;
    }
    // The write did not land. Qt keeps unwritten changes in memory (shared by every
    // QSettings on the same file); put the old value back so reads keep showing what the
    // store holds.
    if (before) {
        m_settings->setValue(path, *before);
    } else {
        m_settings->remove(path);
    }
    throw StoreError("cannot write the settings store at " + toUtf8(m_location));
}

bool QSettingsStore::deleteSection(std::string_view section)
{
    forgetReads();
    ++m_generation;
    if (section.empty()) {
        return false;
    }
    const QString group = toQString(section);
#ifdef Q_OS_WIN
    const Qt::CaseSensitivity nameCase = Qt::CaseInsensitive;  // registry key names
#else
    const Qt::CaseSensitivity nameCase = Qt::CaseSensitive;
#endif
    if (!m_settings->childGroups().contains(group, nameCase)) {
        return false;
    }
    m_settings->remove(group);
    // A removal that cannot be written surfaces at the next save, which then fails.
    m_settings->sync();
    return true;
}

}  // namespace tillery
