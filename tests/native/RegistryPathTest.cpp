#include "support/RegistryPath.h"
#include "TestSupport.h"
#include "core/Exceptions.h"
#include "platform/substitute/RegistryStore.h"

#include <string>
#include <vector>

namespace brisel {
namespace {

using substitute::Registry;
using Paths = std::vector<std::string>;

const char* const kUntouched = "untouched";

class RegistryPathTest : public test::SubstituteTest {
protected:
    void SetUp() override {
        SubstituteTest::SetUp();
        auto& store = Registry();
        store.SetText(substitute::kCurrentUser, "Software\\Game\\Paths", "Install", "C:\\Game");
        store.SetText(substitute::kCurrentUser, "Software\\Game\\Paths", "Data", "%ROOT%\\data",
                      platform::kRegExpandSz);
        store.SetValue(substitute::kCurrentUser, "Software\\Game\\Paths", "Empty", platform::kRegSz,
                       "");
        store.SetValue(substitute::kCurrentUser, "Software\\Game\\Paths", "Count",
                       platform::kRegDword, std::string("\x2A\0\0\0", 4));
        store.SetValue(substitute::kCurrentUser, "Software\\Game\\Paths", "Blob",
                       platform::kRegBinary, "\x01\x02");
        store.SetValue(substitute::kCurrentUser, "Software\\Game\\Paths", "List",
                       platform::kRegMultiSz, std::string("a\0b\0\0", 5));
        store.SetValue(substitute::kCurrentUser, "Software\\Game\\Paths", "Unterminated",
                       platform::kRegSz, "abc");
        store.SetText(substitute::kLocalMachine, "Software\\Game", "Install", "D:\\Machine");
        store.SetText(substitute::kCurrentUser, "Software\\ソフト表", "名前", "表示");
    }

    // Reads path; the result, the value (kUntouched when not written).
    std::pair<bool, WideString> Read(const String& path) {
        WideString value = test::Wide(kUntouched);
        const bool result = ReadRegistryPath(path, value);
        return {result, value};
    }

    // No key is left open and no root was ever closed.
    void ExpectAllClosed() {
        EXPECT_TRUE(Registry().open.empty());
        EXPECT_EQ(Registry().invalidCloses, 0);
    }
};

TEST_F(RegistryPathTest, ReadsStringValuesAsStored) {
    const std::pair<const char*, const char*> cases[] = {
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\Install", "C:\\Game"},
        {"hkey_current_user\\software\\GAME\\Paths\\install", "C:\\Game"},
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\Data", "%ROOT%\\data"}, // not expanded
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\Empty", ""},
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\Unterminated", "abc"},
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\Missing", ""},
        {"HKEY_CURRENT_USER\\Install", ""}, // no key open: nothing found
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\Install\\", "C:\\Game"},
        {"\\\\HKEY_CURRENT_USER\\\\Software\\Game\\\\Paths\\Install", "C:\\Game"},
        {"HKEY_LOCAL_MACHINE\\Software\\Game\\Install", "D:\\Machine"},
        {"HKEY_CURRENT_USER\\Software\\ソフト表\\名前", "表示"},
        {"HKEY_CURRENT_USER\\\"Software\\Game\"\\Paths\\Install", "C:\\Game"},
        {"HKEY_CURRENT_USER\\Software\\Game\\Paths\\\"\\Software\\Game\\Paths\"\\Install",
         "C:\\Game"},
    };
    for (const auto& [path, expected] : cases) {
        EXPECT_EQ(Read(path), std::make_pair(true, test::Wide(expected))) << path;
        ExpectAllClosed();
    }
}

TEST_F(RegistryPathTest, ProcessingEveryItemWithoutAValueLeavesTheValueAlone) {
    for (const char* path : {"", "\\\\", "HKEY_CURRENT_USER", "\\HKEY_USERS\\"}) {
        EXPECT_EQ(Read(path), std::make_pair(true, test::Wide(kUntouched))) << path;
    }
    EXPECT_TRUE(Registry().queries.empty());
    EXPECT_TRUE(Registry().openedPaths.empty());
}

TEST_F(RegistryPathTest, AnswersFalseForAnUnknownRootOrAKeyThatDoesNotOpen) {
    Registry().CreateKey(substitute::kCurrentUser, "Software\\Locked").readable = false;
    const char* const paths[] = {
        "HKCU\\Software\\Game\\Paths\\Install",
        "HKEY_PERFORMANCE_DATA\\Software\\Game\\Paths\\Install",
        "HKEY_CURRENT_USER \\Software\\Game\\Paths\\Install",
        "Software\\Game\\Paths\\Install",
        "HKEY_CURRENT_USER\\Software\\Missing\\Paths\\Install",
        "HKEY_CURRENT_USER\\Software\\Locked\\Install",
        "HKEY_CURRENT_USER\\\"Software\\\\Game\"\\Paths\\Install", // an empty level
    };
    for (const char* path : paths) {
        EXPECT_EQ(Read(path), std::make_pair(false, test::Wide(kUntouched))) << path;
        ExpectAllClosed();
    }
}

TEST_F(RegistryPathTest, MatchesTheRootNamesInTheirTableOrder) {
    const std::pair<const char*, std::uint32_t> roots[] = {
        {"HKEY_CLASSES_ROOT", substitute::kClassesRoot},
        {"HKEY_CURRENT_USER", substitute::kCurrentUser},
        {"HKEY_LOCAL_MACHINE", substitute::kLocalMachine},
        {"HKEY_USERS", substitute::kUsers},
        {"Hkey_Current_Config", substitute::kCurrentConfig},
        {"HKEY_DYN_DATA", substitute::kDynData},
    };
    for (const auto& [name, number] : roots) {
        Registry().SetText(number, "K", "V", name);
        EXPECT_EQ(Read(String(name) + "\\K\\V"), std::make_pair(true, test::Wide(name)));
    }
}

TEST_F(RegistryPathTest, OpensOneLevelAtATimeWithAtMostOneKeyOpen) {
    Read("HKEY_CURRENT_USER\\Software\\Game\\Paths\\Install");
    EXPECT_EQ(Registry().openedPaths,
              (Paths{"HKEY_CURRENT_USER\\Software", "HKEY_CURRENT_USER\\Software\\Game",
                     "HKEY_CURRENT_USER\\Software\\Game\\Paths"}));
    // Each key is opened below the one before, which is closed right after.
    EXPECT_EQ(Registry().mostOpenAtOnce, 2u);
    EXPECT_EQ(Registry().closes, 3);
    ExpectAllClosed();

    // A quoted item opens several levels at once; one starting with "\"
    // opens below the root.
    Registry().openedPaths.clear();
    Read("HKEY_CURRENT_USER\\Software\\\"Game\\Paths\"\\\"\\Software\\Game\"\\Install");
    EXPECT_EQ(Registry().openedPaths,
              (Paths{"HKEY_CURRENT_USER\\Software", "HKEY_CURRENT_USER\\Software\\Game\\Paths",
                     "HKEY_CURRENT_USER\\Software\\Game"}));
    EXPECT_EQ(Registry().mostOpenAtOnce, 2u);
    ExpectAllClosed();
}

TEST_F(RegistryPathTest, AMissingMiddleKeyKeepsTheKeyBeforeItOpenUntilTheEnd) {
    Registry().beforeQuery = [](const std::string&, bool) { FAIL() << "no value is read"; };
    EXPECT_EQ(Read("HKEY_CURRENT_USER\\Software\\Nothing\\Paths\\Install").first, false);
    EXPECT_EQ(Registry().openedPaths, Paths{"HKEY_CURRENT_USER\\Software"});
    EXPECT_EQ(Registry().closes, 1);
    ExpectAllClosed();
}

TEST_F(RegistryPathTest, QueriesTheSizeFirstThenTheData) {
    Read("HKEY_CURRENT_USER\\Software\\Game\\Paths\\Install");
    const auto& queries = Registry().queries;
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_FALSE(queries[0].withData);
    EXPECT_TRUE(queries[1].withData);
    EXPECT_EQ(queries[1].name, "Install");

    // Missing and empty values stop after the first query.
    Registry().queries.clear();
    Read("HKEY_CURRENT_USER\\Software\\Game\\Paths\\Empty");
    Read("HKEY_CURRENT_USER\\Install");
    ASSERT_EQ(queries.size(), 2u);
    EXPECT_EQ(queries[1].key, platform::kNoRegistryKey);
}

TEST_F(RegistryPathTest, RaisesForValuesThatAreNotText) {
    for (const char* name : {"Count", "Blob", "List"}) {
        WideString value = test::Wide(kUntouched);
        try {
            ReadRegistryPath(std::string("HKEY_CURRENT_USER\\Software\\Game\\Paths\\") + name,
                             value);
            ADD_FAILURE() << name << " was read";
        } catch (const ERegistryException& e) {
            EXPECT_EQ(e.Message(), "'" + std::string(name) + "' のデータ型が不正です");
        }
        EXPECT_EQ(value, test::Wide(kUntouched));
        ExpectAllClosed();
    }
}

TEST_F(RegistryPathTest, RaisesWhenTheValueGrowsBetweenTheQueries) {
    Registry().beforeQuery = [](const std::string& name, bool withData) {
        if (withData) {
            Registry().SetText(substitute::kCurrentUser, "Software\\Game\\Paths", name,
                               "C:\\A much longer path than before");
        }
    };
    WideString value = test::Wide(kUntouched);
    try {
        ReadRegistryPath("HKEY_CURRENT_USER\\Software\\Game\\Paths\\Install", value);
        ADD_FAILURE() << "the value was read";
    } catch (const ERegistryException& e) {
        EXPECT_EQ(e.Message(), "'Install' の取得に失敗しました");
    }
    EXPECT_EQ(value, test::Wide(kUntouched));
    ExpectAllClosed();
}

TEST_F(RegistryPathTest, TheAccessorClosesOnlyKeysItOpened) {
    {
        TRegistry registry;
        EXPECT_EQ(registry.RootKey(), platform::PredefinedRegistryKey(substitute::kCurrentUser));
        EXPECT_EQ(registry.CurrentKey(), platform::kNoRegistryKey);
        ASSERT_TRUE(registry.OpenKeyReadOnly("Software"));
        const auto software = registry.CurrentKey();
        EXPECT_FALSE(registry.OpenKeyReadOnly("Missing"));
        EXPECT_EQ(registry.CurrentKey(), software);

        // Selecting the same root keeps the key; another root closes it.
        registry.SetRootKey(platform::PredefinedRegistryKey(substitute::kCurrentUser));
        EXPECT_EQ(registry.CurrentKey(), software);
        registry.SetRootKey(platform::PredefinedRegistryKey(substitute::kLocalMachine));
        EXPECT_EQ(registry.CurrentKey(), platform::kNoRegistryKey);
        EXPECT_TRUE(Registry().open.empty());

        ASSERT_TRUE(registry.OpenKeyReadOnly("Software\\Game"));
        EXPECT_EQ(registry.ReadString("Install"), u"D:\\Machine");
    }
    EXPECT_EQ(Registry().closes, 2);
    ExpectAllClosed();
}

} // namespace
} // namespace brisel
