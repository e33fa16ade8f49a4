#pragma once

#include "extract/EventAssembler.h"
#include "extract/MessageCodes.h"
#include "extract/Text.h"

#include <string_view>

namespace tillery {

// Events of the Windows XP and Windows 2000 setupapi.log: a line that begins with "["
// opens a section, every other line is an entry of it whose message codes give its
// fields; the event keeps the last value of each field that any of its lines gave.
class XpAssembler final : public EventAssembler {
public:
    XpAssembler(Layout layout, MainWindowOps& ops, const std::string& headDate,
                const std::string& header, std::int64_t headCount);

    Record headerRecord() const override;
    std::int64_t skipHead(LineReader& log) override;
    bool line(std::string_view raw, std::int64_t sourceLine, AssembledRows& rows) override;
    void finish(AssembledRows& rows) override;
    std::string tidyDevice(std::string_view device, std::string_view signature) const override;

private:
    void openSection(std::string_view raw);
    void handleEntryLine(std::string_view raw);
    void takeLineValues(std::string_view raw);
    void closeEvent(std::string_view fallback, AssembledRows& rows);

    MainWindowOps& m_ops;
    TimeKind m_sectionTime;
    std::string m_headDate;
    std::string m_header;
    std::int64_t m_headCount;
    std::int64_t m_lineNumber = 0;
    std::int64_t m_linesRead = 0;       // lines read by the extraction loop
    std::int64_t m_skipped = 0;         // head lines skipped before it
    std::string m_lastSkipped;          // the event text of a log that has no line after its head
    std::size_t m_cutOffset = 0;        // where the handled text of the last entry line starts
    TimeKind m_time = TimeKind::LogHeader;  // what the current event's Date Time is
    std::int64_t m_eventSource = 0;     // the file line that opened the current event
    // The current line's Type and Code (constant texts or views of the line) and its values:
    // its row is written from views of these and of the line.
    std::string_view m_type;  // of an unmarked line; a marked line's is named from its marker
    bool m_marked = false;    // whether the current line is a marked entry line
    std::string_view m_code;
    LineValues m_values;
    LineCopy m_lastText;  // the last line, while the event has no Full Text of its own
    // The current event, written as its row when it closes: the section's Date Time and
    // Instance (line rows show them too), the values its lines gave, Type "Summary", Code "S".
    Record m_event;
};

}  // namespace tillery
