// The patch script reader against a reference model of its rules: how the
// text is cut into lines, which line answers a key, where a section ends,
// trimming and the five escapes, the "*PatchType" number rule, and that a
// failed lookup leaves its output untouched.
#include "FuzzSupport.h"
#include "core/Exceptions.h"
#include "package/PatchTypeNumber.h"
#include "package/Ttinycnf.h"
#include "platform/Locale.h"
#include "support/TStringList.h"

#include <charconv>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace brisel;
using fuzz::ModelReplace;
using fuzz::ModelTrim;

std::vector<std::string> ModelLines(std::string_view text) {
    text = text.substr(0, text.find('\0'));
    std::vector<std::string> lines;
    while (!text.empty()) {
        const std::size_t end = text.find_first_of("\r\n");
        lines.emplace_back(text.substr(0, end));
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end);
        if (text.front() == '\r') {
            text.remove_prefix(1);
        }
        if (!text.empty() && text.front() == '\n') {
            text.remove_prefix(1);
        }
    }
    return lines;
}

std::string ModelDecode(std::string text) {
    static const char* const kEscapes[][2] = {{"&AMPERSAND;", "&"},
                                              {"&TAB;", "\t"},
                                              {"&SPACE;", " "},
                                              {"&ASTERISK;", "*"},
                                              {"&PERCENT;", "%"}};
    static const LeadByteSet kShiftJis = LeadByteSet::ShiftJis();
    for (const auto& escape : kEscapes) {
        text = ModelReplace(text, escape[0], escape[1], kShiftJis);
    }
    return text;
}

// The answer to a question: thrown (a blank key), or found with a result.
struct Answer {
    bool thrown = false;
    bool found = false;
    std::vector<std::string> result; // the value, or the entries
    bool operator==(const Answer& other) const {
        return thrown == other.thrown && found == other.found && result == other.result;
    }
};

long FirstEqualLine(const std::vector<std::string>& lines, const std::string& key,
                    std::size_t from = 0) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (platform::LocaleSameText(lines[i], key)) {
            return static_cast<long>(i);
        }
    }
    return -1;
}

Answer ModelQuestion(const std::vector<std::string>& lines, const std::string& key, char kind) {
    Answer answer;
    if (key.empty()) {
        return answer;
    }
    const std::string trimmed = ModelTrim(key);
    if (trimmed.empty()) {
        answer.thrown = true;
        return answer;
    }
    if (trimmed[0] != kind) {
        return answer;
    }
    const long line = FirstEqualLine(lines, trimmed);
    if (line < 0) {
        return answer;
    }
    answer.found = true;
    const auto next = static_cast<std::size_t>(line) + 1;
    if (kind == '*') {
        answer.result.push_back(next < lines.size() ? ModelDecode(ModelTrim(lines[next])) : "");
        return answer;
    }
    const long endLine = FirstEqualLine(lines, "%%", static_cast<std::size_t>(line));
    const std::size_t end = endLine < 0 ? lines.size() : static_cast<std::size_t>(endLine);
    for (std::size_t j = next; j < end; ++j) {
        answer.result.push_back(ModelDecode(ModelTrim(lines[j])));
    }
    return answer;
}

const std::vector<std::string> kUntouchedEntries = {"untouched", "", "entries"};

Answer AskValue(const TTinyCnf& reader, const std::string& key) {
    Answer answer;
    String value = "untouched";
    try {
        answer.found = reader.GetValue(key, value);
    } catch (const ERangeError&) {
        answer.thrown = true;
    }
    if (answer.found) {
        answer.result.push_back(value);
    } else {
        FUZZ_CHECK(value == "untouched");
    }
    return answer;
}

Answer AskSection(const TTinyCnf& reader, const std::string& key) {
    Answer answer;
    TStringList entries;
    for (const auto& entry : kUntouchedEntries) {
        entries.Add(entry);
    }
    try {
        answer.found = reader.GetSection(key, entries);
    } catch (const ERangeError&) {
        answer.thrown = true;
    }
    if (answer.found) {
        answer.result = entries.Items();
    } else {
        FUZZ_CHECK(entries.Items() == kUntouchedEntries);
    }
    return answer;
}

// The number rule of "*PatchType", modelled with the standard parser.
std::optional<std::int32_t> ModelNumber(std::string_view text) {
    const auto parse = [](std::string_view digits, int base) -> std::optional<std::int32_t> {
        if (digits.empty()) {
            return std::nullopt;
        }
        const char* end = digits.data() + digits.size();
        if (base == 16) {
            std::uint32_t value = 0;
            const auto [stop, error] = std::from_chars(digits.data(), end, value, 16);
            if (error != std::errc() || stop != end) {
                return std::nullopt;
            }
            return static_cast<std::int32_t>(value);
        }
        std::int32_t value = 0;
        const auto [stop, error] = std::from_chars(digits.data(), end, value, 10);
        if (error != std::errc() || stop != end) {
            return std::nullopt;
        }
        return value;
    };
    if (text.empty()) {
        return std::nullopt;
    }
    if (text[0] == '$' || text[0] == 'x' || text[0] == 'X') {
        return parse(text.substr(1), 16);
    }
    if (text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        return parse(text.substr(2), 16);
    }
    if (text[0] == '+') {
        text.remove_prefix(1);
        if (text.empty() || text[0] == '-') {
            return std::nullopt;
        }
    }
    return parse(text, 10);
}

std::string AsciiLower(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return text;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const LeadByteSet kShiftJis = LeadByteSet::ShiftJis();
    InstallLeadByteSet(kShiftJis);
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    const std::vector<std::string> lines = ModelLines(text);
    TStringList loaded;
    loaded.Add("left over");
    loaded.LoadFromBytes(text);
    FUZZ_CHECK(loaded.Items() == lines);

    // The reader keeps its own copy of the lines.
    const TTinyCnf reader(loaded);
    loaded.Clear();

    // The system's own keys, keys that are not there, blank keys, and keys
    // made from the script's lines as they stand, padded and in lower case.
    std::set<std::string> keys = {"*Caption",  "*GameTitle", "*PatchType", "*CheckTargetFilename",
                                  "%LinkPath", "%OutFiles",  "%%",         "*",
                                  "%",         "*NotThere",  "",           " \t",
                                  "x",         " *Caption "};
    for (std::size_t i = 0; i < lines.size() && i < 16; ++i) {
        keys.insert(lines[i]);
        keys.insert("\t" + lines[i] + " ");
        keys.insert(AsciiLower(lines[i]));
    }
    for (const std::string& key : keys) {
        FUZZ_CHECK(AskValue(reader, key) == ModelQuestion(lines, key, '*'));
        FUZZ_CHECK(AskSection(reader, key) == ModelQuestion(lines, key, '%'));
    }

    for (const std::string& line : lines) {
        const std::string trimmed = ModelTrim(line);
        FUZZ_CHECK(ParseScriptInteger(trimmed) == ModelNumber(trimmed));
    }
    String value;
    std::optional<String> patchType;
    if (reader.GetValue("*PatchType", value)) {
        patchType = value;
    }
    const std::int32_t expected = !patchType ? 0 : ModelNumber(*patchType).value_or(1);
    FUZZ_CHECK(PatchTypeFromValue(patchType) == expected);
    return 0;
}
