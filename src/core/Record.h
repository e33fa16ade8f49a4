#pragma once

#include <string>
#include <string_view>

namespace tillery {

// The eleven values of one line or one event. Values are the log's bytes, unchanged.
// Member order follows the record parameter order used by fFormatOutput and
// fProcessRules (Full Text, Date Time, Instance, Line, Type, Code, Path, Device, GUID,
// Name, Signature), not the catalogue order of the output columns.
template <typename Text>
struct BasicRecord {
    Text full;      // Full Text
    Text date;      // Date Time
    Text instance;  // Instance
    Text line;      // Line
    Text type;      // Type
    Text code;      // Code
    Text path;      // Path
    Text device;    // Device
    Text guid;      // GUID
    Text name;      // Name
    Text sig;       // Signature

    bool operator==(const BasicRecord&) const = default;
};

// A record that owns its values: an event, the header and column records, and whatever
// outlives the log line it was read from.
using Record = BasicRecord<std::string>;

// A record of views, for the row of one log line: it is written before the next line is
// read, so its values may point into the line itself, into constant texts, or into
// strings the assembler keeps; whoever makes one says what its views point into. Valid
// only until the assembler takes its next line.
using RecordView = BasicRecord<std::string_view>;

inline RecordView viewOf(const Record& r)
{
    return {r.full, r.date, r.instance, r.line, r.type, r.code,
            r.path, r.device, r.guid, r.name, r.sig};
}

inline Record ownedRecord(const RecordView& r)
{
    return {std::string(r.full), std::string(r.date), std::string(r.instance),
            std::string(r.line), std::string(r.type), std::string(r.code),
            std::string(r.path), std::string(r.device), std::string(r.guid),
            std::string(r.name), std::string(r.sig)};
}

}  // namespace tillery
