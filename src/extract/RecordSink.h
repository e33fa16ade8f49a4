#pragma once

#include "core/Record.h"
#include "extract/Layout.h"

#include <cstdint>
#include <string_view>

namespace tillery {

enum class ExtractionType : int;

// What a row of a run stands for.
enum class RowKind {
    Columns,  // the column line
    Header,   // the header record (Full only)
    Line,     // one log line (Full only)
    Event,    // one closed event (Summary, and Rule based when it passes the rules)
};

// What the row's Date Time is the time of, for timelines.
enum class TimeKind {
    None,              // no time (the column line)
    LogHeader,         // the date of the log's header block
    XpSection,         // an XP device-install section header
    Win2000Section,    // a Windows 2000 section header
    VistaSection,      // a Vista+ section's start line
    VistaBootSession,  // a Vista+ boot-session line
};

struct RowContext {
    Layout layout = Layout::WindowsXp;
    RowKind kind = RowKind::Line;
    TimeKind time = TimeKind::None;
    // The row's line number in the log file, counted from 1 over every physical line:
    // the line itself for Line rows, the line that opened the event for Event rows, 0
    // for the column line and the header record.
    std::int64_t sourceLine = 0;
    // The field mask the ".xls" row would apply (see appendRow) and the selected type.
    std::string_view mask;
    bool ruleBased = false;
    // An event's Device as the log gave it, before the rules' device tidy, which drops the
    // serial; the same text as the record's Device when no tidy applied. Empty for other rows.
    std::string_view untidiedDevice;
};

// Receives every row of a run, in order, as the record the ".xls" row is formatted
// from (after the rules and the device tidy). A run given a sink writes no ".xls" file.
// The record's views hold only during the call: a line row views the line itself.
class RecordSink {
public:
    virtual ~RecordSink() = default;
    virtual void row(const RecordView& record, const RowContext& context) = 0;
};

}  // namespace tillery
