#include "extract/VistaAssembler.h"

#include "extract/Converters.h"
#include "extract/LineReader.h"
#include "extract/Text.h"

namespace tillery {

using vista::LineKind;
using vista::NameRule;

VistaAssembler::VistaAssembler(const std::string& headDate, const std::string& header,
                               std::int64_t headCount)
    : m_headDate(headDate), m_header(header), m_headCount(headCount)
{
}

Record VistaAssembler::headerRecord() const
{
    return headerRecordOf("[Device Install Log] " + m_header, m_headDate);
}

std::int64_t VistaAssembler::skipHead(LineReader& log)
{
    // The whole header block, "[BeginLog]" included, was read by the controller.
    std::int64_t skipped = 0;
    std::string_view raw;
    while (skipped < m_headCount && log.next(raw)) {
        ++skipped;
    }
    m_lineNumber = m_headCount;
    return skipped;
}

bool VistaAssembler::line(std::string_view raw, std::int64_t sourceLine, AssembledRows& rows)
{
    const LineKind kind = vista::classify(raw);
    if (kind == LineKind::Title || kind == LineKind::Boot) {
        writeHeldTitle(rows);
        if (m_state != State::None) {
            closeEvent(rows);
        }
        openEvent(raw, kind == LineKind::Title, sourceLine);
        if (kind == LineKind::Boot && rows.wantsLines()) {
            // The boot line's row carries its event's values.
            RecordView row;
            row.full = raw;
            row.date = m_event.date;
            row.instance = m_event.instance;
            rows.lineRow(row, 0, TimeKind::VistaBootSession, sourceLine);
        }
        return true;
    }

    ++m_lineNumber;
    const vista::BodyFields body =
        kind == LineKind::Body ? vista::readBodyLine(raw) : vista::BodyFields{};

    // After its end line a section still takes its exit line; any other line seals it.
    bool member = m_state == State::Open;
    if (m_state == State::AwaitsExit) {
        member = kind == LineKind::Exit;
        if (!member) {
            m_state = State::Sealed;
        }
    }
    if (member && kind == LineKind::Start && !m_dated) {
        m_dated = true;
        const std::string_view date = vista::dateTimeText(raw);
        if (!date.empty()) {
            m_event.date.assign(date);
        }
    }
    // The held title row is the event as its title opened it: written before this line's
    // values reach the event.
    writeHeldTitle(rows);

    if (member) {
        // Most lines give their event none of these values.
        if (!body.name.empty() || !body.guid.empty() || !body.path.empty()) {
            takeValues(body);
        }
        if (kind != LineKind::Empty) {
            m_eventLine = m_lineNumber;
        }
        if (kind == LineKind::End) {
            m_state = State::AwaitsExit;
        } else if (kind == LineKind::Exit) {
            m_state = State::Sealed;
        }
    }

    if (rows.wantsLines()) {
        writeLineRow(raw, kind, body, sourceLine, rows);
    }
    if (member && kind != LineKind::Empty) {
        // The line becomes the event's Full Text (once its row is written, which views it).
        m_fullText.assign(raw);
    }
    return false;
}

void VistaAssembler::finish(AssembledRows& rows)
{
    writeHeldTitle(rows);
    if (m_state != State::None) {
        closeEvent(rows);
    }
}

std::string VistaAssembler::tidyDevice(std::string_view device, std::string_view signature) const
{
    return fTidyDeviceVista(device, signature);
}

void VistaAssembler::openEvent(std::string_view raw, bool section, std::int64_t sourceLine)
{
    m_lineNumber = 0;
    m_eventLine = 0;
    m_eventSource = sourceLine;
    m_boot = !section;
    m_dated = false;
    m_described = false;
    // Emptied field by field: the strings keep their memory from event to event.
    m_fullText.assign(raw);
    m_event.date.clear();
    m_event.line.clear();
    clearLineValues(m_event);
    if (section) {
        const vista::TitleFields title = vista::parseTitle(raw);
        m_event.instance.assign(title.instance);
        m_event.device.assign(title.device);
        m_event.sig = title.signature;
        m_event.path.assign(title.path);
        m_state = State::Open;
        // Written with the next line, once the start line has dated the section.
        m_heldSource = sourceLine;
        m_holding = true;
    } else {
        m_event.instance = "Boot Session";
        m_event.date.assign(vista::dateTimeText(raw));
        m_state = State::Sealed;
    }
}

// Inline, as writeLineRow(): the body line's values reach the event without a record.
inline void VistaAssembler::takeValues(const vista::BodyFields& body)
{
    // A chosen driver's Description names the event for good; until one is seen, the
    // last candidate's DevDesc does. Empty values change nothing.
    if (!body.name.empty() && !m_described) {
        if (body.nameRule == NameRule::Description) {
            m_event.name.assign(body.name);
            m_described = true;
        } else if (body.nameRule == NameRule::DevDesc) {
            m_event.name.assign(body.name);
        }
    }
    if (!body.guid.empty()) {
        m_event.guid.assign(body.guid);
    }
    if (m_event.path.empty() && !body.path.empty()) {
        m_event.path.assign(body.path);
    }
}

void VistaAssembler::writeTitleRow(AssembledRows& rows)
{
    m_holding = false;
    if (rows.wantsLines()) {
        RecordView title;
        title.full = m_fullText.view();
        title.date = m_event.date;
        title.instance = m_event.instance;
        title.device = m_event.device;
        title.sig = m_event.sig;
        title.path = m_event.path;
        rows.lineRow(title, 0, TimeKind::VistaSection, m_heldSource);
    }
}

// Inline: made in place in line(), its one caller, the body line's values go to the row
// without being stored in a record first.
inline void VistaAssembler::writeLineRow(std::string_view raw, LineKind kind,
                                         const vista::BodyFields& body, std::int64_t sourceLine,
                                         AssembledRows& rows)
{
    // The row's values are views into the line, constant texts and the event's strings:
    // it is written before the next line is read. One record serves every line, each
    // field but Line set anew (a record of views made afresh is emptied as one block
    // first, a slow store for every line).
    RecordView& row = m_lineRow;
    row.full = raw;
    // Lines before the first event carry the header's date and no Instance.
    const bool inEvent = m_state != State::None;
    row.date = inEvent ? std::string_view(m_event.date) : std::string_view(m_headDate);
    row.instance = inEvent ? std::string_view(m_event.instance) : std::string_view();
    row.type = body.type;
    row.code = body.code;
    row.path = body.path;
    row.device = {};
    row.guid = body.guid;
    row.name = body.name;
    row.sig = {};
    switch (kind) {
    case LineKind::Start:
        row.type = "Informational";
        row.code = ">>>";
        break;
    case LineKind::End:
    case LineKind::Exit:
        row.type = "Informational";
        row.code = "<<<";
        break;
    case LineKind::Body:
        row.device = vista::bodyDevice(body.message);
        if (!row.device.empty()) {
            m_lineSignature = vista::embeddedDeviceId(row.device);
            row.sig = m_lineSignature;
        }
        break;
    default:
        break;
    }
    rows.lineRow(row, m_lineNumber, lineTime(), sourceLine);
}

void VistaAssembler::closeEvent(AssembledRows& rows)
{
    rows.eventClosed();
    if (!rows.wantsEvents()) {
        return;
    }
    m_event.full.assign(m_fullText.view());
    assignNumber(m_event.line, m_eventLine);
    m_event.type = "Summary";
    m_event.code = "S";
    rows.eventRow(m_event, m_boot ? TimeKind::VistaBootSession : TimeKind::VistaSection,
                  m_eventSource);
}

TimeKind VistaAssembler::lineTime() const
{
    if (m_state == State::None) {
        return TimeKind::LogHeader;
    }
    return m_boot ? TimeKind::VistaBootSession : TimeKind::VistaSection;
}

}  // namespace tillery
