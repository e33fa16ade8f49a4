#include "core/MemorySettingsStore.h"
#include "support/TempDir.h"
#include "ui/QSettingsStore.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace tillery {
namespace {

using test::TempDir;
using test::writeFile;
using namespace std::string_literals;

QString qpath(const std::string& path)
{
    return QString::fromStdString(path);
}

class SettingsStoreFile : public testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("VORN.ini");
};

TEST_F(SettingsStoreFile, AwkwardKeysAndValuesComeBackExactly)
{
    const std::vector<std::pair<std::string, std::string>> values = {
        {"Date Time", "True"},
        {"1v", "usbstor\\"},
        {"2v", "\\\\server\\share\\"},
        {"comma", "a, b,c"},
        {"at", "@Variant(QRect)"},
        {"bytes", "@ByteArray(abc)"},
        {"empty", ""},
        {"quoted", "\"C:\\logs\\setupapi.log\""},
        {"blanks", "  two  "},
        {"controls", "a\tb\r\nc;d#e=f"},
        {"semicolon", "; not a comment"},
        {"unicode", "Gr\xC3\xB6\xC3\x9F" "e \xE6\x97\xA5\xE6\x9C\xAC \xF0\x9F\x98\x80"},
        {"Schl\xC3\xBC" "ssel", "k"},
    };
    {
        QSettingsStore writer(qpath(ini));
        for (const auto& [key, value] : values) {
            writer.save("Rules", key, value);
        }
        for (const auto& [key, value] : values) {
            EXPECT_EQ(writer.get("Rules", key, "?"), value) << key << " read back at once";
        }
    }
    const QSettingsStore reader(qpath(ini));
    for (const auto& [key, value] : values) {
        EXPECT_EQ(reader.get("Rules", key, "?"), value) << key << " read from the file";
    }
    EXPECT_FALSE(keyAbsent(reader, "Rules", "empty")) << "an empty text is still a value";
    EXPECT_TRUE(keyAbsent(reader, "Rules", "missing"));
    EXPECT_EQ(reader.get("Nowhere", "Date Time", "0"), "0");
}

TEST_F(SettingsStoreFile, ReadsFollowWritesAndDeletions)
{
    QSettingsStore store(qpath(ini));
    EXPECT_EQ(store.get("Rules", "Count", "0"), "0");  // remembered as absent
    store.save("Rules", "Count", "3");
    EXPECT_EQ(store.get("Rules", "Count", "0"), "3");
    store.save("Rules", "Count", "4");
    EXPECT_EQ(store.get("Rules", "Count", "0"), "4");
    store.save("Settings", "Summary", "2");

    EXPECT_TRUE(store.deleteSection("Rules"));
    EXPECT_EQ(store.get("Rules", "Count", "0"), "0");
    EXPECT_FALSE(store.deleteSection("Rules"));
    EXPECT_FALSE(store.deleteSection("Nothing"));
    EXPECT_EQ(store.get("Settings", "Summary", ""), "2") << "other sections stay";

    const QSettingsStore reopened(qpath(ini));
    EXPECT_TRUE(keyAbsent(reopened, "Rules", "Count"));
    EXPECT_EQ(reopened.get("Settings", "Summary", ""), "2");
}

TEST_F(SettingsStoreFile, GarbageFileReadsAsDefaultsAndCanBeWrittenOver)
{
    writeFile(ini, "\xFF\xFE\x00garbage\n[Settings\nSummary=@Variant(\\0\\0\\0\\x7f\\0)\n"
                   "[Rules]\nCount=@Rect(1 2 3 4)\n1f=@Invalid()\n=novalue\n2v=x, y,z\n3v=@ByteArray(abc)\n"
                   "\x01\x02"s);
    QSettingsStore store(qpath(ini));
    EXPECT_EQ(store.get("Rules", "Count", "0"), "0");
    EXPECT_EQ(store.get("Rules", "1f", ""), "");
    EXPECT_TRUE(keyAbsent(store, "Rules", "1f"));
    EXPECT_EQ(store.get("Rules", "2v", ""), "x, y, z") << "a hand-written list is one text";
    EXPECT_EQ(store.get("Rules", "3v", ""), "abc");

    store.save("Settings", "Summary", "2");
    EXPECT_EQ(QSettingsStore(qpath(ini)).get("Settings", "Summary", ""), "2");
}

TEST_F(SettingsStoreFile, StoreThatCannotBeWrittenThrowsAndReadsDefaults)
{
    std::filesystem::create_directory(ini);  // a folder where the file should be
    QSettingsStore store(qpath(ini));
    EXPECT_EQ(store.get("Settings", "Open", "C:\\x"), "C:\\x");
    EXPECT_THROW(store.save("Settings", "Open", "D:\\y"), StoreError);
    EXPECT_EQ(store.get("Settings", "Open", "C:\\x"), "C:\\x") << "the failed value is not kept";
}

TEST_F(SettingsStoreFile, FailedWriteIsReportedEvenAfterAParseError)
{
    // The backend keeps its first error (the parse error) for good; the write failing
    // later must still be seen.
    writeFile(ini, "[Broken\nx=1\n");
    QSettingsStore store(qpath(ini));
    std::filesystem::remove(ini);
    std::filesystem::create_directory(ini);
    EXPECT_THROW(store.save("Settings", "Summary", "1"), StoreError);
}

// Two copies of the program share one file: each read sees what the other wrote, and a
// save merges into what the other wrote instead of writing back an old picture.
TEST_F(SettingsStoreFile, TwoStoresOnOneFileSeeEachOthersWrites)
{
    QSettingsStore first(qpath(ini));
    first.save("Rules", "Count", "16");
    first.save("Rules", "16f", "Device");
    const auto seen = first.generation();

    QSettingsStore second(qpath(ini));
    EXPECT_EQ(second.get("Rules", "16f", ""), "Device");
    second.save("Rules", "Count", "2");
    EXPECT_EQ(first.get("Rules", "Count", "0"), "2");
    EXPECT_NE(first.generation(), seen);

    // Another process rewrites the file behind both (Qt keeps one parsed copy of a file
    // per process, so only a change on disk shows whether the file is read again).
    const auto beforeRewrite = second.generation();
    writeFile(ini, "[Rules]\nCount=1\n1f=Name\n");
    EXPECT_EQ(first.get("Rules", "Count", "0"), "1");
    EXPECT_EQ(second.get("Rules", "1f", ""), "Name");
    EXPECT_TRUE(keyAbsent(second, "Rules", "16f"));
    EXPECT_NE(second.generation(), beforeRewrite);

    first.save("Settings", "Summary", "2");
    EXPECT_EQ(second.get("Rules", "Count", "0"), "1") << "a save keeps the other's keys";
    EXPECT_EQ(second.get("Settings", "Summary", ""), "2");

    std::filesystem::remove(ini);
    EXPECT_EQ(first.get("Rules", "Count", "0"), "0") << "a removed file reads as empty";
}

// The generation moves with every write of the store's own, even of the same value, and
// stands still on reads.
TEST(SettingsStoreGeneration, MovesOnWritesOnly)
{
    TempDir dir;
    MemorySettingsStore memory;
    QSettingsStore file(qpath(dir.file("g.ini")));
    for (SettingsStore* store : {static_cast<SettingsStore*>(&memory), static_cast<SettingsStore*>(&file)}) {
        auto last = store->generation();
        const auto moved = [&] {
            const auto now = store->generation();
            return std::exchange(last, now) != now;
        };
        store->get("Rules", "Count", "0");
        EXPECT_FALSE(moved());
        for (int i = 0; i < 2; ++i) {
            store->save("Rules", "Count", "3");
            EXPECT_TRUE(moved());
            store->get("Rules", "Count", "0");
            EXPECT_FALSE(moved());
        }
        EXPECT_TRUE(store->deleteSection("Rules"));
        EXPECT_TRUE(moved());
    }
}

#ifndef Q_OS_WIN
TEST(PerUserSettingsStore, LivesBelowXdgConfigHome)
{
    // The test run points XDG_CONFIG_HOME at a temporary folder of its own before anything
    // opens a per-user store (Qt fixes the per-user folder at the first one).
    const std::filesystem::path config = qEnvironmentVariable("XDG_CONFIG_HOME").toStdString();
    ASSERT_FALSE(config.empty());
    QSettingsStore store;
    const std::filesystem::path expected = config / "VORN" / "VORN.ini";
    EXPECT_EQ(store.location().toStdString(), expected.string());
    store.save("Settings", "Summary", "0");
    EXPECT_TRUE(std::filesystem::is_regular_file(expected));
    EXPECT_EQ(QSettingsStore(qpath(expected.string())).get("Settings", "Summary", ""), "0");
    std::filesystem::remove_all(config / "VORN");
}
#endif

}  // namespace
}  // namespace tillery
