#pragma once

#include "core/Record.h"
#include "extract/RecordSink.h"

#include <string>
#include <string_view>

namespace tillery {

// What the time of a row is, for a timeline's timestamp_desc column.
std::string_view timestampDescription(TimeKind time);

// One readable sentence for a timeline's message column. An event reads "<what
// happened>: <device> (<name>)", from its Instance description, its Device as the log
// gave it (or the identifier in its Instance) and its Name; an event with no device reads as its
// description, a boot session, a log line and the header as their Full Text. The text
// views the record or `scratch`, which it may overwrite.
std::string_view timelineMessage(const RecordView& record, const RowContext& context,
                                 std::string& scratch);

}  // namespace tillery
