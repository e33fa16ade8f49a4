#include "extract/EventAssembler.h"

#include "extract/VistaAssembler.h"
#include "extract/XpAssembler.h"

namespace tillery {

Record headerRecordOf(std::string fullText, const std::string& headDate)
{
    Record header;
    header.full = std::move(fullText);
    header.date = headDate;
    header.line = "0";
    header.type = "Header";
    header.code = "H";
    return header;
}

void clearLineValues(Record& line)
{
    line.type.clear();
    line.code.clear();
    line.path.clear();
    line.device.clear();
    line.guid.clear();
    line.name.clear();
    line.sig.clear();
}

std::unique_ptr<EventAssembler> makeAssembler(Layout layout, MainWindowOps& ops,
                                              const std::string& headDate,
                                              const std::string& header, std::int64_t headCount)
{
    switch (layout) {
    case Layout::Vista:
        return std::make_unique<VistaAssembler>(headDate, header, headCount);
    case Layout::WindowsXp:
    case Layout::Windows2000:
        break;
    }
    return std::make_unique<XpAssembler>(layout, ops, headDate, header, headCount);
}

}  // namespace tillery
