#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace tillery {

class LineReader;

// The checks in front of a run, apart from any window.

// Removes leading and trailing blanks.
std::string trimBlanks(std::string_view text);
// The text without its leading and trailing blanks, as a view into it.
std::string_view blanksTrimmed(std::string_view text);

// The log path given on the command line: the trimmed argument text, less one pair of
// enclosing double quotes when it is at least two characters long and both begins and
// ends with one. `shown` is the trimmed text as given, for the status text.
struct ArgumentPath {
    std::string shown;
    std::string path;
};
ArgumentPath commandLinePath(std::string_view argumentText);

// Log layout, decided from the first line: "SetupAPI" anywhere (Windows XP), else "[2" at
// the start (Windows 2000), else "[Device Install Log]" at the start after an optional
// UTF-8 byte-order mark (Vista and later).
enum class LogLayout { WindowsXp, Windows2000, Vista, Unknown };
LogLayout detectLayout(std::string_view firstLine);

// What the layout test keeps of a log's first line. The layout tests look at the line's
// first characters and for "SetupAPI" anywhere in it, so a line of any length is tested
// with a bounded part of it in memory.
struct FirstLine {
    static constexpr std::size_t kKept = 4096;

    bool present = false;        // the log has a first line
    std::string kept;            // the line, or its first kKept bytes when it is longer
    bool cut = false;            // the line is longer than `kept`
    bool holdsSetupApi = false;  // "SetupAPI" occurs anywhere in the whole line

    // A stand-in of at most kKept + 8 bytes that every layout test answers as it would
    // for the whole line: `kept`, followed by "SetupAPI" when the line was cut and holds it.
    std::string layoutText() const;
};
// Reads past the first line of a log `reader` has just opened, keeping what the layout
// test needs. Throws ExtractionError when reading fails.
FirstLine readFirstLine(LineReader& reader);
// The whole first line of the log at the path (for the few uses that need all of it);
// empty when there is none or it cannot be read.
std::string wholeFirstLine(const std::string& utf8Path);

// The XP header block: lines from the second on, up to (not including) the first line
// from the third on that begins with "[". `lastLine` is the line the scan ended on.
struct HeaderScan {
    std::string text;
    std::int64_t lineCount = 0;
    std::string lastLine;
};
// Reads from `reader`, which has already delivered `firstLine`. A read that fails ends
// the scan; a missing second line leaves the first as the current line. Running out of
// memory is not a read failure: std::bad_alloc passes through.
HeaderScan scanHeader(LineReader& reader, std::string_view firstLine);

// The header block of a Vista+ log: the indented "key = value" lines after the first
// line, trimmed and joined by "; ", up to the first line that begins with "[" or ">>>"
// ("[BeginLog]" is counted in the block, any other such line is not). `date` is the first
// date-time that a line after the block holds, "" when none does.
struct VistaHeaderScan {
    std::string text;
    std::int64_t lineCount = 1;
    std::string date;
};
// Reads from `reader`, which has already delivered the first line. A read that fails
// ends the scan.
VistaHeaderScan scanVistaHeader(LineReader& reader);

// Whether an ordinary file exists at the path (a folder does not count).
bool isOrdinaryFile(const std::string& utf8Path);
// Whether a folder exists at the path (through links).
bool isFolder(const std::string& utf8Path);
// A UTF-8 path as the platform's file-system path.
std::filesystem::path pathFromUtf8(const std::string& utf8Path);
// Deletes a file; false when it could not be deleted.
bool deleteFile(const std::string& utf8Path);
// Whether two paths name the same file on disk, however they are spelled.
bool sameFile(const std::string& utf8PathA, const std::string& utf8PathB);

// A file's size and modification time, to tell whether it changed between two moments.
struct FileStamp {
    bool known = false;
    std::uintmax_t size = 0;
    std::filesystem::file_time_type modified{};

    bool operator==(const FileStamp&) const = default;
};
FileStamp stampOf(const std::string& utf8Path);

// The system's text for an error number ("Permission denied").
std::string systemReason(int error);

}  // namespace tillery
