#pragma once

#include "core/Record.h"

#include <string_view>

namespace tillery {

// The message code of a marked line as a number ("022" is 22); -1 for a code that is not
// three digits ("2K", the short code of a cut line).
int messageCodeNumber(std::string_view code);

// Picks Path, Device, GUID, Name and Signature out of one entry line's message text into
// the line record: the code rules (marked lines, Code other than "2K"), the generic rules
// (Signature, GUID, quoted device) and the Windows 2000 phrase rules (Code "2K"), in this
// order. The "063" rule reads the event's Name; the Signature rule reads the event's Path
// and, when it converts a volume identifier, writes the event's Path and Signature.
// The line record's five fields are expected empty on entry.
void extractMessageCodes(std::string_view code, std::string_view message, Record& line,
                         Record& event);

}  // namespace tillery
