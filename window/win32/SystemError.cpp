#include "SystemError.h"

#include "core/TextUtils.h"
#include "platform/win32/Handles.h"
#include "platform/win32/WideText.h"

#include <climits>

namespace brisel::win32 {

namespace {

String ToShiftJis(const wchar_t* text, DWORD units) {
    if (units == 0 || units > INT_MAX) {
        return String();
    }
    const int size = static_cast<int>(units);
    const int bytes =
        WideCharToMultiByte(kShiftJisCodePage, 0, text, size, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) {
        return String();
    }
    String converted(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(kShiftJisCodePage, 0, text, size, converted.data(), bytes, nullptr,
                        nullptr);
    return converted;
}

} // namespace

String SystemErrorText(DWORD error) {
    // The system allocates the message; freed on every path out.
    LocalMemory message;
    const DWORD units = FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(message.Receive()), 0, nullptr);
    if (units == 0 || !message) {
        return String();
    }
    return Trim(ToShiftJis(static_cast<const wchar_t*>(message.Get()), units));
}

void RaiseWindowCreateError(DWORD error) {
    String text = error != 0 ? SystemErrorText(error) : String();
    if (text.empty()) {
        text = "ウィンドウを作成できません"; // the window cannot be created
    }
    throw EWindowCreateError(text);
}

} // namespace brisel::win32
