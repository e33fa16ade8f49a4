#pragma once

namespace tillery {

// The layout a run reads: the Windows XP and Windows 2000 setupapi.log, or the
// setupapi.dev.log that Windows Vista and every later version write.
enum class Layout { WindowsXp, Windows2000, Vista };

}  // namespace tillery
