// Loads the DLL named on its command line (shell32.dll by default) the way
// a program would, after
// restricting the search to the system directory when "protected" follows.
// Shows whether Wine loads a DLL planted beside an executable at all.
#include <windows.h>

#include <cwchar>

int wmain(int argc, wchar_t** argv) {
    const wchar_t* name = argc > 1 ? argv[1] : L"shell32.dll";
    if (argc > 2 && std::wcscmp(argv[2], L"protected") == 0) {
        SetDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32);
    }
    return LoadLibraryW(name) != nullptr ? 0 : 1;
}
