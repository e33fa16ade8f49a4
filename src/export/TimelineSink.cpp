#include "export/TimelineSink.h"

#include "core/OutputFormat.h"
#include "export/DeviceId.h"
#include "export/TimelineText.h"

namespace tillery {

namespace {

Record decoded(const Record& r, const TextDecoder& decoder)
{
    const auto d = [&](const std::string& value) { return decoder.toUtf8(value); };
    return {d(r.full), d(r.date), d(r.instance), d(r.line),   d(r.type), d(r.code),
            d(r.path), d(r.device), d(r.guid),  d(r.name), d(r.sig)};
}

}  // namespace

TimelineSink::TimelineSink(std::ostream& out, ExportFormat format, ExportOptions options,
                           bool nameRow)
    : m_writer(TableWriter::create(format, out)), m_options(std::move(options)), m_nameRow(nameRow)
{
    m_names = {"datetime", "timestamp_desc", "message"};
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (fieldSelected(m_options.mask, m_options.ruleBased, i)) {
            m_names.emplace_back(kFieldNames[i]);
        }
    }
    m_names.insert(m_names.end(), kTimelineTail.begin(), kTimelineTail.end());
}

void TimelineSink::beginSource(std::string path)
{
    m_source = m_options.decoder.toUtf8(path);
}

void TimelineSink::writeHeader()
{
    if (!m_headerWritten) {
        if (m_nameRow) {
            m_writer->header(m_names);
        } else {
            m_writer->continueTable(m_names);
        }
        m_headerWritten = true;
    }
}

void TimelineSink::finish()
{
    writeHeader();
}

void TimelineSink::row(const Record& raw, const RowContext& context)
{
    writeHeader();
    if (context.kind == RowKind::Columns) {
        return;
    }
    const Record record = decoded(raw, m_options.decoder);
    const ConvertedTime time = m_options.time.convert(record.date);
    const std::string untidied = m_options.decoder.toUtf8(context.untidiedDevice);
    RowContext decodedContext = context;
    decodedContext.untidiedDevice = untidied;
    const DeviceParts parts = rowDeviceParts(record, decodedContext);

    std::vector<Cell> cells;
    cells.reserve(m_names.size());
    cells.push_back(Cell::ofText(time.datetime));
    cells.push_back(Cell::ofText(std::string(timestampDescription(context.time))));
    cells.push_back(Cell::ofText(timelineMessage(record, decodedContext)));
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (fieldSelected(m_options.mask, m_options.ruleBased, i)) {
            cells.push_back(Cell::ofText(std::string(fieldValue(record, static_cast<Field>(i)))));
        }
    }
    // The header record stands for the header block, which begins on line 1.
    const std::int64_t line =
        context.kind == RowKind::Header && context.sourceLine == 0 ? 1 : context.sourceLine;
    cells.push_back(Cell::ofText(m_source));
    cells.push_back(Cell::ofNumber(line));
    cells.push_back(Cell::ofText(time.note));
    for (const std::string* part : {&parts.bus, &parts.vendor, &parts.product, &parts.revision,
                                    &parts.serial}) {
        cells.push_back(Cell::ofText(*part));
    }
    cells.push_back(parts.serial.empty() ? Cell::null() : Cell::ofBoolean(parts.serialUnique()));
    cells.push_back(Cell::ofText(parts.vid));
    cells.push_back(Cell::ofText(parts.pid));
    m_writer->row(cells);
}

}  // namespace tillery
