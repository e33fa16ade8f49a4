#include "extract/RunChecks.h"

#include "core/Errors.h"
#include "extract/LineReader.h"
#include "extract/VistaLines.h"

#include <system_error>

namespace tillery {

std::string trimBlanks(std::string_view text)
{
    return std::string(blanksTrimmed(text));
}

std::string_view blanksTrimmed(std::string_view text)
{
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos) {
        return {};
    }
    const auto last = text.find_last_not_of(' ');
    return text.substr(first, last - first + 1);
}

ArgumentPath commandLinePath(std::string_view argumentText)
{
    ArgumentPath result;
    result.shown = trimBlanks(argumentText);
    const std::string& shown = result.shown;
    if (shown.size() >= 2 && shown.front() == '"' && shown.back() == '"') {
        result.path = shown.substr(1, shown.size() - 2);
    } else {
        result.path = shown;
    }
    return result;
}

LogLayout detectLayout(std::string_view firstLine)
{
    if (firstLine.find("SetupAPI") != std::string_view::npos) {
        return LogLayout::WindowsXp;
    }
    if (firstLine.substr(0, 2) == "[2") {
        return LogLayout::Windows2000;
    }
    std::string_view text = firstLine;
    if (text.starts_with("\xEF\xBB\xBF")) {
        text.remove_prefix(3);  // an editor's UTF-8 byte-order mark
    }
    if (text.starts_with("[Device Install Log]")) {
        return LogLayout::Vista;
    }
    return LogLayout::Unknown;
}

std::string FirstLine::layoutText() const
{
    if (cut && holdsSetupApi) {
        return kept + "SetupAPI";
    }
    return kept;
}

FirstLine readFirstLine(LineReader& reader)
{
    static constexpr std::string_view kSetupApi = "SetupAPI";
    static constexpr std::size_t kCarry = kSetupApi.size() - 1;
    FirstLine first;
    // The last bytes seen, so that a "SetupAPI" split between two pieces is found too.
    std::string carry;
    first.present = reader.skipLine([&](std::string_view piece) {
        const std::size_t room = FirstLine::kKept - first.kept.size();
        if (piece.size() > room) {
            first.cut = true;
        }
        first.kept.append(piece.substr(0, room));
        if (first.holdsSetupApi) {
            return;
        }
        carry.append(piece.substr(0, kCarry));
        if (carry.find(kSetupApi) != std::string::npos ||
            piece.find(kSetupApi) != std::string_view::npos) {
            first.holdsSetupApi = true;
            return;
        }
        if (piece.size() > kCarry) {
            carry.assign(piece.substr(piece.size() - kCarry));
        } else if (carry.size() > kCarry) {
            carry.erase(0, carry.size() - kCarry);
        }
    });
    return first;
}

std::string wholeFirstLine(const std::string& utf8Path)
{
    LineReader reader;
    std::string_view line;
    try {
        if (reader.open(utf8Path) && reader.next(line)) {
            return std::string(line);
        }
    } catch (const ExtractionError&) {
    }
    return {};
}

VistaHeaderScan scanVistaHeader(LineReader& reader)
{
    VistaHeaderScan scan;
    try {
        std::string_view line;
        bool afterBlock = false;  // `line` is the first line after the block
        while (reader.next(line)) {
            if (line.starts_with('[') || line.starts_with(">>>")) {
                const auto last = line.find_last_not_of(' ');
                if (last != std::string_view::npos && line.substr(0, last + 1) == "[BeginLog]") {
                    ++scan.lineCount;
                } else {
                    afterBlock = true;
                }
                break;
            }
            ++scan.lineCount;
            const std::string value = trimBlanks(line);
            if (!value.empty()) {
                if (!scan.text.empty()) {
                    scan.text.append("; ");
                }
                scan.text.append(value);
            }
        }
        std::string_view date = afterBlock ? vista::dateTimeText(line) : std::string_view();
        while (date.empty() && reader.next(line)) {
            date = vista::dateTimeText(line);
        }
        scan.date.assign(date);
    } catch (const std::exception&) {
        // A read failure ends the scan; the run itself meets the same failure and says so.
    }
    return scan;
}

HeaderScan scanHeader(LineReader& reader, std::string_view firstLine)
{
    HeaderScan scan;
    std::string_view line;
    try {
        scan.lastLine = reader.next(line) ? std::string(line) : std::string(firstLine);
        scan.text = scan.lastLine;
        scan.lineCount = 1;
        while (!reader.atEnd()) {
            if (!reader.next(line)) {
                break;
            }
            ++scan.lineCount;
            scan.lastLine.assign(line);
            if (!line.empty() && line.front() == '[') {
                break;
            }
            scan.text.append("; ").append(line);
        }
    } catch (const ExtractionError&) {
        // A read failure ends the scan; the run itself meets the same failure and says so.
        if (scan.lineCount == 0) {
            scan.lineCount = 1;
            scan.text = scan.lastLine = std::string(firstLine);
        }
    }
    return scan;
}

std::filesystem::path pathFromUtf8(const std::string& utf8Path)
{
    return std::filesystem::path(std::u8string(utf8Path.begin(), utf8Path.end()));
}

bool isOrdinaryFile(const std::string& utf8Path)
{
    std::error_code error;
    return std::filesystem::is_regular_file(pathFromUtf8(utf8Path), error);
}

bool isFolder(const std::string& utf8Path)
{
    std::error_code error;
    return std::filesystem::is_directory(pathFromUtf8(utf8Path), error);
}

bool deleteFile(const std::string& utf8Path)
{
    std::error_code error;
    return std::filesystem::remove(pathFromUtf8(utf8Path), error) && !error;
}

bool sameFile(const std::string& utf8PathA, const std::string& utf8PathB)
{
    std::error_code error;
    const bool same = std::filesystem::equivalent(pathFromUtf8(utf8PathA),
                                                  pathFromUtf8(utf8PathB), error);
    return same && !error;
}

}  // namespace tillery

namespace tillery {

FileStamp stampOf(const std::string& utf8Path)
{
    FileStamp stamp;
    std::error_code sizeError;
    std::error_code timeError;
    const auto path = pathFromUtf8(utf8Path);
    stamp.size = std::filesystem::file_size(path, sizeError);
    stamp.modified = std::filesystem::last_write_time(path, timeError);
    stamp.known = !sizeError && !timeError;
    return stamp;
}

std::string systemReason(int error)
{
    return error == 0 ? std::string("unknown error") : std::generic_category().message(error);
}

}  // namespace tillery
