#include "common/ConsoleText.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace brisel::tools {

namespace {

void Write(DWORD which, std::FILE* stream, std::string_view utf8) {
    std::fflush(stream);
    const HANDLE handle = GetStdHandle(which);
    DWORD mode = 0;
    if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetConsoleMode(handle, &mode) &&
        !utf8.empty()) {
        const int length =
            MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), nullptr, 0);
        std::wstring wide(static_cast<std::size_t>(length), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, utf8.data(), static_cast<int>(utf8.size()), wide.data(),
                            length);
        DWORD written = 0;
        WriteConsoleW(handle, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

} // namespace

void WriteOut(std::string_view utf8) {
    Write(STD_OUTPUT_HANDLE, stdout, utf8);
}

void WriteErr(std::string_view utf8) {
    Write(STD_ERROR_HANDLE, stderr, utf8);
}

bool OwnsConsoleWindow() {
    // Under Wine started from a Unix terminal, the console holds the program
    // alone as well, but it is the terminal, which stays open.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    if (ntdll != nullptr && GetProcAddress(ntdll, "wine_get_version") != nullptr) {
        return false;
    }
    DWORD processes[2] = {};
    DWORD mode = 0;
    return GetConsoleWindow() != nullptr && GetConsoleProcessList(processes, 2) == 1 &&
           GetConsoleMode(GetStdHandle(STD_INPUT_HANDLE), &mode);
}

void WaitForKey() {
    const HANDLE input = GetStdHandle(STD_INPUT_HANDLE);
    FlushConsoleInputBuffer(input);
    INPUT_RECORD record = {};
    DWORD read = 0;
    while (ReadConsoleInputW(input, &record, 1, &read) && read == 1) {
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown) {
            return;
        }
    }
}

} // namespace brisel::tools
