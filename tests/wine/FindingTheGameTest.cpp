// Finding the game on a real system: registry values read by path, the
// environment expansion, the Programs folders of the shell and shortcut
// files written and read by the shell-link object. Everything the tests
// create is removed again.
#include "WineTestSupport.h"
#include "core/Exceptions.h"
#include "platform/Files.h"
#include "platform/Registry.h"
#include "support/RegistryPath.h"
#include "support/TFileTools.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <objbase.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <filesystem>
#include <fstream>
#include <string>

namespace brisel {
namespace {

namespace fs = std::filesystem;
using wine_test::CreateShortcut;

const wchar_t* const kTestKey = L"Software\\BriselFindingTheGameTest";
const char* const kTestKeyPath = "HKEY_CURRENT_USER\\Software\\BriselFindingTheGameTest";
const char* const kFolder = "BriselFindingTheGame";

// The tests' texts are Shift-JIS, as the script's are, whatever the system's
// code page.
std::wstring WideFromAnsi(const std::string& text) {
    const int n = MultiByteToWideChar(932, 0, text.c_str(), -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n), L'\0');
    MultiByteToWideChar(932, 0, text.c_str(), -1, wide.data(), n);
    wide.resize(wide.size() - 1);
    return wide;
}

std::string AnsiFromWide(const std::wstring& wide) {
    const int n = WideCharToMultiByte(932, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    std::string text(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(932, 0, wide.c_str(), -1, text.data(), n, nullptr, nullptr);
    text.resize(text.size() - 1);
    return text;
}

// The logic's UTF-16 texts to and from the tests' Shift-JIS.
WideString W(const std::string& text) {
    const std::wstring wide = WideFromAnsi(text);
    return WideString(wide.begin(), wide.end());
}
std::string S(const WideString& text) {
    return AnsiFromWide(std::wstring(text.begin(), text.end()));
}

std::wstring FolderPath(int csidl) {
    wchar_t path[MAX_PATH] = {};
    EXPECT_EQ(SHGetFolderPathW(nullptr, csidl, nullptr, SHGFP_TYPE_CURRENT, path), S_OK);
    return path;
}

void WriteBytes(const fs::path& path, const std::string& bytes) {
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

class FindingTheGameTest : public ::testing::Test {
protected:
    void SetUp() override {
        userPrograms_ = FolderPath(CSIDL_PROGRAMS);
        commonPrograms_ = FolderPath(CSIDL_COMMON_PROGRAMS);
        wchar_t temp[MAX_PATH] = {};
        ASSERT_NE(GetTempPathW(MAX_PATH, temp), 0u);
        targets_ = fs::path(temp) / WideFromAnsi(kFolder);
        RemoveEverything();
        fs::create_directories(targets_);
        ASSERT_EQ(RegCreateKeyExW(HKEY_CURRENT_USER, kTestKey, 0, nullptr, 0, KEY_ALL_ACCESS,
                                  nullptr, &key_, nullptr),
                  ERROR_SUCCESS);
    }
    void TearDown() override {
        if (key_ != nullptr) {
            RegCloseKey(key_);
        }
        RemoveEverything();
    }

    void RemoveEverything() {
        std::error_code ignored;
        for (const auto& folder : {userPrograms_, commonPrograms_}) {
            fs::remove_all(folder / WideFromAnsi(kFolder), ignored);
            fs::remove_all(folder / WideFromAnsi("ソフト表"), ignored);
        }
        fs::remove_all(targets_, ignored);
        RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
    }

    // A target file below the test's temporary folder, and its ANSI path.
    std::string Target(const std::string& name) {
        const fs::path path = targets_ / WideFromAnsi(name);
        WriteBytes(path, "MZ");
        return AnsiFromWide(path.wstring());
    }

    void SetValue(const std::wstring& subkey, const std::wstring& name, DWORD type,
                  const void* data, DWORD size) {
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExW(key_, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        EXPECT_EQ(RegSetValueExW(key, name.c_str(), 0, type, static_cast<const BYTE*>(data), size),
                  ERROR_SUCCESS);
        RegCloseKey(key);
    }
    void SetText(const std::wstring& subkey, const std::wstring& name, const std::wstring& text,
                 DWORD type = REG_SZ) {
        SetValue(subkey, name, type, text.c_str(),
                 static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }

    std::pair<bool, String> Find(const String& entry) {
        WideString path = u"untouched";
        const bool found = tools_.FindProgramsShortcut(entry, path);
        return {found, S(path)};
    }

    std::pair<bool, String> Resolve(const String& link) {
        WideString target(MAX_PATH - 1, u'x');
        const bool resolved = tools_.ResolveShortcut(W(link), target);
        return {resolved, S(target)};
    }

    TFileTools tools_;
    fs::path userPrograms_, commonPrograms_, targets_;
    HKEY key_ = nullptr;
};

TEST_F(FindingTheGameTest, ThePredefinedKeysAreTheSystemsOwn) {
    EXPECT_EQ(reinterpret_cast<HKEY>(platform::PredefinedRegistryKey(0x80000000)),
              HKEY_CLASSES_ROOT);
    EXPECT_EQ(reinterpret_cast<HKEY>(platform::PredefinedRegistryKey(0x80000001)),
              HKEY_CURRENT_USER);
    EXPECT_EQ(reinterpret_cast<HKEY>(platform::PredefinedRegistryKey(0x80000006)), HKEY_DYN_DATA);
}

TEST_F(FindingTheGameTest, ReadsRegistryStringsByPath) {
    SetText(L"Paths", L"Text", L"C:\\Game");
    SetText(L"Paths", L"Expandable", L"%SystemRoot%\\Game", REG_EXPAND_SZ);
    SetText(L"Paths\\Deeper", L"Text", L"deep");
    SetText(WideFromAnsi("ソフト表"), WideFromAnsi("表示"), WideFromAnsi("ソフト表\\表示"));
    const std::string base = kTestKeyPath;
    const std::pair<std::string, std::pair<bool, String>> cases[] = {
        {base + "\\Paths\\Text", {true, "C:\\Game"}},
        {"hkey_current_user\\software\\BriselFindingTheGameTest\\paths\\TEXT", {true, "C:\\Game"}},
        {base + "\\Paths\\Expandable", {true, "%SystemRoot%\\Game"}},
        {base + "\\Paths\\Text\\", {true, "C:\\Game"}},
        {base + "\\\"Paths\\Deeper\"\\Text", {true, "deep"}},
        {base + "\\Paths\\Missing", {true, ""}},
        {"HKEY_CURRENT_USER\\Text", {true, ""}},
        {base + "\\ソフト表\\表示", {true, "ソフト表\\表示"}},
        {base + "\\Missing\\Paths\\Text", {false, "untouched"}},
        {"HKCU\\Software\\BriselFindingTheGameTest\\Paths\\Text", {false, "untouched"}},
    };
    for (const auto& [path, expected] : cases) {
        WideString value = u"untouched";
        const bool result = ReadRegistryPath(path, value);
        EXPECT_EQ(std::make_pair(result, S(value)), expected) << path;
    }
}

TEST_F(FindingTheGameTest, RaisesForRegistryValuesThatAreNotText) {
    const DWORD number = 42;
    const unsigned char bytes[] = {1, 2, 3};
    SetValue(L"Paths", L"Number", REG_DWORD, &number, sizeof number);
    SetValue(L"Paths", L"Bytes", REG_BINARY, bytes, sizeof bytes);
    for (const char* name : {"Number", "Bytes"}) {
        WideString value = u"untouched";
        try {
            ReadRegistryPath(std::string(kTestKeyPath) + "\\Paths\\" + name, value);
            ADD_FAILURE() << name << " was read";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message(), "'" + std::string(name) + "' のデータ型が不正です");
        }
        EXPECT_EQ(value, u"untouched");
    }
}

TEST_F(FindingTheGameTest, ExpandsEnvironmentVariablesOfAnyLength) {
    const std::string ascii(300, 'a');
    std::string japanese;
    for (int i = 0; i < 200; ++i) {
        japanese += "表";
    }
    ASSERT_TRUE(SetEnvironmentVariableW(L"BRISEL_ASCII", WideFromAnsi(ascii).c_str()));
    ASSERT_TRUE(SetEnvironmentVariableW(L"BRISEL_JAPANESE", WideFromAnsi(japanese).c_str()));
    const std::pair<String, String> cases[] = {
        {"%BRISEL_ASCII%\\x", ascii + "\\x"},
        {"%BRISEL_JAPANESE%\\x", japanese + "\\x"},
        {"%brisel_ascii%", ascii},
        {"C:\\Plain", "C:\\Plain"},
        {"", ""},
        {"%BRISEL_UNDEFINED%", "%BRISEL_UNDEFINED%"},
    };
    for (const auto& [text, expanded] : cases) {
        WideString value = W(text);
        EXPECT_TRUE(tools_.ExpandEnvStrings(value)) << text;
        EXPECT_EQ(S(value), expanded) << text;
    }
    SetEnvironmentVariableW(L"BRISEL_ASCII", nullptr);
    SetEnvironmentVariableW(L"BRISEL_JAPANESE", nullptr);
}

TEST_F(FindingTheGameTest, GetsTheProgramsFoldersFromTheShell) {
    WideString path;
    ASSERT_TRUE(tools_.GetSpecialFolderPath(CSIDL_PROGRAMS, path));
    EXPECT_EQ(S(path), AnsiFromWide(userPrograms_.wstring()));
    ASSERT_TRUE(tools_.GetSpecialFolderPath(CSIDL_COMMON_PROGRAMS, path));
    EXPECT_EQ(S(path), AnsiFromWide(commonPrograms_.wstring()));
    path = u"untouched";
    EXPECT_FALSE(tools_.GetSpecialFolderPath(CSIDL_DRIVES, path)); // not in the file system
    EXPECT_EQ(path, u"untouched");
}

TEST_F(FindingTheGameTest, FindsAndResolvesShortcutsInBothProgramsFolders) {
    const std::string game = Target("game.exe");
    const std::string tool = Target("tool.exe");
    const std::wstring folder = WideFromAnsi(kFolder);
    CreateShortcut(userPrograms_ / folder / L"game.lnk", WideFromAnsi(game));
    CreateShortcut(commonPrograms_ / folder / L"tool.lnk", WideFromAnsi(tool));
    fs::create_directories(commonPrograms_ / folder / L"folder.lnk");

    const String user = AnsiFromWide(userPrograms_.wstring()) + "\\" + kFolder;
    const String common = AnsiFromWide(commonPrograms_.wstring()) + "\\" + kFolder;
    const String entry = String(kFolder) + "\\";
    EXPECT_EQ(Find(entry + "game.lnk"), std::make_pair(true, user + "\\game.lnk"));
    EXPECT_EQ(Find(entry + "tool.lnk"), std::make_pair(true, common + "\\tool.lnk"));
    EXPECT_EQ(Find(entry + "t??l.*"), std::make_pair(true, common + "\\t??l.*"));
    EXPECT_EQ(Find(entry + "folder.lnk"), std::make_pair(false, String("untouched")));
    EXPECT_EQ(Find(entry + "missing.lnk"), std::make_pair(false, String("untouched")));
    EXPECT_THROW(Find(""), ERangeError);

    EXPECT_EQ(Resolve(user + "\\game.lnk"), std::make_pair(true, game));
    EXPECT_EQ(Resolve(common + "\\tool.lnk"), std::make_pair(true, tool));
}

TEST_F(FindingTheGameTest, FindsAndResolvesShiftJisNamesWithABackslashTrailByte) {
    const std::string target = Target("ソフト表\\表示.exe");
    CreateShortcut(userPrograms_ / WideFromAnsi("ソフト表") / WideFromAnsi("表示.lnk"),
                   WideFromAnsi(target));
    const String link = AnsiFromWide(userPrograms_.wstring()) + "\\ソフト表\\表示.lnk";
    EXPECT_EQ(Find("ソフト表\\表示.lnk"), std::make_pair(true, link));
    EXPECT_TRUE(platform::FileIsPresent(W(link)));
    EXPECT_EQ(Resolve(link), std::make_pair(true, target));
}

TEST_F(FindingTheGameTest, AShortcutThatDoesNotLoadLeavesTheTargetAlone) {
    const fs::path corrupt = userPrograms_ / WideFromAnsi(kFolder) / L"corrupt.lnk";
    WriteBytes(corrupt, std::string("L\0\0\0\x01\x14\x02\0garbage", 15));
    const String untouched(MAX_PATH - 1, 'x');
    const String folder = AnsiFromWide(userPrograms_.wstring()) + "\\" + kFolder;
    EXPECT_EQ(Find(String(kFolder) + "\\corrupt.lnk"),
              std::make_pair(true, folder + "\\corrupt.lnk"));
    EXPECT_EQ(Resolve(folder + "\\corrupt.lnk"), std::make_pair(false, untouched));
    EXPECT_EQ(Resolve(folder + "\\missing.lnk"), std::make_pair(false, untouched));
    EXPECT_EQ(Resolve("C:\\" + String(300, 'a') + ".lnk"), std::make_pair(false, untouched));
}

DWORD WINAPI ResolveThenProbeCom(LPVOID parameter) {
    auto* const state = static_cast<std::pair<std::string, HRESULT>*>(parameter);
    WideString target;
    TFileTools().ResolveShortcut(W(state->first), target);
    // S_OK, not S_FALSE: the resolution left COM uninitialised on this thread.
    state->second = CoInitialize(nullptr);
    CoUninitialize();
    return 0;
}

TEST_F(FindingTheGameTest, LeavesComAsItFoundIt) {
    const std::string game = Target("game.exe");
    CreateShortcut(userPrograms_ / WideFromAnsi(kFolder) / L"game.lnk", WideFromAnsi(game));
    const String folder = AnsiFromWide(userPrograms_.wstring()) + "\\" + kFolder;
    for (const String& link : {folder + "\\game.lnk", folder + "\\missing.lnk"}) {
        std::pair<std::string, HRESULT> state{link, E_FAIL};
        HANDLE thread = CreateThread(nullptr, 0, ResolveThenProbeCom, &state, 0, nullptr);
        ASSERT_NE(thread, nullptr);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        EXPECT_EQ(state.second, S_OK) << link;
    }
}

} // namespace
} // namespace brisel
