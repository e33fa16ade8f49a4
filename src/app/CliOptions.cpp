#include "app/CliOptions.h"

#include "export/TimeConversion.h"
#include "export/Utf8Text.h"

namespace tillery::cli {
namespace {

std::optional<ExtractionType> typeFromName(std::string_view name)
{
    if (name == "full") {
        return ExtractionType::Full;
    }
    if (name == "summary") {
        return ExtractionType::Summary;
    }
    if (name == "rules") {
        return ExtractionType::RuleBased;
    }
    return std::nullopt;
}

ParsedArguments failure(std::string error)
{
    ParsedArguments parsed;
    parsed.error = std::move(error);
    return parsed;
}

}  // namespace

ParsedArguments parseArguments(const std::vector<std::string_view>& arguments)
{
    ParsedArguments parsed;
    CliOptions& options = parsed.options;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (!isOption) {
            options.inputs.emplace_back(argument);
            continue;
        }
        if (argument == "--") {
            optionsEnded = true;
            continue;
        }

        // "--name=value" carries its value; otherwise a value-taking option takes the next
        // argument as it stands, even when it begins with "-" ("-o -").
        std::string_view name = argument;
        std::optional<std::string_view> inlineValue;
        if (argument.starts_with("--")) {
            const auto equals = argument.find('=');
            if (equals != std::string_view::npos) {
                name = argument.substr(0, equals);
                inlineValue = argument.substr(equals + 1);
            }
        }
        const bool takesValue = name == "--type" || name == "-o" || name == "--output" ||
                                name == "--settings" || name == "--format" ||
                                name == "--encoding" || name == "--timezone" ||
                                name == "--utc-offset" || name == "--jobs" || name == "-j";
        const bool isFlag = name == "-h" || name == "--help" || name == "--force" ||
                            name == "-f" || name == "--quiet" || name == "-q";
        if (!takesValue && !isFlag) {
            return failure(std::string(text::kUnknownOption) + std::string(argument));
        }
        if (isFlag && inlineValue) {
            return failure(std::string(text::kNoValueWanted) + std::string(name));
        }

        std::string_view value;
        if (takesValue) {
            if (inlineValue) {
                value = *inlineValue;
            } else if (i + 1 < arguments.size()) {
                value = arguments[++i];
            } else {
                return failure(std::string(text::kMissingValue) + std::string(name));
            }
            if (value.empty()) {
                return failure(std::string(text::kMissingValue) + std::string(name));
            }
        }

        if (name == "-h" || name == "--help") {
            options.help = true;
            return parsed;
        }
        if (name == "--force" || name == "-f") {
            options.force = true;
        } else if (name == "--quiet" || name == "-q") {
            options.quiet = true;
        } else if (name == "--type") {
            options.devices = value == "devices";
            const auto type = options.devices ? ExtractionType::RuleBased : typeFromName(value);
            if (!type) {
                return failure(std::string(text::kBadType) + std::string(value));
            }
            options.type = *type;
        } else if (name == "--format") {
            const auto format = exportFormatFromName(value);
            if (!format) {
                return failure(std::string(text::kBadFormat) + std::string(value));
            }
            options.format = *format;
        } else if (name == "--encoding") {
            if (!TextDecoder::open(value)) {
                return failure(std::string(text::kBadEncoding) + std::string(value));
            }
            options.encoding = value;
        } else if (name == "--timezone") {
            if (!TimeConversion::zone(value)) {
                return failure(std::string(text::kBadZone) + std::string(value));
            }
            options.timeZone = std::string(value);
        } else if (name == "--utc-offset") {
            if (!TimeConversion::fixedOffset(value)) {
                return failure(std::string(text::kBadOffset) + std::string(value));
            }
            options.utcOffset = std::string(value);
        } else if (name == "--jobs" || name == "-j") {
            std::size_t jobs = 0;
            for (const char digit : value) {
                jobs = digit >= '0' && digit <= '9' && jobs <= kMaxJobs ? jobs * 10 + std::size_t(digit - '0')
                                                                         : kMaxJobs + 1;
            }
            if (jobs < 1 || jobs > kMaxJobs) {
                return failure(std::string(text::kBadJobs) + std::string(value));
            }
            options.jobs = jobs;
        } else if (name == "-o" || name == "--output") {
            options.outputPath = std::string(value);
        } else {
            options.settingsPath = std::string(value);
        }
    }

    if (options.inputs.empty()) {
        return failure(std::string(text::kMissingLog));
    }
    if (options.timeZone && options.utcOffset) {
        return failure(std::string(text::kTwoClocks));
    }
    return parsed;
}

std::string helpText()
{
    return R"(NAME
    tillery-cli - device-installation logs as tables, timelines and device histories

SYNOPSIS
    tillery-cli [OPTIONS] LOG
    tillery-cli [OPTIONS] PATH...

DESCRIPTION
    Reads Windows device-installation logs and writes their events. With one LOG and
    the default format, the output is the TAB-separated ".xls" table, rows ending in
    CR LF, the first row holding the column names: the same, byte for byte, as the one
    the Tillery window writes for the same log, settings and extraction type.

    A PATH may be a log or a folder. Folders are walked recursively; every ordinary file
    whose first line names a layout is read, whatever its name (rotated copies such as
    setupapi.dev.20190523_101502.log, the copy under Windows.old, ...). Other files are
    skipped with one line on standard error. Symbolic links are never followed out of
    a given folder; special files (pipes, devices) are never opened. Logs are read in
    the order given, a folder's logs sorted by path, and their rows come out in that
    order. A folder that holds no log is an error.

    Layouts, told apart by a log's first line (never by its file name):
      Windows XP       setupapi.log, first line "[SetupAPI Log]"
      Windows 2000     setupapi.log, first line "[<date> <time> ...]"
      Vista to 11      setupapi.dev.log (also setupapi.setup.log, setupapi.app.log and
                       their dated copies), first line "[Device Install Log]"

OPTIONS
    --type TYPE
        What to extract (default: rules):
          full     one row per log line
          summary  one row per logged event
          rules    one row per event that meets the stored rules (by default: the
                   storage devices ever installed)
          devices  one row per distinct device among the events the rules select,
                   over all logs: first and last seen, number of events, Name, the
                   tidied Device, the identifier's parts, and the source and line of
                   the first and last event; sorted by first seen. A device is its
                   bus, vendor, product and serial, letter case ignored (a Vista
                   portable-device node and the disk it embeds are one device).

    --format FORMAT
        xls (default), csv or jsonl.
          xls    the TAB-separated table as the window writes it, the log's bytes
                 unchanged. With a folder or several logs it needs -o FOLDER: one
                 ".xls" per log is then written there, named after the log (LOG's
                 file name followed by ".xls"). When logs in different folders share
                 a file name, the first in input order keeps it and the next ones get
                 "-2", "-3", ... before ".xls" (letter case ignored), so the names do
                 not depend on the number of threads.
          csv    a timeline after RFC 4180: comma-separated, fields holding a comma,
                 a double quote, CR or LF quoted, quotes doubled, rows ending in
                 CR LF, the first row the column names; UTF-8. Values are written
                 as the log holds them: a value beginning with "=", "+", "-" or "@"
                 is not defused for spreadsheets.
          jsonl  a timeline of one JSON object per line; UTF-8.
        The timelines hold the columns datetime, timestamp_desc and message, the
        fields the ".xls" would hold, then source (the log's path as found),
        source_line (the row's line in that log), time_note, and the parts of the
        device identifier: bus, vendor, product, revision, serial, serial_unique
        (false for a serial Windows made up, whose second character is "&"), vid
        and pid. --type devices writes its own columns in every format, xls
        included.

    -o, --output PATH
        Where the output goes. "-" is standard output. For one LOG in the xls format
        the default is LOG followed by ".xls"; for csv, jsonl and devices it is
        standard output. Nothing is ever written into an input folder unless -o says
        so, and the output is never one of the logs read, however it is spelled.

    -f, --force
        Replace existing output files (otherwise they are refused).

    --encoding NAME
        The code page of log bytes that are not valid UTF-8 (default: windows-1252;
        windows-1251 and the other code pages the C library's iconv knows work too),
        so that csv and jsonl are always valid UTF-8. The ".xls" keeps the bytes.

    --timezone NAME
        The examined machine's time zone, as an IANA name (Europe/Berlin): log times
        are converted to UTC with the daylight-saving rule in force at each instant,
        and datetime ends in "+00:00". A local time the clock skipped is read with
        the offset before the change; a local time that occurred twice is read as the
        earlier instant; time_note says so in both cases.
    --utc-offset +HH:MM
        The same with a fixed offset (-HH:MM west of Greenwich).
        Without either, datetime is local time without an offset, and the run says
        so once on standard error. They apply to csv, jsonl and the device table.

    -j, --jobs N
        Read up to N logs at once on N threads (default: one per processor core).
        The output is the same, byte for byte, whatever N.

    --settings FILE
        Read the shown fields and the rules from this INI file instead of the user's
        settings store; the file must exist.
    -q, --quiet
        Print no progress, no skipped files and no summary, only errors.
    -h, --help
        Print this help and exit.
    --
        End of options (for a path whose name begins with "-").

SETTINGS
    Sections "ShowFields" and "Rules" are read from the user's settings store (the one
    the window keeps) or from the --settings file. When no rules are stored, the
    default drive-finding rules are used. The settings are only read, never written.

OUTPUT AND ERRORS
    Logs are opened read-only and read once. Progress goes to standard error: on a
    terminal a line redrawn in place (with several logs: "File 3 of 8, 45%: PATH", the
    share of that log's bytes read); otherwise only the summary at the end. With several
    logs the last line counts the logs read and failed, the files skipped and the rows
    written (column rows not counted). Messages and errors go to standard error too, so
    "-o -" leaves standard output to the table.

    Paths are used exactly as given. Nothing is deleted or written before the logs, the
    outputs and the settings have been checked. A log that fails part way keeps the rows
    written so far, its failure is named on standard error with the log's path, and the
    run goes on with the next log.

EXIT STATUS
    0    the output was written
    1    an error occurred while processing a log (each one is named), a log changed
         while it was read, or the output could not be written; the rows written are
         kept
    2    usage error (no log given, unknown option, unknown format, encoding or time
         zone), or a refused input or output: log not found, unreadable or not a
         setupapi.log file, a folder with no log, output is a log (also as standard
         output), output is a folder where a file is needed, output exists without
         --force or cannot be deleted, several logs in the xls format without
         -o FOLDER, settings file unreadable or its rules unusable
    129, 130, 143
         stopped by SIGHUP, SIGINT or SIGTERM: the output holds whole rows but is
         incomplete; the message counts the rows written
)";
}

}  // namespace tillery::cli
