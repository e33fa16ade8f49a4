#include "app/CliChecks.h"

#include "app/CliOptions.h"

#include "core/DefaultRules.h"
#include "core/FieldCatalogue.h"
#include "core/StoreValues.h"
#include "extract/LineReader.h"
#include "extract/Messages.h"
#include "extract/RunChecks.h"

#include <algorithm>
#include <cerrno>
#include <fstream>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace tillery::cli {
namespace {

std::string fileText(const std::string& path)
{
    return std::string(msg::kLogNotFoundBoxPrefix) + path;
}

std::string inQuotes(std::string_view text)
{
    return "\"" + std::string(text) + "\"";
}

}  // namespace

std::string checkLogReadable(const std::string& logPath)
{
    if (logPath.empty()) {
        return {};
    }
    std::error_code error;
    const auto status = std::filesystem::status(pathFromUtf8(logPath), error);
    if (status.type() == std::filesystem::file_type::not_found) {
        return {};
    }
    if (error) {
        return fileText(logPath) + std::string(msg::kLogUnreadableBoxSuffix) +
               systemReason(error.value());
    }
    if (!std::filesystem::is_regular_file(status)) {
        return fileText(logPath) + " is not a regular file.";
    }
    errno = 0;
    std::ifstream probe(pathFromUtf8(logPath), std::ios::binary);
    if (!probe.is_open()) {
        return fileText(logPath) + std::string(msg::kLogUnreadableBoxSuffix) + systemReason(errno);
    }
    return {};
}

std::string checkStandardOutputIsNotLog([[maybe_unused]] std::FILE* out,
                                        [[maybe_unused]] const std::string& logPath)
{
#ifndef _WIN32
    struct stat output {};
    struct stat log {};
    if (fstat(fileno(out), &output) == 0 && stat(logPath.c_str(), &log) == 0 &&
        output.st_dev == log.st_dev && output.st_ino == log.st_ino) {
        return std::string(msg::kSameFileBox);
    }
#endif
    return {};
}

std::string checkOutputIsNoLink(const std::string& outputPath)
{
    std::error_code error;
    const std::filesystem::path path = pathFromUtf8(outputPath);
    if (std::filesystem::is_symlink(std::filesystem::symlink_status(path, error)) &&
        std::filesystem::is_regular_file(std::filesystem::status(path, error))) {
        return outputPath + std::string(text::kOutputIsLink);
    }
    return {};
}

bool standardErrorIsALog([[maybe_unused]] std::FILE* err)
{
#ifndef _WIN32
    struct stat stream {};
    if (fstat(fileno(err), &stream) != 0 || !S_ISREG(stream.st_mode)) {
        return false;
    }
    // The stream may be open for writing only: its file is read through the process's
    // own link to it.
    LineReader reader;
    if (!reader.open("/proc/self/fd/" + std::to_string(fileno(err)))) {
        return false;
    }
    try {
        return detectLayout(readFirstLine(reader).layoutText()) != LogLayout::Unknown;
    } catch (const std::exception&) {
        return false;
    }
#else
    return false;
#endif
}

std::string checkRunSettings(const SettingsStore& settings, ExtractionType type)
{
    if (type != ExtractionType::RuleBased) {
        return {};  // only a rule-based run reads the rules
    }
    const std::string countText = settings.get(store::kRules, store::kCount, "0");
    const auto number = textToNumber(countText);
    if (!number) {
        return "the stored rule count " + inQuotes(countText) + " is not a number";
    }
    if (*number <= 0) {
        return {};
    }
    const auto count = textToInt16(countText);
    if (!count) {
        return "the stored rule count " + inQuotes(countText) +
               " is not a whole number from -32768 to 32767";
    }
    for (int i = 1; i <= *count; ++i) {
        const std::string field = settings.get(store::kRules, ruleKey(i, 'f'), "");
        if (!fieldFromName(field)) {
            return "rule " + std::to_string(i) + " has an unknown field " + inQuotes(field);
        }
        const std::string select = settings.get(store::kRules, ruleKey(i, 's'), "");
        if (std::find(kSelectTypes.begin(), kSelectTypes.end(), select) == kSelectTypes.end()) {
            return "rule " + std::to_string(i) + " has an unknown select type " + inQuotes(select);
        }
    }
    return {};
}

std::string escapeControls(std::string_view text)
{
    static constexpr char kHex[] = "0123456789abcdef";
    std::string escaped;
    escaped.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7f) {
            escaped += "\\x";
            escaped += kHex[byte >> 4];
            escaped += kHex[byte & 0xf];
        } else {
            escaped += c;
        }
    }
    return escaped;
}

}  // namespace tillery::cli
