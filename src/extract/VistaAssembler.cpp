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
    // Lines before the first event carry the header's date and no Instance.
    m_line.date = headDate;
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
            rows.lineRow(viewOf(m_line), 0, TimeKind::VistaBootSession, sourceLine);
        }
        return true;
    }

    ++m_lineNumber;
    m_line.full.assign(raw);
    clearLineValues(m_line);
    NameRule nameRule = NameRule::None;
    switch (kind) {
    case LineKind::Start:
        m_line.type = "Informational";
        m_line.code = ">>>";
        break;
    case LineKind::End:
    case LineKind::Exit:
        m_line.type = "Informational";
        m_line.code = "<<<";
        break;
    case LineKind::Body:
        nameRule = vista::readBodyLine(raw, m_line);
        break;
    default:
        break;
    }

    // After its end line a section still takes its exit line; any other line seals it.
    bool member = m_state == State::Open;
    if (m_state == State::AwaitsExit) {
        member = kind == LineKind::Exit;
        if (!member) {
            m_state = State::Sealed;
        }
    }
    bool givesText = false;  // the line becomes the event's Full Text
    if (member) {
        if (kind == LineKind::Start && !m_dated) {
            m_dated = true;
            const std::string_view date = vista::dateTimeText(raw);
            if (!date.empty()) {
                m_event.date.assign(date);
                m_line.date = m_event.date;
            }
        }
        takeValues(nameRule);
        if (kind != LineKind::Empty) {
            m_eventLine = m_lineNumber;
            givesText = true;
        }
        if (kind == LineKind::End) {
            m_state = State::AwaitsExit;
        } else if (kind == LineKind::Exit) {
            m_state = State::Sealed;
        }
    }

    writeHeldTitle(rows);
    if (rows.wantsLines()) {
        rows.lineRow(viewOf(m_line), m_lineNumber, lineTime(), sourceLine);
    }
    if (givesText) {
        // The line's row is written: its text moves into the event rather than being
        // copied (a line may be very long). The next line sets the line's text anew.
        m_event.full.swap(m_line.full);
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
    m_event = Record{};
    m_event.full.assign(raw);

    m_line.full.assign(raw);
    clearLineValues(m_line);
    if (section) {
        const vista::TitleFields title = vista::parseTitle(raw);
        m_event.instance.assign(title.instance);
        m_event.device.assign(title.device);
        m_event.sig = title.signature;
        m_event.path.assign(title.path);
        m_state = State::Open;
    } else {
        m_event.instance = "Boot Session";
        m_event.date.assign(vista::dateTimeText(raw));
        m_state = State::Sealed;
    }
    m_line.date = m_event.date;
    m_line.instance = m_event.instance;
    m_line.device = m_event.device;
    m_line.sig = m_event.sig;
    m_line.path = m_event.path;

    if (section) {
        // Written with the next line, once the start line has dated the section.
        m_held = m_line;
        m_heldSource = sourceLine;
        m_holding = true;
    }
}

void VistaAssembler::takeValues(NameRule nameRule)
{
    // A chosen driver's Description names the event for good; until one is seen, the
    // last candidate's DevDesc does. Empty values change nothing.
    if (!m_line.name.empty() && !m_described) {
        if (nameRule == NameRule::Description) {
            m_event.name = m_line.name;
            m_described = true;
        } else if (nameRule == NameRule::DevDesc) {
            m_event.name = m_line.name;
        }
    }
    if (!m_line.guid.empty()) {
        m_event.guid = m_line.guid;
    }
    if (m_event.path.empty() && !m_line.path.empty()) {
        m_event.path = m_line.path;
    }
}

void VistaAssembler::writeHeldTitle(AssembledRows& rows)
{
    if (!m_holding) {
        return;
    }
    m_holding = false;
    if (rows.wantsLines()) {
        m_held.date = m_event.date;
        rows.lineRow(viewOf(m_held), 0, TimeKind::VistaSection, m_heldSource);
    }
}

void VistaAssembler::closeEvent(AssembledRows& rows)
{
    rows.eventClosed();
    if (!rows.wantsEvents()) {
        return;
    }
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
