#include "WideText.h"

#include <windows.h>

namespace brisel::win32 {

WideBuffer FromShiftJis(const String& text) {
    return WideBuffer::FromCodePage(kShiftJisCodePage, text);
}

WideBuffer FromAnsi(const String& text) {
    return WideBuffer::FromCodePage(CP_ACP, text);
}

} // namespace brisel::win32
