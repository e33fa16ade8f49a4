#include "export/TimelineSink.h"

#include "core/OutputFormat.h"
#include "export/DeviceId.h"
#include "export/TimelineText.h"

#include <charconv>
#include <iterator>

namespace tillery {

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

void TimelineSink::row(const RecordView& raw, const RowContext& context)
{
    writeHeader();
    if (context.kind == RowKind::Columns) {
        return;
    }
    // The row's values as UTF-8: the log's own bytes where they are UTF-8, else decoded
    // into strings kept from row to row, whose memory then serves every row.
    RecordView record;
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        record.*kColumnMembers<std::string_view>[i] =
            m_options.decoder.utf8View(raw.*kColumnMembers<std::string_view>[i], m_decoded[i]);
    }
    // The lines of an event share its time: it is converted once for them.
    if (record.date != m_timeOf) {
        m_time = m_options.time.convert(record.date);
        m_timeOf.assign(record.date);
    }
    const ConvertedTime& time = m_time;
    RowContext decodedContext = context;
    decodedContext.untidiedDevice = m_options.decoder.utf8View(context.untidiedDevice, m_untidied);
    const DeviceParts parts = rowDeviceParts(record, decodedContext);

    // The cells view the values where they lie, until the row is written.
    m_cells.clear();
    const auto cell = [&](Cell::Kind kind, std::string_view text) { m_cells.push_back({kind, text}); };
    const auto text = [&](std::string_view value) { cell(Cell::Kind::Text, value); };
    const std::string_view message = timelineMessage(record, decodedContext, m_message);
    text(time.datetime);
    text(timestampDescription(context.time));
    text(message);
    for (std::size_t i = 0; i < kFieldCount; ++i) {
        if (fieldSelected(m_options.mask, m_options.ruleBased, i)) {
            text(fieldValue(record, static_cast<Field>(i)));
        }
    }
    // The header record stands for the header block, which begins on line 1.
    const std::int64_t line =
        context.kind == RowKind::Header && context.sourceLine == 0 ? 1 : context.sourceLine;
    text(m_source);
    char digits[24];
    const auto written = std::to_chars(std::begin(digits), std::end(digits), line);
    cell(Cell::Kind::Number, std::string_view(digits, static_cast<std::size_t>(written.ptr - digits)));
    text(time.note);
    for (const std::string* part : {&parts.bus, &parts.vendor, &parts.product, &parts.revision,
                                    &parts.serial}) {
        text(*part);
    }
    if (parts.serial.empty()) {
        cell(Cell::Kind::Null, {});
    } else {
        cell(Cell::Kind::Boolean, parts.serialUnique() ? "true" : "false");
    }
    text(parts.vid);
    text(parts.pid);
    m_writer->row(m_cells);
}

}  // namespace tillery
