#include "TestSupport.h"
#include "core/Exceptions.h"
#include "package/Ttinycnf.h"
#include "support/TStringList.h"

#include <optional>

namespace brisel {
namespace {

using ScriptReaderTest = test::SubstituteTest;

TStringList Lines(std::initializer_list<const char*> lines) {
    TStringList list;
    for (const char* line : lines) {
        list.Add(line);
    }
    return list;
}

std::optional<String> Value(const TTinyCnf& reader, const String& key) {
    String value = "untouched";
    if (!reader.GetValue(key, value)) {
        EXPECT_EQ(value, "untouched") << key;
        return std::nullopt;
    }
    return value;
}

std::optional<std::vector<String>> Section(const TTinyCnf& reader, const String& key) {
    TStringList entries = Lines({"previous"});
    if (!reader.GetSection(key, entries)) {
        EXPECT_EQ(entries, Lines({"previous"})) << key;
        return std::nullopt;
    }
    return entries.Items();
}

TEST_F(ScriptReaderTest, CutsTextIntoLinesAtEveryKindOfBreak) {
    using V = std::vector<String>;
    struct Case {
        std::string text;
        V lines;
    } cases[] = {
        {"", V{}},
        {"a", V{"a"}},
        {"a\r\nb\r\n", V{"a", "b"}},
        {"a\rb\nc", V{"a", "b", "c"}},
        {"a\n\rb", V{"a", "", "b"}},   // LF CR ends two lines
        {"a\r\r\nb", V{"a", "", "b"}}, // so does CR CR LF
        {"a\n\n", V{"a", ""}},
        {"\r\n", V{""}},
        {std::string("a\0b\r\nc", 6), V{"a"}}, // a NUL ends the text
        {std::string("\0a", 2), V{}},
        {"\tx \r\n", V{"\tx "}}, // lines are not trimmed
        {"ソ\r\n表", V{"ソ", "表"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(CutLines(c.text), c.lines) << testing::PrintToString(c.text);
    }
}

TEST_F(ScriptReaderTest, AnswersValueKeysWithTheTrimmedDecodedNextLine) {
    const TTinyCnf reader(Lines({"*caption", "\t Title&SPACE; ", "*Caption", "second", "*GameTitle",
                                 "*Empty", "", "*Last"}));
    EXPECT_EQ(Value(reader, "*Caption"), "Title ");     // lower-case key line, first wins
    EXPECT_EQ(Value(reader, "  *CAPTION\t"), "Title "); // the key is trimmed
    EXPECT_EQ(Value(reader, "*GameTitle"), "*Empty");   // the next line, whatever it holds
    EXPECT_EQ(Value(reader, "*Empty"), "");
    EXPECT_EQ(Value(reader, "*Last"), ""); // key on the last line
    EXPECT_EQ(Value(reader, "*Missing"), std::nullopt);
    EXPECT_EQ(Value(reader, "*Capt"), std::nullopt);   // whole lines only
    EXPECT_EQ(Value(reader, "Caption"), std::nullopt); // not a value key
    EXPECT_EQ(Value(reader, "%Caption"), std::nullopt);
    EXPECT_EQ(Value(reader, ""), std::nullopt);
}

TEST_F(ScriptReaderTest, KeyLinesMustMatchWholeAndUntrimmed) {
    const TTinyCnf reader(Lines({"*Caption ", "a", "\t*GameTitle", "b", "*PatchType", "1"}));
    EXPECT_EQ(Value(reader, "*Caption"), std::nullopt);
    EXPECT_EQ(Value(reader, "*GameTitle"), std::nullopt);
    EXPECT_EQ(Value(reader, "*PatchType"), "1");
}

TEST_F(ScriptReaderTest, AValueKeyFollowedByAnotherKeyStillFindsItsOwnValue) {
    const TTinyCnf reader(Lines({"*Caption", "*GameTitle", "Game"}));
    EXPECT_EQ(Value(reader, "*Caption"), "*GameTitle");
    EXPECT_EQ(Value(reader, "*GameTitle"), "Game");
}

TEST_F(ScriptReaderTest, ABlankKeyIsACallerErrorButAnEmptyKeyIsAbsent) {
    const TTinyCnf reader(Lines({"*A", "1"}));
    String value = "v";
    TStringList entries;
    EXPECT_THROW(reader.GetValue(" \t", value), ERangeError);
    EXPECT_THROW(reader.GetSection(std::string("\0", 1), entries), ERangeError);
    EXPECT_FALSE(reader.GetValue("", value));
    EXPECT_FALSE(reader.GetSection("", entries));
    EXPECT_EQ(value, "v");
}

TEST_F(ScriptReaderTest, AnswersSectionsUpToTheNextEndLine) {
    const TTinyCnf reader(Lines({"%OutFiles", "\ta.dat", "", "  b.dat ", "%%", "%LinkPath", "\t%%",
                                 "&PERCENT;&PERCENT;", "x", "%%", "%Open", "k", "*Key"}));
    using V = std::vector<String>;
    EXPECT_EQ(Section(reader, "%OutFiles"), (V{"a.dat", "", "b.dat"}));
    // An indented "%%" and a decoded "%%" are entries, not the end.
    EXPECT_EQ(Section(reader, "%linkpath"), (V{"%%", "%%", "x"}));
    // Without an end line the section runs to the end, key lines included.
    EXPECT_EQ(Section(reader, "%Open"), (V{"k", "*Key"}));
    // "%%" as a key ends at its own line: an empty section.
    EXPECT_EQ(Section(reader, "%%"), V{});
    EXPECT_EQ(Section(reader, "%Missing"), std::nullopt);
    EXPECT_EQ(Section(reader, "*OutFiles"), std::nullopt);
}

TEST_F(ScriptReaderTest, AnEmptySectionStillAnswersTrue) {
    const TTinyCnf reader(Lines({"%LinkPath", "%%"}));
    EXPECT_EQ(Section(reader, "%LinkPath"), std::vector<String>{});
}

TEST_F(ScriptReaderTest, FindsTheTopmostEqualLineAnywhere) {
    const TTinyCnf reader(Lines({"*A", "*B", "*B", "%%", "x", "%%"}));
    EXPECT_EQ(reader.FindLine("*B"), 1);
    EXPECT_EQ(reader.FindLine("*b"), 1);
    EXPECT_EQ(reader.FindLine("*C"), -1);
    EXPECT_EQ(reader.FindSectionEnd(0), 3);
    EXPECT_EQ(reader.FindSectionEnd(4), 5);
    EXPECT_EQ(reader.FindSectionEnd(6), 6);
}

TEST_F(ScriptReaderTest, OwnsACopyOfTheLines) {
    TStringList lines = Lines({"*Caption", "Title"});
    const TTinyCnf reader(lines);
    lines.Clear();
    lines.Add("*Caption");
    lines.Add("Other");
    EXPECT_EQ(Value(reader, "*Caption"), "Title");
}

TEST_F(ScriptReaderTest, DecodesTheFiveEscapesInTheirFixedOrder) {
    struct Case {
        std::string in, out;
    } cases[] = {
        {"&AMPERSAND;", "&"},
        {"&TAB;&SPACE;&ASTERISK;&PERCENT;", "\t *%"},
        {"&AMPERSAND;TAB;", "\t"},                // the produced "&" starts a later escape
        {"&AMPERSAND;AMPERSAND;", "&AMPERSAND;"}, // but not one of the same pass
        {"&PERCENT;AMPERSAND;", "%AMPERSAND;"},
        {"&tab;&TAB", "&tab;&TAB"}, // case-sensitive, needs its semicolon
        {"&AMP;&&TAB;", "&AMP;&\t"},
        {"a&SPACE;&SPACE;b", "a  b"},
        {"\x83&TAB;", "\x83&TAB;"}, // "&" as a trail byte is no escape
        {"ソ&TAB;", "ソ\t"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(TTinyCnf::DecodeEscapes(c.in), c.out) << c.in;
    }
}

TEST_F(ScriptReaderTest, EscapesSurviveTrimmingAtTheEnds) {
    const TTinyCnf reader(Lines({"%OutFiles", "\t&SPACE;name&SPACE;\t", "&TAB;", "%%"}));
    EXPECT_EQ(Section(reader, "%OutFiles"), (std::vector<String>{" name ", "\t"}));
}

TEST_F(ScriptReaderTest, ReadsAScriptLaidOutWithTabsAndCrLf) {
    TStringList lines;
    lines.LoadFromBytes("*PatchType\r\n\t1\r\n\r\n%LinkPath\r\n\tゲーム\\ゲーム.lnk\r\n%%\r\n\r\n"
                        "*Caption\r\n\tパッチ Ver1.0\r\n\r\n*CheckTargetFilename\r\ngame.exe\r\n");
    const TTinyCnf reader(lines);
    EXPECT_EQ(Value(reader, "*PatchType"), "1");
    EXPECT_EQ(Value(reader, "*Caption"), "パッチ Ver1.0");
    EXPECT_EQ(Value(reader, "*CheckTargetFilename"), "game.exe");
    EXPECT_EQ(Section(reader, "%LinkPath"), (std::vector<String>{"ゲーム\\ゲーム.lnk"}));
}

} // namespace
} // namespace brisel
