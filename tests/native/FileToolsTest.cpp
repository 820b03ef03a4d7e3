#include "TestSupport.h"
#include "core/Exceptions.h"
#include "platform/substitute/EnvironmentStore.h"
#include "platform/substitute/RegistryStore.h"
#include "platform/substitute/ShellStore.h"
#include "support/TFileTools.h"

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace brisel {
namespace {

namespace fs = std::filesystem;
using platform::kCsidlCommonPrograms;
using platform::kCsidlPrograms;
using substitute::Environment;
using substitute::Registry;
using substitute::Shell;

const char* const kShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                  "Shell Folders";
const char* const kUserShellFolders = "Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
                                      "User Shell Folders";
const char* const kUntouched = "untouched";

class FileToolsTest : public test::SubstituteTest {
protected:
    void SetUp() override {
        SubstituteTest::SetUp();
        std::string pattern = (fs::temp_directory_path() / "brisel-filetools-XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        root_ = pattern;
        userPrograms_ = root_ + "/User/Programs";
        commonPrograms_ = root_ + "/Common/Programs";
        fs::create_directories(userPrograms_);
        fs::create_directories(commonPrograms_);
    }
    void TearDown() override {
        fs::remove_all(root_);
        SubstituteTest::TearDown();
    }

    // Writes a file below the temporary root; a single-byte "\" in relative
    // separates levels like "/".
    std::string WriteFile(const std::string& relative, const std::string& bytes) {
        std::string host = root_ + "/" + test::Utf8(relative);
        for (char& c : host) {
            if (c == '\\') {
                c = '/';
            }
        }
        fs::create_directories(fs::path(host).parent_path());
        std::ofstream(host, std::ios::binary) << bytes;
        return host;
    }

    void ShellKnowsBothFolders() {
        Shell().folders[kCsidlPrograms] = userPrograms_;
        Shell().folders[kCsidlCommonPrograms] = commonPrograms_;
    }

    void ExpectEverythingReleased() { EXPECT_TRUE(Registry().open.empty()); }

    // Whether entry was found, and the path (UTF-8) then.
    std::pair<bool, std::string> Find(const String& entry) {
        WideString path = u"untouched";
        const bool found = tools_.FindProgramsShortcut(entry, path);
        return {found, test::Utf8(path)};
    }

    TFileTools tools_;
    std::string root_, userPrograms_, commonPrograms_;
};

// Environment expansion.

TEST_F(FileToolsTest, ExpandsEnvironmentReferencesInPlace) {
    Environment().Set("GAME", "C:\\Game");
    const std::string long300(300, 'L');
    Environment().Set("LONG", long300);
    const std::pair<std::string, std::string> cases[] = {
        {"C:\\Plain", "C:\\Plain"},         {"", ""},
        {"%game%\\data", "C:\\Game\\data"}, {"%UNKNOWN%\\x", "%UNKNOWN%\\x"},
        {"%LONG%\\end", long300 + "\\end"},
    };
    for (const auto& [text, expanded] : cases) {
        WideString wide = test::Wide(text);
        EXPECT_TRUE(tools_.ExpandEnvStrings(wide)) << text;
        EXPECT_EQ(test::Utf8(wide), expanded);
    }
    Environment().failing = true;
    WideString text = u"%LONG%";
    EXPECT_FALSE(tools_.ExpandEnvStrings(text));
    EXPECT_EQ(text, u"%LONG%");
}

// Finding the shortcut.

TEST_F(FileToolsTest, FindsTheEntryInTheFirstProgramsFolderThatHasIt) {
    ShellKnowsBothFolders();
    WriteFile("User/Programs/Game/game.lnk", "");
    WriteFile("Common/Programs/Game/game.lnk", "");
    WriteFile("Common/Programs/Shared/tool.lnk", "");
    WriteFile("Common/Programs/Game/readme.lnk/inside", ""); // a folder named like an entry
    WriteFile("User/Programs/ソフト表/表示.lnk", "");

    struct Case {
        const char* entry;
        bool found;
        std::string path;
        std::vector<int> stages;
    } cases[] = {
        {"Game\\game.lnk", true, userPrograms_ + "\\Game\\game.lnk", {kCsidlPrograms}},
        {"Shared\\tool.lnk",
         true,
         commonPrograms_ + "\\Shared\\tool.lnk",
         {kCsidlPrograms, kCsidlCommonPrograms}},
        {"Game\\g?me.*", true, userPrograms_ + "\\Game\\g?me.*", {kCsidlPrograms}},
        {"Shared\\*.lnk",
         true,
         commonPrograms_ + "\\Shared\\*.lnk",
         {kCsidlPrograms, kCsidlCommonPrograms}},
        {"ソフト表\\表示.lnk",
         true,
         userPrograms_ + test::Utf8("\\ソフト表\\表示.lnk"),
         {kCsidlPrograms}},
        {"\\Game\\game.lnk", true, userPrograms_ + "\\Game\\game.lnk", {kCsidlPrograms}},
        {"Game\\readme.lnk", false, kUntouched, {kCsidlPrograms, kCsidlCommonPrograms}},
        {"Game", false, kUntouched, {kCsidlPrograms, kCsidlCommonPrograms}},
        {"Other\\game.lnk", false, kUntouched, {kCsidlPrograms, kCsidlCommonPrograms}},
    };
    for (const auto& c : cases) {
        Shell().folderRequests.clear();
        EXPECT_EQ(Find(c.entry), std::make_pair(c.found, c.path)) << c.entry;
        EXPECT_EQ(Shell().folderRequests, c.stages) << c.entry;
        ExpectEverythingReleased();
    }
    // The registry is not consulted while the shell names the folders.
    EXPECT_TRUE(Registry().queries.empty());
}

TEST_F(FileToolsTest, JoinsAFolderThatEndsInABackslashWithoutDoublingIt) {
    Shell().folders[kCsidlPrograms] = userPrograms_ + "\\";
    WriteFile("User/Programs/Game/game.lnk", "");
    EXPECT_EQ(Find("Game\\game.lnk"), std::make_pair(true, userPrograms_ + "\\Game\\game.lnk"));
}

TEST_F(FileToolsTest, FallsBackToTheRegistryFolderOfEachStage) {
    Environment().Set("ROOT", root_);
    Registry().SetText(substitute::kCurrentUser, kShellFolders, "Programs", userPrograms_);
    Registry().SetText(substitute::kCurrentUser, kUserShellFolders, "Programs",
                       "%ROOT%/Common/Programs", platform::kRegExpandSz);
    WriteFile("User/Programs/Game/game.lnk", "");
    WriteFile("Common/Programs/Shared/tool.lnk", "");

    EXPECT_EQ(Find("Game\\game.lnk"), std::make_pair(true, userPrograms_ + "\\Game\\game.lnk"));
    EXPECT_EQ(Find("Shared\\tool.lnk"),
              std::make_pair(true, commonPrograms_ + "\\Shared\\tool.lnk"));
    EXPECT_EQ(Find("Missing\\x.lnk"), std::make_pair(false, std::string(kUntouched)));
    ExpectEverythingReleased();

    // Each stage asks the shell before its registry value.
    Shell().folderRequests.clear();
    Registry().queries.clear();
    Shell().onFolderRequest = [](int) {
        EXPECT_EQ(Registry().queries.size(), 2 * Shell().folderRequests.size());
    };
    Find("Missing\\x.lnk");
    EXPECT_EQ(Shell().folderRequests, (std::vector<int>{kCsidlPrograms, kCsidlCommonPrograms}));
    EXPECT_EQ(Registry().queries.size(), 4u);
}

TEST_F(FileToolsTest, AnEmptyRegistryValueMakesTheEntryAPathFromTheDriveRoot) {
    // Both keys exist, neither holds the value: each stage tests "\" + entry.
    Registry().CreateKey(substitute::kCurrentUser, kShellFolders);
    Registry().CreateKey(substitute::kCurrentUser, kUserShellFolders);
    WriteFile("Game/game.lnk", "");
    const String fromRoot = root_.substr(1) + "\\Game\\game.lnk"; // root_ without its "/"
    EXPECT_EQ(Find(fromRoot), std::make_pair(true, "\\" + fromRoot));
    EXPECT_EQ(Find("Game\\game.lnk"), std::make_pair(false, std::string(kUntouched)));
    ExpectEverythingReleased();
}

TEST_F(FileToolsTest, AnEmptyEntryIsARangeErrorOnlyOnceAFolderIsKnown) {
    WideString path = u"untouched";
    EXPECT_FALSE(tools_.FindProgramsShortcut("", path)); // no folder anywhere
    EXPECT_EQ(path, u"untouched");

    Shell().folders[kCsidlCommonPrograms] = commonPrograms_;
    EXPECT_THROW(tools_.FindProgramsShortcut("", path), ERangeError);
    EXPECT_EQ(path, u"untouched");
    ExpectEverythingReleased();
}

TEST_F(FileToolsTest, RegistryErrorsPassThrough) {
    Registry().SetValue(substitute::kCurrentUser, kShellFolders, "Programs", platform::kRegDword,
                        std::string(4, '\0'));
    WideString path = u"untouched";
    EXPECT_THROW(tools_.FindProgramsShortcut("Game\\game.lnk", path), ERegistryException);
    EXPECT_EQ(path, u"untouched");
    ExpectEverythingReleased();
}

} // namespace
} // namespace brisel
