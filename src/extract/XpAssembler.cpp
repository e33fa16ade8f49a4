#include "extract/XpAssembler.h"

#include "extract/Converters.h"
#include "extract/LineReader.h"
#include "extract/MessageCodes.h"
#include "extract/Text.h"

namespace tillery {
namespace {

// Type and Code of every event row.
constexpr std::string_view kEventType = "Summary";
constexpr std::string_view kEventCode = "S";

// Codes whose line becomes the event's Full Text when the event has none yet.
bool isEventTextCode(std::string_view code)
{
    switch (codeKey(code)) {
    case codeKey("142"):
    case codeKey("022"):
    case codeKey("121"):
    case codeKey("144"):
    case codeKey("289"):
    case codeKey("125"):
        return true;
    default:
        return false;
    }
}

}  // namespace

XpAssembler::XpAssembler(Layout layout, MainWindowOps& ops, const std::string& headDate,
                         const std::string& header, std::int64_t headCount)
    : m_ops(ops),
      m_sectionTime(layout == Layout::Windows2000 ? TimeKind::Win2000Section : TimeKind::XpSection),
      m_headDate(headDate),
      m_header(header),
      m_headCount(headCount)
{
    m_event.date = headDate;
    m_event.type = kEventType;
    m_event.code = kEventCode;
}

Record XpAssembler::headerRecord() const
{
    return headerRecordOf("[SetupAPI Log] " + m_header, m_headDate);
}

std::int64_t XpAssembler::skipHead(LineReader& log)
{
    // The header block was read by the controller; its last line is read by the loop.
    std::string_view raw;
    for (std::int64_t skip = 1; skip < m_headCount && log.next(raw); ++skip) {
        m_lastSkipped.assign(raw);
        ++m_skipped;
    }
    m_lineNumber = m_headCount < 1 ? 1 : m_headCount;
    return m_skipped;
}

// The two steps of an entry line are inline: they run on every line, and called apart
// they cost more in passing their state than in their work.
inline void XpAssembler::handleEntryLine(std::string_view raw)
{
    ++m_lineNumber;

    // An "@" line carries a time stamp before its "#" marker: the marker on is handled.
    std::string_view text = raw;
    m_cutOffset = 0;
    const char first = raw.empty() ? '\0' : raw.front();
    if (first == '@') {
        const auto hash = raw.find('#');
        if (hash != std::string_view::npos) {
            m_cutOffset = hash;
            text = raw.substr(hash);
        }
    }
    std::string_view message;
    if (first == '@' || first == '#') {
        m_marked = true;  // its Type is named from the marker only when a row shows it
        m_code = piece(text, 3, 3);
        message = pieceToEnd(text, 6);
    } else {
        m_type = "Win2K";
        m_code = "2K";
        message = raw;
    }
    extractMessageCodes(m_code, message, m_values, m_event);
}

inline void XpAssembler::takeLineValues(std::string_view raw)
{
    // The line's row is written: the event keeps the values the line gave, copied out of
    // the line before the next one is read. Each is emptied as it is taken: the next line
    // starts from empty values without a reset of all five.
    if (m_event.full.empty() && isEventTextCode(m_code)) {
        m_event.full.assign(raw.substr(m_cutOffset));  // the handled text: from the "#" marker on
    }
    const auto keep = [](std::string& kept, std::string_view& value) {
        if (!value.empty()) {
            kept.assign(value);
            value = {};
        }
    };
    keep(m_event.guid, m_values.guid);
    keep(m_event.device, m_values.device);
    keep(m_event.path, m_values.path);
    keep(m_event.name, m_values.name);
    keep(m_event.sig, m_values.sig);
}

bool XpAssembler::line(std::string_view raw, std::int64_t sourceLine, AssembledRows& rows)
{
    ++m_linesRead;
    if (m_linesRead == 1) {
        m_eventSource = sourceLine;  // the header part's event starts here
    }
    m_marked = false;
    m_type = {};
    m_code = {};

    const bool opens = !raw.empty() && raw.front() == '[';
    if (opens) {
        if (m_linesRead != 1) {
            // An event without text of its own takes its last line's, from the copy kept.
            if (m_event.full.empty()) {
                m_event.full.assign(m_lastText.view());
            }
            closeEvent({}, rows);
        }
        openSection(raw);
        m_time = m_sectionTime;
        m_eventSource = sourceLine;
    } else {
        handleEntryLine(raw);
    }
    if (rows.wantsLines()) {
        RecordView row;
        row.full = raw;
        row.date = m_event.date;
        row.instance = m_event.instance;
        row.type = m_marked ? fConvertMessageType(piece(raw.substr(m_cutOffset), 2, 1)) : m_type;
        row.code = m_code;
        row.path = m_values.path;
        row.device = m_values.device;
        row.guid = m_values.guid;
        row.name = m_values.name;
        row.sig = m_values.sig;
        rows.lineRow(row, m_lineNumber, m_time, sourceLine);
    }
    if (!opens) {
        takeLineValues(raw);
    }
    // An event that has no text of its own takes that of its last line: it is kept until
    // the next line shows whether the event ends.
    if (m_event.full.empty()) {
        m_lastText.assign(raw);
    }
    return opens;
}

void XpAssembler::finish(AssembledRows& rows)
{
    if (m_linesRead > 0) {
        // The last line's handled text; the line's text may have gone to the event, which
        // then needs no fallback.
        closeEvent(pieceToEnd(m_lastText.view(), static_cast<Pos>(m_cutOffset) + 1), rows);
    } else {
        m_eventSource = m_skipped;
        closeEvent(m_lastSkipped, rows);
    }
}

std::string XpAssembler::tidyDevice(std::string_view device, std::string_view signature) const
{
    return fTidyDevice(device, signature);
}

void XpAssembler::openSection(std::string_view raw)
{
    m_event.date.assign(fExtractDate(m_ops, raw));
    const Pos dateLength = textLength(m_event.date);
    m_event.instance.assign(piece(raw, dateLength + 2, textLength(raw) - dateLength - 2));
    m_lineNumber = 0;
    m_cutOffset = 0;
    m_event.full.clear();
    m_event.path.clear();
    m_event.device.clear();
    m_event.guid.clear();
    m_event.name.clear();
    m_event.sig.clear();
}

void XpAssembler::closeEvent(std::string_view fallback, AssembledRows& rows)
{
    rows.eventClosed();
    if (m_event.full.empty()) {
        m_event.full.assign(fallback);
    }
    if (!rows.wantsEvents()) {
        return;
    }
    // The event is written as it stands: the next section sets all of its values again.
    // Type and Code are the same for every event; they are set again only if the run took
    // them out of the record.
    assignNumber(m_event.line, m_lineNumber);
    if (m_event.type != kEventType || m_event.code != kEventCode) {
        m_event.type = kEventType;
        m_event.code = kEventCode;
    }
    rows.eventRow(m_event, m_time, m_eventSource);
}

}  // namespace tillery
