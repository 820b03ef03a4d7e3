// The Windows side of the benchmarks, run under Wine next to what it
// measures, so that both figures of a pair come from the same prefix:
//
//   bench_driver startup EXE CLASS
//       makes the game an installer looks for (C:\BenchGame\Game.exe and
//       its Start-menu shortcut Game\Game.lnk), starts EXE and prints
//       "startup MS": the time until a visible top-level window of class
//       CLASS is up and the program waits for input; then closes it.
//   bench_driver install INSTALLER PAUSE_MS [SEED_FOLDER]
//       makes the game (with the files of SEED_FOLDER in its folder),
//       starts the installer, prints "window MS" once its
//       window is idle, waits PAUSE_MS, prints "start", presses Start and
//       prints "write MS" when the outcome message appears; then closes it.
//   bench_driver copy FOLDER
//       copies every file of FOLDER into C:\BenchGame with CopyFileW and
//       flushes each copy to the disk (FlushFileBuffers); prints "write MS".
//
// Each command removes the game folder again. Lines go to stdout, flushed,
// so that a script watching the process can act on them as they come.
#include "InstallerDriver.h"
#include "PlayerMachine.h"

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

using namespace brisel::e2e;

namespace {

const std::wstring kGameDir = L"C:\\BenchGame";

class Stopwatch {
public:
    Stopwatch() {
        QueryPerformanceFrequency(&frequency_);
        QueryPerformanceCounter(&start_);
    }
    double Milliseconds() const {
        LARGE_INTEGER now;
        QueryPerformanceCounter(&now);
        return 1000.0 * static_cast<double>(now.QuadPart - start_.QuadPart) /
               static_cast<double>(frequency_.QuadPart);
    }

private:
    LARGE_INTEGER frequency_{};
    LARGE_INTEGER start_{};
};

void Say(const char* what, double milliseconds = -1) {
    if (milliseconds < 0) {
        std::printf("%s\n", what);
    } else {
        std::printf("%s %.1f\n", what, milliseconds);
    }
    std::fflush(stdout);
}

// Polls every millisecond, so that the time it reports is the window's.
HWND WaitForWindow(DWORD processId, const wchar_t* className, DWORD timeoutMs = 60000) {
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        const std::vector<HWND> found = TopLevelWindows(processId, className);
        if (!found.empty()) {
            return found.front();
        }
        Sleep(1);
    }
    return nullptr;
}

bool WaitForIdle(DWORD processId) {
    HANDLE process = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, processId);
    if (process == nullptr) {
        return false;
    }
    const bool idle = WaitForInputIdle(process, 60000) == 0;
    CloseHandle(process);
    return idle;
}

// Removes what the installer or the copy wrote into the game folder.
void EmptyGameFolder() {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((kGameDir + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            DeleteFileW((kGameDir + L"\\" + found.cFileName).c_str());
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

// The game that installers of the benchmarks' packages look for.
void MakeGame(PlayerMachine& machine) {
    machine.WriteFile(kGameDir + L"\\Game.exe", "MZ");
    machine.MakeShortcut(false, L"Game\\Game.lnk", kGameDir + L"\\Game.exe");
}

int Startup(const std::wstring& exe, const std::wstring& className) {
    PlayerMachine machine;
    MakeGame(machine);
    const Stopwatch clock;
    InstallerProcess process(exe);
    if (!process.Started()) {
        std::fputs("cannot start the program\n", stderr);
        return 1;
    }
    HWND window = WaitForWindow(process.Id(), className.c_str());
    if (window == nullptr || !WaitForIdle(process.Id())) {
        std::fputs("no idle window\n", stderr);
        return 1;
    }
    Say("startup", clock.Milliseconds());
    PostMessageW(window, WM_CLOSE, 0, 0);
    return process.WaitForExit(20000) ? 0 : 1;
}

// Copies every file of folder into the game folder (the previous versions
// a delta installer rebuilds).
void SeedGameFolder(const std::wstring& folder) {
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        return;
    }
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
            CopyFileW((folder + L"\\" + found.cFileName).c_str(),
                      (kGameDir + L"\\" + found.cFileName).c_str(), FALSE);
        }
    } while (FindNextFileW(search, &found));
    FindClose(search);
}

int Install(const std::wstring& installer, DWORD pauseMs, const std::wstring& seed) {
    int status = 1;
    {
        PlayerMachine machine;
        MakeGame(machine);
        if (!seed.empty()) {
            SeedGameFolder(seed);
        }
        const Stopwatch startClock;
        InstallerProcess process(installer);
        HWND window = WaitForWindow(process.Id(), L"TFormMain");
        if (window == nullptr || !WaitForIdle(process.Id())) {
            std::fputs("no idle installer window\n", stderr);
            EmptyGameFolder();
            return 1;
        }
        Say("window", startClock.Milliseconds());
        Sleep(pauseMs);
        HWND start = ChildAt(window, 488, 240);
        HWND cancel = ChildAt(window, 488, 272);
        if (!IsWindowEnabled(start)) {
            std::fputs("Start is disabled: the installer did not find the game\n", stderr);
            EmptyGameFolder();
            return 1;
        }
        Say("start");
        const Stopwatch writeClock;
        Click(start);
        HWND box = WaitForWindow(process.Id(), L"#32770", 600000);
        const double elapsed = writeClock.Milliseconds();
        if (box != nullptr) {
            Say("write", elapsed);
            status = MessageBoxText(box) == L"修正処理が正常に終了しました" ? 0 : 1;
            if (status != 0) {
                std::fputs("the installer reported a failure\n", stderr);
            }
            ConfirmMessageBox(box);
            Click(cancel);
            process.WaitForExit(20000);
        }
        EmptyGameFolder();
    }
    return status;
}

int Copy(const std::wstring& folder) {
    CreateDirectoryW(kGameDir.c_str(), nullptr);
    std::vector<std::wstring> names;
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                names.emplace_back(found.cFileName);
            }
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    int status = 0;
    const Stopwatch clock;
    for (const auto& name : names) {
        const std::wstring to = kGameDir + L"\\" + name;
        if (!CopyFileW((folder + L"\\" + name).c_str(), to.c_str(), FALSE)) {
            status = 1;
            break;
        }
        HANDLE copy = CreateFileW(to.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (copy == INVALID_HANDLE_VALUE || !FlushFileBuffers(copy)) {
            status = 1;
        }
        if (copy != INVALID_HANDLE_VALUE) {
            CloseHandle(copy);
        }
    }
    Say("write", clock.Milliseconds());
    EmptyGameFolder();
    RemoveDirectoryW(kGameDir.c_str());
    return status;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring command = argc > 1 ? argv[1] : L"";
    if (command == L"startup" && argc == 4) {
        return Startup(argv[2], argv[3]);
    }
    if (command == L"install" && (argc == 4 || argc == 5)) {
        return Install(argv[2], static_cast<DWORD>(_wtoi(argv[3])), argc == 5 ? argv[4] : L"");
    }
    if (command == L"copy" && argc == 3) {
        return Copy(argv[2]);
    }
    std::fputs("usage: bench_driver startup EXE CLASS | install INSTALLER PAUSE_MS [SEED_FOLDER] | "
               "copy FOLDER\n",
               stderr);
    return 2;
}
