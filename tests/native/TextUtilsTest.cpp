#include "core/TextUtils.h"
#include "TestSupport.h"
#include "core/AnsiString.h"
#include "core/Exceptions.h"
#include "support/SameText.h"

namespace brisel {
namespace {

using TextUtilsTest = test::SubstituteTest;

TEST_F(TextUtilsTest, ClassifiesBytesByCountingLeadBytesBefore) {
    const LeadByteSet sjis = LeadByteSet::ShiftJis();
    struct Case {
        std::string text;
        std::size_t index;
        ByteKind kind;
    } cases[] = {
        {"ソ", 0, ByteKind::Lead},  // 0x83 0x5C
        {"ソ", 1, ByteKind::Trail}, // 0x5C is the second byte
        {"\x81\x81\x81", 0, ByteKind::Lead},
        {"\x81\x81\x81", 1, ByteKind::Trail},
        {"\x81\x81\x81", 2, ByteKind::Lead},
        {"a\\", 1, ByteKind::Single},
        {std::string("\x81\0", 2), 1, ByteKind::Single}, // NUL is always single
        {"\x83\x41", 1, ByteKind::Trail},                // a trail byte with a letter's value
        {"\xA0\xE0", 1, ByteKind::Lead},                 // half-width katakana before a lead byte
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ByteKindAt(c.text, c.index, sjis), c.kind) << c.text << " @" << c.index;
    }
    const LeadByteSet none;
    EXPECT_EQ(ByteKindAt("ソ", 1, none), ByteKind::Single);
    EXPECT_EQ(ByteKindAt("ソ", 0, none), ByteKind::Single);
}

TEST_F(TextUtilsTest, FillsTheSetFromRanges) {
    const auto set = LeadByteSet::FromRanges({{0x81, 0x9F}, {0xE0, 0xFC}});
    EXPECT_FALSE(set.Contains(0x80));
    EXPECT_TRUE(set.Contains(0x81));
    EXPECT_TRUE(set.Contains(0x9F));
    EXPECT_FALSE(set.Contains(0xA0));
    EXPECT_TRUE(set.Contains(0xFC));
    EXPECT_FALSE(set.Contains(0xFD));
    EXPECT_TRUE(LeadByteSet().Empty());
}

TEST_F(TextUtilsTest, TrimsControlBytesAndBlanksButNeverHighBytes) {
    EXPECT_EQ(Trim(std::string("\0\t \x1F"
                               "abc \r\n\x20",
                               9)),
              "abc");
    EXPECT_EQ(Trim("　a　"), "　a　"); // full-width spaces stay
    EXPECT_EQ(Trim(" \t "), "");
    EXPECT_EQ(Trim(""), "");
    EXPECT_EQ(Trim("a b"), "a b");
}

TEST_F(TextUtilsTest, ComparesWholeTextsIgnoringSingleByteLetterCase) {
    EXPECT_TRUE(SameText("*Caption", "*CAPTION"));
    EXPECT_TRUE(SameText("", ""));
    EXPECT_FALSE(SameText("*Caption", "*Caption "));
    EXPECT_FALSE(SameText("*Cap", "*Caption"));
    EXPECT_FALSE(SameText("\x83\x41", "\x83\x61")); // "ア" is not 0x83 0x61
    EXPECT_TRUE(SameText("ア", "ア"));
}

TEST_F(TextUtilsTest, RaisesRangeErrorOutsideTheText) {
    EXPECT_EQ(ByteAt("ab", 1), 'a');
    EXPECT_EQ(ByteAt("ab", 2), 'b');
    EXPECT_THROW(ByteAt("ab", 0), ERangeError);
    EXPECT_THROW(ByteAt("ab", 3), ERangeError);
    EXPECT_THROW(ByteAt("", 1), ERangeError);
}

TEST_F(TextUtilsTest, TakesTheDirectoryUpToTheLastSingleByteSeparator) {
    struct Case {
        std::string path, directory, withBackslash;
    } cases[] = {
        {"C:\\Game\\game.exe", "C:\\Game\\", "C:\\Game\\game.exe\\"},
        {"C:game.exe", "C:", "C:game.exe\\"},
        {"game.exe", "", "game.exe\\"},
        {"", "", "\\"},
        {"C:\\", "C:\\", "C:\\"},
        {"C:\\ソ", "C:\\", "C:\\ソ\\"}, // the trail 0x5C is no separator
        {"C:\\表\\x", "C:\\表\\", "C:\\表\\x\\"},
        {"\\\\server\\share", "\\\\server\\", "\\\\server\\share\\"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(DirectoryOfPath(c.path), c.directory) << c.path;
        EXPECT_EQ(WithTrailingBackslash(c.path), c.withBackslash) << c.path;
    }
    InstallLeadByteSet(LeadByteSet());
    EXPECT_EQ(WithTrailingBackslash("C:\\ソ"), "C:\\ソ"); // single-byte system: 0x5C ends it
    EXPECT_EQ(DirectoryOfPath("C:\\ソx"), "C:\\ソ");
}

} // namespace
} // namespace brisel
