#pragma once

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

// The XP header block: lines from the second on, up to (not including) the first line
// from the third on that begins with "[". `lastLine` is the line the scan ended on.
struct HeaderScan {
    std::string text;
    std::int64_t lineCount = 0;
    std::string lastLine;
};
// Reads from `reader`, which has already delivered `firstLine`. A read that fails ends
// the scan; a missing second line leaves the first as the current line.
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
// A UTF-8 path as the platform's file-system path.
std::filesystem::path pathFromUtf8(const std::string& utf8Path);
// Deletes a file; false when it could not be deleted.
bool deleteFile(const std::string& utf8Path);
// Whether two paths name the same file on disk, however they are spelled.
bool sameFile(const std::string& utf8PathA, const std::string& utf8PathB);

}  // namespace tillery
