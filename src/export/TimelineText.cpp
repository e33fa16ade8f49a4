#include "export/TimelineText.h"

#include "extract/RunChecks.h"

namespace tillery {

namespace {

// The description of an XP or 2000 Instance (" 264.1531 Driver Install", or
// " 632.5] Device Install - ..."): without the process and section numbers in front.
std::string_view withoutSectionNumber(std::string_view instance)
{
    std::size_t i = 0;
    while (i < instance.size() && ((instance[i] >= '0' && instance[i] <= '9') || instance[i] == '.')) {
        ++i;
    }
    if (i == 0) {
        return instance;
    }
    if (i < instance.size() && instance[i] == ']') {
        ++i;
    }
    if (i < instance.size() && instance[i] != ' ') {
        return instance;  // a word that begins with digits, not a section number
    }
    return instance.substr(i);
}

// Where a date-time written after a title's identifier begins (" 2023/04/15 14:23:12.330"),
// or npos.
std::size_t titleTimeAt(std::string_view text)
{
    for (std::size_t blank = text.find(' '); blank != std::string_view::npos;
         blank = text.find(' ', blank + 1)) {
        const std::string_view rest = text.substr(blank + 1);
        bool date = rest.size() >= 10 && rest[4] == '/' && rest[7] == '/';
        for (const std::size_t i : {0, 1, 2, 3, 5, 6, 8, 9}) {
            date = date && rest[i] >= '0' && rest[i] <= '9';
        }
        if (date) {
            return blank;
        }
    }
    return std::string_view::npos;
}

// The message of an event row.
std::string eventMessage(const RecordView& record, const RowContext& context)
{
    const std::string fullText = trimBlanks(record.full);
    std::string what = trimBlanks(record.instance);
    if (context.layout != Layout::Vista) {
        what = trimBlanks(withoutSectionNumber(what));
    }
    std::string named;
    if (const auto dash = what.find(" - "); dash != std::string::npos) {
        named = trimBlanks(std::string_view(what).substr(dash + 3));
        what.erase(dash);
        if (const auto time = titleTimeAt(named); time != std::string::npos) {
            named.erase(time);
        }
    }
    // The identifier as the log gave it: the rules' tidy drops the serial.
    std::string subject = trimBlanks(context.untidiedDevice.empty() ? std::string_view(record.device)
                                                                    : context.untidiedDevice);
    if (subject.empty()) {
        subject = named;
    }
    const std::string name = trimBlanks(record.name);
    if (!name.empty()) {
        subject = subject.empty() ? name : subject + " (" + name + ")";
    }
    if (what.empty() && subject.empty()) {
        return fullText;
    }
    if (what.empty() || subject.empty()) {
        return what.empty() ? subject : what;
    }
    return what + ": " + subject;
}

}  // namespace

std::string_view timestampDescription(TimeKind time)
{
    switch (time) {
    case TimeKind::None: return "";
    case TimeKind::LogHeader: return "Log header";
    case TimeKind::XpSection: return "Device install section";
    case TimeKind::Win2000Section: return "Setup section";
    case TimeKind::VistaSection: return "Section start";
    case TimeKind::VistaBootSession: return "Boot session";
    }
    return "";
}

std::string_view timelineMessage(const RecordView& record, const RowContext& context,
                                 std::string& scratch)
{
    if (context.kind != RowKind::Event || context.time == TimeKind::VistaBootSession) {
        return blanksTrimmed(record.full);
    }
    scratch = eventMessage(record, context);
    return scratch;
}

}  // namespace tillery
