#pragma once

#include "core/FieldCatalogue.h"
#include "core/Record.h"
#include "export/TableWriter.h"
#include "export/TimeConversion.h"
#include "export/Utf8Text.h"
#include "extract/RecordSink.h"

#include <array>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace tillery {

// How a run's rows become export rows.
struct ExportOptions {
    TextDecoder decoder;        // for log bytes that are not UTF-8
    TimeConversion time;        // local time, or UTC
    std::string mask;           // the field mask of the run ("ShowFields")
    bool ruleBased = false;     // the mask applies only to Rule based runs, as in the ".xls"
};

// The timeline columns that follow the log's fields.
inline constexpr std::array<std::string_view, 11> kTimelineTail = {
    "source", "source_line", "time_note", "bus",    "vendor", "product",
    "revision", "serial",    "serial_unique", "vid", "pid"};

// Writes every row of one or more runs as a CSV or JSON Lines timeline: "datetime",
// "timestamp_desc", "message", the chosen fields in catalogue order, then kTimelineTail.
// Every value is UTF-8 (see TextDecoder). The CSV's first row is the column names; the
// log's column line adds no row, its header record one row (Full only).
class TimelineSink : public RecordSink {
public:
    // With `nameRow` false the rows continue a table whose column row is written elsewhere
    // (the rows of one log among several, written by another thread).
    TimelineSink(std::ostream& out, ExportFormat format, ExportOptions options, bool nameRow = true);

    // The log whose rows follow, by its path as found.
    void beginSource(std::string path);
    void row(const RecordView& record, const RowContext& context) override;
    // Writes the CSV's column row when no row came at all.
    void finish();

    const std::vector<std::string>& columnNames() const { return m_names; }

private:
    void writeHeader();

    std::unique_ptr<TableWriter> m_writer;
    ExportOptions m_options;
    std::vector<std::string> m_names;
    bool m_nameRow = true;
    bool m_headerWritten = false;
    std::string m_source;
    // Kept from row to row: a row's decoded values and cells reuse their memory.
    std::array<std::string, kFieldCount> m_decoded;
    std::string m_untidied;
    std::string m_message;
    // The log time that m_time converts; at first none, whose conversion is all empty.
    std::string m_timeOf;
    ConvertedTime m_time;
    std::vector<CellView> m_cells;
};

}  // namespace tillery
