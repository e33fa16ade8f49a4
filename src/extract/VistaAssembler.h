#pragma once

#include "extract/EventAssembler.h"
#include "extract/Text.h"
#include "extract/VistaLines.h"


namespace tillery {

// Events of the Vista-and-later setupapi.dev.log. A section runs from its title line to
// its exit line (or its end line, when no exit line follows); a boot-session line is an
// event of its own. Lines between events belong to none: they appear in Full only, with
// the Date Time and Instance of the event before them. A title's row is held back until
// the next line, so that it carries the date of the section's start line.
class VistaAssembler final : public EventAssembler {
public:
    VistaAssembler(const std::string& headDate, const std::string& header, std::int64_t headCount);

    Record headerRecord() const override;
    std::int64_t skipHead(LineReader& log) override;
    bool line(std::string_view raw, std::int64_t sourceLine, AssembledRows& rows) override;
    void finish(AssembledRows& rows) override;
    std::string tidyDevice(std::string_view device, std::string_view signature) const override;

private:
    enum class State {
        None,        // no event yet
        Open,        // a section taking its lines
        AwaitsExit,  // a section after its end line: only an exit line still belongs to it
        Sealed,      // takes no more lines (boot events at once)
    };

    void openEvent(std::string_view raw, bool section, std::int64_t sourceLine);
    void takeValues(const vista::BodyFields& body);
    // Writes the title row held back, if one is (asked with every line, so the test is
    // made in place).
    void writeHeldTitle(AssembledRows& rows)
    {
        if (m_holding) {
            writeTitleRow(rows);
        }
    }
    void writeTitleRow(AssembledRows& rows);
    void writeLineRow(std::string_view raw, vista::LineKind kind, const vista::BodyFields& body,
                      std::int64_t sourceLine, AssembledRows& rows);
    void closeEvent(AssembledRows& rows);
    TimeKind lineTime() const;

    std::string m_headDate;
    std::string m_header;
    std::int64_t m_headCount;
    std::int64_t m_lineNumber = 0;
    State m_state = State::None;
    bool m_boot = false;             // the current event is a boot session
    bool m_dated = false;            // the section's first start line has been read
    bool m_described = false;        // a chosen driver's Description named the event
    std::int64_t m_eventLine = 0;    // line number of the event's last non-empty member
    std::int64_t m_eventSource = 0;  // the file line that opened the event
    bool m_holding = false;          // a title row waits for the next line
    std::int64_t m_heldSource = 0;
    // The current event's values (Full Text, Line, Type and Code set at its close). Until
    // the line after its title is read, they are also the title's row.
    Record m_event;
    // The event's last non-empty member line: every member line is kept, and only the
    // last becomes its Full Text.
    LineCopy m_fullText;
    RecordView m_lineRow;         // the row of the line being written (Line left empty)
    std::string m_lineSignature;  // its Signature
};

}  // namespace tillery
