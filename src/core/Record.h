#pragma once

#include <string>

namespace tillery {

// The eleven values of one line or one event. Values are the log's bytes, unchanged.
// Member order follows the record parameter order used by fFormatOutput and
// fProcessRules (Full Text, Date Time, Instance, Line, Type, Code, Path, Device, GUID,
// Name, Signature), not the catalogue order of the output columns.
struct Record {
    std::string full;      // Full Text
    std::string date;      // Date Time
    std::string instance;  // Instance
    std::string line;      // Line
    std::string type;      // Type
    std::string code;      // Code
    std::string path;      // Path
    std::string device;    // Device
    std::string guid;      // GUID
    std::string name;      // Name
    std::string sig;       // Signature

    bool operator==(const Record&) const = default;
};

}  // namespace tillery
