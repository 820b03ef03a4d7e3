#include "support/TokenSplit.h"
#include "TestSupport.h"

#include <vector>

namespace brisel {
namespace {

using TokenSplitTest = test::SubstituteTest;
using Pieces = std::vector<String>;

struct SplitCase {
    const char* name;
    String text;
    String delimiters;
    Pieces split;     // what SplitTokens appends
    Pieces tokenized; // what Tokenize leaves
};

TEST_F(TokenSplitTest, SplitsAtDelimitersOutsideQuotesAndDoubleByteCharacters) {
    const String q = "\"";
    const SplitCase cases[] = {
        {"registry path",
         "HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Explorer\\"
         "Shell Folders\\AppData",
         "\\",
         {"HKEY_CURRENT_USER", "Software", "Microsoft", "Windows", "CurrentVersion", "Explorer",
          "Shell Folders", "AppData"},
         {"HKEY_CURRENT_USER", "Software", "Microsoft", "Windows", "CurrentVersion", "Explorer",
          "Shell Folders", "AppData"}},
        {"leading, doubled and trailing delimiters",
         "\\a\\\\b\\",
         "\\",
         {"", "a", "", "b", ""},
         {"a", "b"}},
        {"trail byte 0x5C", "ソフト\\表示", "\\", {"ソフト", "表示"}, {"ソフト", "表示"}},
        {"lead byte run", "\x81\x81\x81\\x", "\\", {"\x81\x81\x81\\x"}, {"\x81\x81\x81\\x"}},
        {"closing quote ends a piece",
         "a " + q + "b c" + q + " d",
         " ",
         {"a", "b c", "", "d"},
         {"a", "b c", "d"}},
        {"opening quote continues a piece",
         "x" + q + "y z" + q + "w",
         " ",
         {"x" + String("y z"), "w"},
         {"xy z", "w"}},
        {"unclosed quote runs to the end", "a " + q + "b c", " ", {"a", "b c"}, {"a", "b c"}},
        {"two quotes at the start", q + q + "a", " ", {"", "a"}, {"a"}},
        {"two quotes after a delimiter", "a " + q + q, " ", {"a", "", ""}, {"a"}},
        {"no classification inside quotes",
         q + "\x83" + q + "\\b",
         "\\",
         {"\x83", "", "b"},
         {"\x83", "b"}},
        {"quoted delimiter",
         "HKEY_USERS\\" + q + "a\\b" + q + "\\v",
         "\\",
         {"HKEY_USERS", "a\\b", "", "v"},
         {"HKEY_USERS", "a\\b", "v"}},
        {"empty text", "", "\\", {""}, {}},
        {"empty delimiters cut at closing quotes only",
         "a b" + q + "c\\d" + q + "e f",
         "",
         {"a bc\\d", "e f"},
         {"a bc\\d", "e f"}},
        {"every delimiter byte counts", "a;b,c", ",;", {"a", "b", "c"}, {"a", "b", "c"}},
        {"NUL is a single byte",
         String("\x81\0;x", 4),
         ";",
         {String("\x81\0", 2), "x"},
         {String("\x81\0", 2), "x"}},
    };
    for (const auto& c : cases) {
        TStringList split;
        const int count = SplitTokens(c.text, c.delimiters, split);
        EXPECT_EQ(split.Items(), c.split) << c.name;
        EXPECT_EQ(count, static_cast<int>(c.split.size())) << c.name;

        TStringList tokenized;
        tokenized.Add("left over");
        EXPECT_EQ(Tokenize(c.text, c.delimiters, tokenized), count) << c.name;
        EXPECT_EQ(tokenized.Items(), c.tokenized) << c.name;
    }
}

TEST_F(TokenSplitTest, CutsAtTrailBytesOnASingleByteSystem) {
    InstallLeadByteSet(LeadByteSet());
    TStringList pieces;
    EXPECT_EQ(SplitTokens("ソフト", "\\", pieces), 2); // 0x83 0x5C 0x83 0x74 0x83 0x67
    EXPECT_EQ(pieces.Items(), (Pieces{"\x83", "\x83t\x83g"}));
}

TEST_F(TokenSplitTest, AppendsAfterWhatTheListHolds) {
    TStringList pieces;
    pieces.Add("first");
    EXPECT_EQ(SplitTokens("a\\b", "\\", pieces), 2);
    EXPECT_EQ(pieces.Items(), (Pieces{"first", "a", "b"}));
}

TEST_F(TokenSplitTest, RemovesEveryEmptyItemKeepingTheOrder) {
    TStringList pieces;
    for (const char* item : {"", "", "a", "", "b", "", ""}) {
        pieces.Add(item);
    }
    RemoveEmptyItems(pieces);
    EXPECT_EQ(pieces.Items(), (Pieces{"a", "b"}));

    TStringList empties;
    empties.Add("");
    RemoveEmptyItems(empties);
    EXPECT_EQ(empties.Count(), 0u);
}

} // namespace
} // namespace brisel
