#pragma once

#include "export/DeviceId.h"
#include "export/TimelineSink.h"

#include <chrono>
#include <map>
#include <optional>
#include <ostream>
#include <string>
#include <tuple>
#include <vector>

namespace tillery {

// The columns of the device table, in order.
inline constexpr std::array<std::string_view, 17> kDeviceColumns = {
    "first_seen", "last_seen", "events",  "Name",   "Device",           "bus",
    "vendor",     "product",   "revision", "serial", "serial_unique",   "vid",
    "pid",        "first_source", "first_source_line", "last_source", "last_source_line"};

// One row per distinct device over the events of all runs fed to it: the devices the
// rules selected. A device is its identifier's bus, vendor, product and serial, compared
// ignoring ASCII case, so a Vista portable-device node and the disk it embeds are one
// device. Events that name no identifier are counted, not listed. Rows are sorted by the
// first time the device was seen; events without a readable time count, but set neither
// time unless a device has no dated event at all (then its first and last events in the
// order they came stand in, with empty times).
class DeviceTable : public RecordSink {
public:
    explicit DeviceTable(ExportOptions options);

    void beginSource(std::string path);
    // Takes Event rows; every other row is ignored. A device is known by its identifier as
    // the log gave it (the context's untidied Device), and shown with the Device of its
    // first event as the run delivered it (tidied when the rules' tidy flag is on).
    void row(const RecordView& record, const RowContext& context) override;
    // Adds the sources and devices of a table fed from later logs: the result is the table
    // that would have taken all rows of both, this table's first.
    void append(const DeviceTable& later);

    // The table in one format: the ".xls" keeps the log's bytes (TAB-separated, CR LF,
    // column names first); CSV and JSON Lines are UTF-8.
    void write(std::ostream& out, ExportFormat format) const;

    std::size_t deviceCount() const { return m_devices.size(); }
    std::int64_t unidentifiedEvents() const { return m_unidentified; }

private:
    struct Sighting {
        std::optional<std::chrono::sys_seconds> when;
        std::string datetime;
        std::size_t source = 0;  // index into m_sources
        std::int64_t line = 0;
        std::int64_t arrival = 0;
    };
    struct Device {
        DeviceParts parts;
        std::string name;
        std::string device;
        std::int64_t events = 0;
        Sighting firstArrived;
        Sighting lastArrived;
        std::optional<Sighting> firstDated;
        std::optional<Sighting> lastDated;
        const Sighting& first() const { return firstDated ? *firstDated : firstArrived; }
        const Sighting& last() const { return lastDated ? *lastDated : lastArrived; }
    };
    using Key = std::tuple<std::string, std::string, std::string, std::string>;

    static void noteDated(Device& device, const Sighting& seen);

    ExportOptions m_options;
    std::vector<std::string> m_sources;
    std::map<Key, Device> m_devices;
    std::int64_t m_arrivals = 0;
    std::int64_t m_unidentified = 0;
};

}  // namespace tillery
