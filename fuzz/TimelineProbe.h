#pragma once

// Runs a log (any bytes) of each extraction type into the CSV and the JSON Lines
// timeline, and a Summary run into the device table, and checks what an examiner's tools
// rely on whatever the log holds: valid UTF-8, well-formed CSV and JSON, one record per
// row the run delivered, every record as wide as the column row, and the same values in
// both formats. Shared by the fuzz target and the test that reads every log through it.

#include "NullWindowOps.h"

#include "core/DefaultRules.h"
#include "core/MemorySettingsStore.h"
#include "export/DeviceTable.h"
#include "export/TimelineSink.h"
#include "export/Utf8Text.h"
#include "extract/RunController.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace tillery::fuzz {

// RFC 4180 records, every one ended by CR LF; no value when the text is not well formed
// (a quote inside an unquoted field, text after a closing quote, a quoted field left open,
// a bare CR or LF outside quotes).
inline std::optional<std::vector<std::vector<std::string>>> parseCsv(std::string_view text)
{
    std::vector<std::vector<std::string>> records(1, std::vector<std::string>(1));
    for (std::size_t i = 0; i < text.size();) {
        std::string& field = records.back().back();
        if (text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size()) {
                    return std::nullopt;
                }
                if (text[i] == '"' && (i + 1 >= text.size() || text[i + 1] != '"')) {
                    ++i;
                    break;
                }
                i += text[i] == '"' ? 1 : 0;  // a doubled quote stands for one
                field.push_back(text[i]);
            }
        } else {
            for (; i < text.size() && text[i] != ',' && text[i] != '\r' && text[i] != '\n'; ++i) {
                if (text[i] == '"') {
                    return std::nullopt;
                }
                field.push_back(text[i]);
            }
        }
        if (i >= text.size()) {
            return std::nullopt;  // the last record is not ended
        }
        if (text[i] == ',') {
            records.back().emplace_back();
            ++i;
        } else if (text.substr(i, 2) == "\r\n") {
            i += 2;
            records.emplace_back(1);
        } else {
            return std::nullopt;
        }
    }
    records.pop_back();  // the empty one after the last CR LF
    return records;
}

class TimelineProbe {
public:
    explicit TimelineProbe(std::string logPathUtf8) : m_log(std::move(logPathUtf8)) {}

    // Everything that did not hold for the log at the path; empty when all is well.
    std::vector<std::string> check()
    {
        std::vector<std::string> problems;
        for (const ExtractionType type :
             {ExtractionType::Full, ExtractionType::Summary, ExtractionType::RuleBased}) {
            const std::string what = type == ExtractionType::Full      ? "Full: "
                                     : type == ExtractionType::Summary ? "Summary: "
                                                                       : "Rule based: ";
            std::int64_t csvRows = 0;
            std::int64_t jsonRows = 0;
            const std::string csv = timeline(type, ExportFormat::Csv, csvRows);
            const std::string jsonl = timeline(type, ExportFormat::Jsonl, jsonRows);
            const auto records = parseCsv(csv);
            if (!isValidUtf8(csv) || !isValidUtf8(jsonl)) {
                problems.push_back(what + "a timeline is not valid UTF-8");
            }
            if (!records || records->empty()) {
                problems.push_back(what + "the CSV is not well formed");
                continue;
            }
            if (csvRows != jsonRows || static_cast<std::int64_t>(records->size()) != csvRows + 1) {
                problems.push_back(what + std::to_string(records->size()) + " CSV records for " +
                                   std::to_string(csvRows) + " rows, " + std::to_string(jsonRows) +
                                   " rows in JSON Lines");
                continue;
            }
            compareRecords(what, *records, jsonl, problems);
        }
        std::ostringstream devices;
        DeviceTable table(options(false));
        if (run(ExtractionType::Summary, table)) {
            table.write(devices, ExportFormat::Csv);
            const auto records = parseCsv(devices.str());
            if (!isValidUtf8(devices.str()) || !records ||
                records->size() != table.deviceCount() + 1) {
                problems.push_back("devices: the CSV is not well formed UTF-8, one record a device");
            }
        }
        return problems;
    }

private:
    static ExportOptions options(bool ruleBased)
    {
        return {*TextDecoder::open("windows-1252"), *TimeConversion::fixedOffset("-05:30"), "",
                ruleBased};
    }

    // Counts the rows a run delivers besides its column line.
    struct CountingSink : RecordSink {
        explicit CountingSink(RecordSink& to) : sink(to) {}
        void row(const RecordView& record, const RowContext& context) override
        {
            rows += context.kind == RowKind::Columns ? 0 : 1;
            sink.row(record, context);
        }
        RecordSink& sink;
        std::int64_t rows = 0;
    };

    // A press of Start with the rows sent to `sink`; a log the layout test refuses is
    // run directly, as for a fragment cut out of a log. False when no run took place.
    bool run(ExtractionType type, RecordSink& sink)
    {
        NullWindowOps ops;
        ops.type = type;
        ops.open = m_log;
        MemorySettingsStore store;
        ResetRegistry(store);
        PressOptions press;
        press.sink = &sink;
        const PressResult result = cmdCommand_Click(ops, store, press);
        if (result.outcome == PressOutcome::NotSetupApi) {
            RunOptions direct;
            direct.sink = &sink;
            ProcessSetupApi(ops, store, "?", "fragment", 0, Layout::WindowsXp, direct);
            return true;
        }
        return result.outcome == PressOutcome::Ran;
    }

    std::string timeline(ExtractionType type, ExportFormat format, std::int64_t& rows)
    {
        std::ostringstream out;
        TimelineSink timeline(out, format, options(type == ExtractionType::RuleBased));
        timeline.beginSource(m_log);
        CountingSink counting(timeline);
        run(type, counting);
        timeline.finish();
        m_columns = timeline.columnNames();
        rows = counting.rows;
        return out.str();
    }

    // Each JSON line is an object of the columns, whose values read as the CSV's fields:
    // a string as it stands, null as an empty field, a number or truth value as written.
    void compareRecords(const std::string& what, const std::vector<std::vector<std::string>>& csv,
                        std::string_view jsonl, std::vector<std::string>& problems) const
    {
        if (csv[0] != m_columns) {
            problems.push_back(what + "the CSV's first record is not the column names");
        }
        std::size_t at = 0;
        for (std::size_t r = 1; r < csv.size(); ++r) {
            if (at >= jsonl.size()) {
                problems.push_back(what + "JSON Lines has fewer lines than the CSV has rows");
                return;
            }
            const std::size_t end = jsonl.find('\n', at);
            const auto object = nlohmann::json::parse(jsonl.substr(at, end - at), nullptr, false);
            at = end == std::string_view::npos ? end : end + 1;
            if (csv[r].size() != m_columns.size() || !object.is_object() ||
                object.size() != m_columns.size()) {
                problems.push_back(what + "row " + std::to_string(r) + " is not one value a column");
                return;
            }
            for (std::size_t c = 0; c < m_columns.size(); ++c) {
                const auto value = object.find(m_columns[c]);
                const std::string text = value == object.end() ? "(missing)"
                                         : value->is_string()  ? value->get<std::string>()
                                         : value->is_null()    ? std::string()
                                                               : value->dump();
                if (text != csv[r][c]) {
                    problems.push_back(what + "row " + std::to_string(r) + ", " + m_columns[c] +
                                       ": CSV and JSON Lines differ");
                    return;
                }
            }
        }
        if (at < jsonl.size()) {
            problems.push_back(what + "JSON Lines has more lines than the CSV has rows");
        }
    }

    std::string m_log;
    std::vector<std::string> m_columns;
};

}  // namespace tillery::fuzz
