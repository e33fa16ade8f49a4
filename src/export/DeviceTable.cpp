#include "export/DeviceTable.h"

#include <algorithm>
#include <cctype>

namespace tillery {

namespace {

std::string folded(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

bool earlier(const std::optional<std::chrono::sys_seconds>& a, std::int64_t arrivalA,
             const std::optional<std::chrono::sys_seconds>& b, std::int64_t arrivalB)
{
    if (a && b && *a != *b) {
        return *a < *b;
    }
    if (a.has_value() != b.has_value()) {
        return a.has_value();  // dated devices before undated ones
    }
    return arrivalA < arrivalB;
}

}  // namespace

DeviceTable::DeviceTable(ExportOptions options) : m_options(std::move(options)) {}

void DeviceTable::beginSource(std::string path)
{
    m_sources.push_back(std::move(path));
}

void DeviceTable::row(const RecordView& record, const RowContext& context)
{
    if (context.kind != RowKind::Event) {
        return;
    }
    const DeviceParts parts = rowDeviceParts(record, context);
    if (parts.empty()) {
        ++m_unidentified;
        return;
    }
    if (m_sources.empty()) {
        m_sources.emplace_back();
    }
    const ConvertedTime time = m_options.time.convert(record.date);
    const Sighting seen{time.sortKey, time.datetime, m_sources.size() - 1, context.sourceLine,
                        m_arrivals++};

    const Key key{parts.bus, folded(parts.vendor), folded(parts.product), folded(parts.serial)};
    auto [it, added] = m_devices.try_emplace(key);
    Device& device = it->second;
    if (added) {
        device.parts = parts;
        device.firstArrived = seen;
        device.device = record.device;
    }
    device.lastArrived = seen;
    ++device.events;
    if (device.name.empty()) {
        device.name = record.name;
    }
    noteDated(device, seen);
}

// A dated sighting moves the first time only when it is earlier, the last time when it is
// as late or later: of events at the same second the first and the last to come stand.
void DeviceTable::noteDated(Device& device, const Sighting& seen)
{
    if (!seen.when) {
        return;
    }
    if (!device.firstDated || *seen.when < *device.firstDated->when) {
        device.firstDated = seen;
    }
    if (!device.lastDated || *seen.when >= *device.lastDated->when) {
        device.lastDated = seen;
    }
}

void DeviceTable::append(const DeviceTable& later)
{
    const std::size_t sourceBase = m_sources.size();
    const std::int64_t arrivalBase = m_arrivals;
    const auto shifted = [&](Sighting seen) {
        seen.source += sourceBase;
        seen.arrival += arrivalBase;
        return seen;
    };
    m_sources.insert(m_sources.end(), later.m_sources.begin(), later.m_sources.end());
    for (const auto& [key, theirs] : later.m_devices) {
        auto [it, added] = m_devices.try_emplace(key, theirs);
        Device& device = it->second;
        if (added) {
            device.firstArrived = shifted(theirs.firstArrived);
            device.lastArrived = shifted(theirs.lastArrived);
            device.firstDated.reset();
            device.lastDated.reset();
        } else {
            device.events += theirs.events;
            device.lastArrived = shifted(theirs.lastArrived);
            if (device.name.empty()) {
                device.name = theirs.name;
            }
        }
        // The earliest and the latest dated events of the later logs decide as the rows
        // themselves would have.
        for (const auto& dated : {theirs.firstDated, theirs.lastDated}) {
            if (dated) {
                noteDated(device, shifted(*dated));
            }
        }
    }
    m_arrivals += later.m_arrivals;
    m_unidentified += later.m_unidentified;
}

void DeviceTable::write(std::ostream& out, ExportFormat format) const
{
    std::vector<const Device*> rows;
    for (const auto& entry : m_devices) {
        rows.push_back(&entry.second);
    }
    std::stable_sort(rows.begin(), rows.end(), [](const Device* a, const Device* b) {
        return earlier(a->first().when, a->first().arrival, b->first().when, b->first().arrival);
    });

    const bool utf8 = format != ExportFormat::Xls;
    const auto text = [&](const std::string& value) {
        return Cell::ofText(utf8 ? m_options.decoder.toUtf8(value) : value);
    };
    const auto source = [&](const Sighting& s) { return text(m_sources.at(s.source)); };

    const std::unique_ptr<TableWriter> writer = TableWriter::create(format, out);
    writer->header({kDeviceColumns.begin(), kDeviceColumns.end()});
    for (const Device* device : rows) {
        const DeviceParts& p = device->parts;
        writer->row({
            text(device->first().datetime),
            text(device->last().datetime),
            Cell::ofNumber(device->events),
            text(device->name),
            text(device->device),
            text(p.bus),
            text(p.vendor),
            text(p.product),
            text(p.revision),
            text(p.serial),
            p.serial.empty() ? Cell::null() : Cell::ofBoolean(p.serialUnique()),
            text(p.vid),
            text(p.pid),
            source(device->first()),
            Cell::ofNumber(device->first().line),
            source(device->last()),
            Cell::ofNumber(device->last().line),
        });
    }
}

}  // namespace tillery
