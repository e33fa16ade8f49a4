#include "app/CliOptions.h"

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
    bool haveLog = false;
    bool optionsEnded = false;

    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string_view argument = arguments[i];
        const bool isOption = !optionsEnded && argument.size() > 1 && argument.front() == '-';
        if (!isOption) {
            if (haveLog) {
                return failure(std::string(text::kExtraArgument) + std::string(argument));
            }
            options.logPath = argument;
            haveLog = true;
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
        const bool takesValue =
            name == "--type" || name == "-o" || name == "--output" || name == "--settings";
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
            const auto type = typeFromName(value);
            if (!type) {
                return failure(std::string(text::kBadType) + std::string(value));
            }
            options.type = *type;
        } else if (name == "-o" || name == "--output") {
            options.outputPath = std::string(value);
        } else {
            options.settingsPath = std::string(value);
        }
    }

    if (!haveLog) {
        return failure(std::string(text::kMissingLog));
    }
    return parsed;
}

std::string helpText()
{
    return R"(Usage: tillery-cli [OPTIONS] LOG

Reads a Windows device-installation log and writes its events as a TAB-separated
table, rows ending in CR LF, the first row holding the column names. The table is the
same, byte for byte, as the one the Tillery window writes for the same log, settings
and extraction type.

Layouts read, told apart by the log's first line (never by its file name):
  Windows XP       setupapi.log, first line "[SetupAPI Log]"
  Windows 2000     setupapi.log, first line "[<date> <time> ...]"
  Vista to 11      setupapi.dev.log (also setupapi.setup.log, setupapi.app.log and
                   their dated copies), first line "[Device Install Log]"

Options:
  --type TYPE        extraction type (default: rules):
                       full     one row per log line
                       summary  one row per logged event
                       rules    one row per event that meets the stored rules
                                (by default: the storage devices ever installed)
  -o, --output FILE  write the table to FILE (default: LOG followed by ".xls");
                     "-" writes it to standard output
  -f, --force        replace an existing output file (otherwise it is refused)
  --settings FILE    read the shown fields and the rules from this INI file instead
                     of the user's settings store; the file must exist
  -q, --quiet        print no progress and no summary, only errors
  -h, --help         print this help and exit
  --                 end of options (for a LOG whose name begins with "-")

Settings: sections "ShowFields" and "Rules" are read from the user's settings store
(the one the window keeps) or from the --settings file. When no rules are stored, the
default drive-finding rules are used. The settings are only read, never written.

The log is opened read-only. Progress goes to standard error: redrawn in place on a
terminal, otherwise one summary line at the end. Messages and errors go to standard
error too, so "-o -" leaves standard output to the table alone.

Paths are used exactly as given. Nothing is deleted or written before the log, the
output and the settings have been checked.

Exit status:
  0  the table was written
  1  an error occurred while processing the log, or the log changed while it was read;
     the rows written are kept
  2  usage error, or a refused input or output: no log given, unknown option, log not
     found, unreadable or not a setupapi.log file, output is the log itself (also as
     standard output), output is a folder, output exists without --force or cannot be
     deleted, settings file unreadable or its rules unusable
  129, 130, 143  stopped by SIGHUP, SIGINT or SIGTERM: the table holds whole rows but
     is incomplete
)";
}

}  // namespace tillery::cli
