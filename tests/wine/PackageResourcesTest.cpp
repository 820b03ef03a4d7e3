// The package items this test exe carries, opened through the real resource
// functions, and the locale services of a Japanese system.
#include "WineTestSupport.h"
#include "core/Exceptions.h"
#include "core/Mbcs.h"
#include "core/TextUtils.h"
#include "package/TResourceStream.h"
#include "platform/Locale.h"
#include "support/SameText.h"
#include "support/TStringList.h"

#include <gtest/gtest.h>
#include <windows.h>

namespace brisel {
namespace {

const char* const kPackage = "tests/wine/packages/resources/";

TEST(PackageResources, OpensEveryItemByTypeAndNameWithItsBytesUnchanged) {
    struct Item {
        const char* type;
        const char* name;
        std::string file;
    } items[] = {
        {"TEXT", "RESOURCE_SCRIPT", "script.txt"},
        {"BMP", "RESOURCE_BACKGROUND", "background.bmp"},
        {"BIN", "RESOURCE_FILE0", "files/a.dat"},
        {"BIN", "RESOURCE_FILE2", "files/b.dat"},
    };
    for (const auto& item : items) {
        const auto stream = TResourceStream::Open(item.type, item.name);
        EXPECT_EQ(std::string(stream->Bytes()),
                  wine_test::ReadSourceFile(std::string(kPackage) + item.file))
            << item.name;
    }
}

TEST(PackageResources, AMissingItemRaisesTheResourceNotFoundError) {
    // Payload 1 belongs to the blank "%OutFiles" line and is never embedded.
    for (const char* name : {"RESOURCE_FILE1", "RESOURCE_FILE3"}) {
        try {
            TResourceStream::Open("BIN", name);
            ADD_FAILURE() << name << " opened";
        } catch (const EResNotFound& e) {
            EXPECT_EQ(e.Message(), std::string(name) + " リソースが見つかりません");
        }
    }
    // The type is part of the identity.
    EXPECT_THROW(TResourceStream::Open("TEXT", "RESOURCE_FILE0"), EResNotFound);
}

TEST(PackageResources, TheScriptLoadsIntoLines) {
    TStringList lines;
    TResourceStream::Open("TEXT", "RESOURCE_SCRIPT")->LoadLines(lines);
    ASSERT_GE(lines.Count(), 4u);
    EXPECT_EQ(lines[0], "*PatchType");
    EXPECT_EQ(lines[1], "\t1");
}

TEST(Locale, TheSystemIsAJapaneseDoubleByteSystem) {
    EXPECT_EQ(GetACP(), 932u);
    const LeadByteSet& set = ProcessLeadBytes();
    EXPECT_TRUE(set.Contains(0x81));
    EXPECT_TRUE(set.Contains(0x9F));
    EXPECT_FALSE(set.Contains(0xA0));
    EXPECT_TRUE(set.Contains(0xE0));
    EXPECT_TRUE(set.Contains(0xFC));
    EXPECT_FALSE(set.Contains(0x80));
    EXPECT_FALSE(set.Contains(0xFD));
}

TEST(Locale, ComparesWholeTextsWithLetterCaseIgnored) {
    struct Case {
        std::string a, b;
        bool equal;
    } cases[] = {
        {"*Caption", "*CAPTION", true},
        {"*caption", "*Caption", true},
        {"%%", "%%", true},
        {"*Caption ", "*Caption", false}, // nothing but case is ignored
        {"\t%%", "%%", false},
        {"*Cap", "*Caption", false},
        {"ソフト", "ソフト", true},
        {"\x83\x41", "\x83\x61", false}, // "ア" differs from 0x83 0x61
        {"ア", "ｱ", false},              // width is not ignored
        {"ア", "あ", false},             // kana type is not ignored
        {"", "", true},
        {"", "a", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(SameText(c.a, c.b), c.equal) << c.a << " / " << c.b;
    }
}

} // namespace
} // namespace brisel
