#pragma once

#include "core/Record.h"
#include "extract/Layout.h"
#include "extract/RecordSink.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tillery {

class LineReader;
class MainWindowOps;

// Where an assembler hands its rows. The run decides by the extraction type selected at
// that moment whether a row is written: line rows in Full; event rows in Summary, and
// in Rule based when they pass the rules (after the layout's device tidy).
class AssembledRows {
public:
    virtual ~AssembledRows() = default;
    // Whether line rows / event rows would be written now; an assembler may skip building
    // a row that would not be.
    virtual bool wantsLines() const = 0;
    virtual bool wantsEvents() const = 0;
    // The row of one log line, `lineNumber` becoming its Line field. Written before the
    // call returns: the views need to hold only that long.
    virtual void lineRow(const RecordView& line, std::int64_t lineNumber, TimeKind time,
                         std::int64_t sourceLine) = 0;
    // Every event the assembler closes, whether or not a row is written for it.
    virtual void eventClosed() = 0;
    // A closed event, complete but for the rules and the tidy.
    virtual void eventRow(Record& event, TimeKind time, std::int64_t sourceLine) = 0;
};

// One layout's part of a run: it skips the head of the log, turns each line into its line
// record, groups lines into events and closes them. The run drives it and owns the files,
// the counters, the progress, the rules and the writing.
class EventAssembler {
public:
    virtual ~EventAssembler() = default;

    // The header record that Full output begins with (Line "0").
    virtual Record headerRecord() const = 0;
    // Reads and discards the head lines the run does not show; returns how many it read.
    virtual std::int64_t skipHead(LineReader& log) = 0;
    // One line read by the run; `sourceLine` is its place in the file, counted from 1.
    // Returns whether the line opened an event (the run counts events).
    virtual bool line(std::string_view raw, std::int64_t sourceLine, AssembledRows& rows) = 0;
    // The end of the log: the last event is closed.
    virtual void finish(AssembledRows& rows) = 0;
    // The Rule based device tidy of this layout. Reads nothing of the assembler: the run
    // calls it on the thread that writes event rows while lines are still being read.
    virtual std::string tidyDevice(std::string_view device, std::string_view signature) const = 0;
};

// The header record: `fullText`, the header's date, Line "0", Type "Header", Code "H".
Record headerRecordOf(std::string fullText, const std::string& headDate);

// Empties the values a line gets from its text (Type, Code, Path, Device, GUID, Name,
// Signature), keeping Full Text, Date Time, Instance and Line.
void clearLineValues(Record& line);

// The assembler of a layout, for a log whose controller found these head values.
std::unique_ptr<EventAssembler> makeAssembler(Layout layout, MainWindowOps& ops,
                                              const std::string& headDate,
                                              const std::string& header, std::int64_t headCount);

}  // namespace tillery
