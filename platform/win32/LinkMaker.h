// Who made the file-system object a handle is open on (core/LinkRule.h),
// told by its owner.
#pragma once

#include "core/LinkRule.h"

#include <windows.h>

namespace brisel::win32 {

// The handle needs READ_CONTROL; Unknown when the owner cannot be read.
LinkMaker MakerOf(HANDLE object);

} // namespace brisel::win32
