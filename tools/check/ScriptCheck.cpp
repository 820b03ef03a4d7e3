#include "ScriptCheck.h"

#include "Messages.h"
#include "common/Cp932.h"
#include "common/ScriptSummary.h"
#include "common/ScriptText.h"
#include "common/Unicode.h"
#include "core/TextUtils.h"
#include "package/PatchTypeNumber.h"
#include "package/Ttinycnf.h"
#include "support/SameText.h"

#include <algorithm>
#include <set>
#include <string_view>

namespace brisel::tools {

namespace {

constexpr const char* kValueKeys[] = {"*Caption", "*GameTitle", "*PatchType",
                                      "*CheckTargetFilename", "*Version"};
constexpr const char* kSectionKeys[] = {"%LinkPath", "%OutFiles"};
constexpr const char* kSectionEnd = "%%";

// Lines longer than this are no near miss of any key.
constexpr std::size_t kLongestNearMiss = 40;

std::vector<std::string> KnownNames(bool withEnd) {
    std::vector<std::string> names(std::begin(kValueKeys), std::end(kValueKeys));
    names.insert(names.end(), std::begin(kSectionKeys), std::end(kSectionKeys));
    if (withEnd) {
        names.push_back(kSectionEnd);
    }
    return names;
}

// 1-based line of the byte at offset, counting line breaks as the
// installer's line cutting does (CR LF, a lone CR and a lone LF).
int LineOfOffset(std::string_view text, std::size_t offset) {
    int line = 1;
    for (std::size_t i = 0; i < offset; ++i) {
        if (text[i] == '\r') {
            ++line;
            if (i + 1 < offset && text[i + 1] == '\n') {
                ++i;
            }
        } else if (text[i] == '\n') {
            ++line;
        }
    }
    return line;
}

// Edit distance with letter case ignored, a swap of two neighbours
// counting as one edit.
std::size_t Distance(const std::string& a, const std::string& b) {
    const auto fold = [](char c) { return (c >= 'a' && c <= 'z') ? char(c - 'a' + 'A') : c; };
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i) {
        d[i][0] = i;
    }
    for (std::size_t j = 0; j <= b.size(); ++j) {
        d[0][j] = j;
    }
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t cost = fold(a[i - 1]) == fold(b[j - 1]) ? 0 : 1;
            d[i][j] = std::min({d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + cost});
            if (i > 1 && j > 1 && fold(a[i - 1]) == fold(b[j - 2]) &&
                fold(a[i - 2]) == fold(b[j - 1])) {
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
            }
        }
    }
    return d[a.size()][b.size()];
}

// The known name that text is a likely misspelling of, or empty.
std::string NearMiss(const std::string& text) {
    if (text.size() < 2 || text.size() > kLongestNearMiss) {
        return {};
    }
    std::string best;
    std::size_t bestDistance = 0;
    for (const std::string& name : KnownNames(true)) {
        const std::size_t allowed = name.size() <= 4 ? 1 : name.size() <= 12 ? 2 : 3;
        const std::size_t lengthGap =
            text.size() > name.size() ? text.size() - name.size() : name.size() - text.size();
        if (lengthGap > allowed) {
            continue;
        }
        const std::size_t distance = Distance(text, name);
        if (distance > 0 && distance <= allowed && (best.empty() || distance < bestDistance)) {
            best = name;
            bestDistance = distance;
        }
    }
    return best;
}

class ScriptChecker {
public:
    ScriptChecker(const std::vector<String>& lines, std::vector<Finding>& findings)
        : lines_(lines), reader_(ToList(lines)), findings_(findings) {}

    ScriptFacts Run() {
        MarkPositions();
        const std::int32_t patchType = CheckPatchType();
        CheckTargetFilename();
        CheckLinkPath();
        ScriptFacts facts;
        facts.readable = true;
        facts.outFiles = AskSection(reader_, "%OutFiles");
        facts.outFilesLine = reader_.FindLine("%OutFiles") + 1;
        CheckOutFiles(patchType, facts);
        CheckSectionEnds();
        CheckKeyLines();
        return facts;
    }

private:
    static TStringList ToList(const std::vector<String>& lines) {
        TStringList list;
        for (const auto& line : lines) {
            list.Add(line);
        }
        return list;
    }

    void Add(MessageId id, int line0, std::vector<std::string> args = {}) {
        findings_.push_back({id, "script.txt", line0 + 1, std::move(args)});
    }

    // The lines the reader takes as values and as section entries.
    void MarkPositions() {
        for (const char* key : kValueKeys) {
            const int line = reader_.FindLine(key);
            if (line >= 0 && static_cast<std::size_t>(line) + 1 < lines_.size()) {
                values_.insert(line + 1);
            }
        }
        for (const char* key : kSectionKeys) {
            const int line = reader_.FindLine(key);
            if (line >= 0) {
                const int end = reader_.FindSectionEnd(line);
                for (int j = line + 1; j < end; ++j) {
                    entries_.insert(j);
                }
            }
        }
    }

    // The line of key's value, or the key's own line when it is the last.
    int ValueLine(int keyLine) const {
        return static_cast<std::size_t>(keyLine) + 1 < lines_.size() ? keyLine + 1 : keyLine;
    }

    std::int32_t CheckPatchType() {
        const int line = reader_.FindLine("*PatchType");
        if (line < 0) {
            Add(MessageId::PatchTypeAbsent, 0);
            return 0;
        }
        patchTypeLine_ = ValueLine(line);
        const std::string value = AskValue(reader_, "*PatchType").value_or(std::string());
        const auto number = ParseScriptInteger(value);
        if (!number) {
            Add(MessageId::PatchTypeNotNumber, patchTypeLine_, {Shown(value)});
            return 1;
        }
        if (*number != 0 && *number != 1) {
            Add(MessageId::PatchTypeOther, patchTypeLine_, {Shown(value)});
        }
        return *number;
    }

    void CheckTargetFilename() {
        const int line = reader_.FindLine("*CheckTargetFilename");
        if (line < 0) {
            Add(MessageId::CheckTargetAbsent, 0);
        } else if (AskValue(reader_, "*CheckTargetFilename").value_or(std::string()).empty()) {
            Add(MessageId::CheckTargetEmpty, ValueLine(line));
        }
    }

    void CheckLinkPath() {
        const int line = reader_.FindLine("%LinkPath");
        if (line < 0) {
            Add(MessageId::LinkPathAbsent, 0);
            return;
        }
        const auto entries = AskSection(reader_, "%LinkPath").value_or(std::vector<std::string>());
        if (entries.empty()) {
            Add(MessageId::LinkPathEmpty, line);
            return;
        }
        // The walk stops for good at the first blank line it reaches.
        const auto blank = std::find(entries.begin(), entries.end(), std::string());
        if (blank != entries.end()) {
            Add(MessageId::LinkPathBlank, line + 1 + static_cast<int>(blank - entries.begin()));
        }
    }

    void CheckOutFiles(std::int32_t patchType, const ScriptFacts& facts) {
        if (patchType != 1) {
            return;
        }
        if (!facts.outFiles) {
            Add(MessageId::OutFilesAbsent, patchTypeLine_);
        } else if (std::all_of(facts.outFiles->begin(), facts.outFiles->end(),
                               [](const std::string& entry) { return entry.empty(); })) {
            Add(MessageId::OutFilesEmpty, facts.outFilesLine - 1);
        }
    }

    bool IsKeyLine(const String& line) const {
        const String trimmed = Trim(line);
        const auto names = KnownNames(false);
        return std::any_of(names.begin(), names.end(),
                           [&](const std::string& name) { return SameText(trimmed, name); });
    }

    void CheckSectionEnds() {
        for (const char* key : kSectionKeys) {
            const int line = reader_.FindLine(key);
            if (line < 0) {
                continue;
            }
            const int end = reader_.FindSectionEnd(line);
            for (int j = line + 1; j < end; ++j) {
                if (IsKeyLine(lines_[static_cast<std::size_t>(j)])) {
                    Add(MessageId::SectionRunsOver, line,
                        {key, std::to_string(j + 1), Shown(lines_[static_cast<std::size_t>(j)])});
                    break;
                }
            }
        }
    }

    // Key lines the reader does not take as meant: spaces around a key,
    // a near miss of a key, a key given twice.
    void CheckKeyLines() {
        const auto names = KnownNames(true);
        std::vector<int> first(names.size(), -1);
        for (std::size_t n = 0; n < names.size(); ++n) {
            first[n] = reader_.FindLine(names[n]);
        }
        for (std::size_t i = 0; i < lines_.size(); ++i) {
            const int line = static_cast<int>(i);
            if (values_.count(line) > 0) {
                continue;
            }
            const String& text = lines_[i];
            const String trimmed = Trim(text);
            if (trimmed.empty()) {
                continue;
            }
            const auto exact = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return SameText(text, n);
            });
            if (exact != names.end()) {
                const auto n = static_cast<std::size_t>(exact - names.begin());
                if (*exact != kSectionEnd && first[n] != line) {
                    Add(MessageId::DuplicateKey, line, {*exact, std::to_string(first[n] + 1)});
                }
                continue;
            }
            const auto spaced = std::find_if(names.begin(), names.end(), [&](const std::string& n) {
                return SameText(trimmed, n);
            });
            if (spaced != names.end()) {
                Add(MessageId::KeySpaces, line, {Shown(text), *spaced});
                continue;
            }
            if (entries_.count(line) > 0) {
                continue;
            }
            const std::string near = NearMiss(trimmed);
            if (!near.empty()) {
                Add(MessageId::KeyNearMiss, line, {Shown(trimmed), near});
            }
        }
    }

    const std::vector<String>& lines_;
    const TTinyCnf reader_;
    std::vector<Finding>& findings_;
    std::set<int> values_;
    std::set<int> entries_;
    int patchTypeLine_ = 0;
};

// The first line end that the reader takes as two: a lone LF followed by a
// CR (LF CR), or a lone CR followed by CR LF (CR CR LF). Either leaves an
// empty line after the line it ends. npos when there is none.
std::size_t FindDoubledLineEnd(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (text.substr(i + 1, 1) == "\n") {
                ++i;
            } else if (text.substr(i + 1, 2) == "\r\n") {
                return i;
            }
        } else if (text[i] == '\n' && text.substr(i + 1, 1) == "\r") {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string UnicodeName(char32_t c) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string digits;
    for (; c != 0 || digits.size() < 4; c >>= 4) {
        digits.insert(digits.begin(), kHex[c & 0xF]);
    }
    return "U+" + digits;
}

// A character as a message shows it: its code, and the character itself
// unless it is an invisible control character.
std::string ShownCharacter(char32_t c) {
    std::string shown = UnicodeName(c);
    if (c >= 0xA0) {
        shown += " (";
        AppendUtf8(shown, c);
        shown += ")";
    }
    return shown;
}

// Findings about how the script is saved; true when they make its content
// unfit for further checks.
bool CheckEncoding(const ScriptText& text, std::vector<Finding>& findings) {
    const auto add = [&](MessageId id, int line, std::vector<std::string> args = {}) {
        findings.push_back({id, "script.txt", line, std::move(args)});
    };
    if (text.encoding == ScriptEncoding::Utf16Unmarked) {
        add(MessageId::ScriptUtf16, 1);
        return true;
    }
    if (text.encoding == ScriptEncoding::NotText) {
        add(MessageId::ScriptNotText, 1);
        return true;
    }
    const std::string encoding = text.encoding == ScriptEncoding::Utf16 ? "UTF-16" : "UTF-8";
    if (text.Converted()) {
        add(MessageId::ScriptConverted, 0, {encoding});
    }
    for (const ScriptFlaw& flaw : text.flaws) {
        if (flaw.malformed) {
            add(MessageId::ScriptMalformed, flaw.line, {encoding});
        } else {
            add(MessageId::ScriptUnconvertible, flaw.line,
                {ShownCharacter(flaw.character), std::to_string(flaw.column)});
        }
    }
    const std::string_view carried = text.carried;
    const std::size_t nul = carried.find('\0');
    if (nul != std::string_view::npos) {
        add(MessageId::ScriptNul, LineOfOffset(carried, nul));
    }
    // Line ends as the author saved them: a converted script carries CR LF.
    const std::string_view saved = text.Converted() ? std::string_view(text.utf8) : carried;
    const std::string_view read = saved.substr(0, saved.find('\0'));
    const std::size_t doubled = FindDoubledLineEnd(read);
    if (doubled != std::string_view::npos) {
        add(MessageId::ScriptDoubledLineEnd, LineOfOffset(read, doubled));
    }
    if (!text.Converted() && (text.alsoUtf8 || !IsValidCp932(read))) {
        const std::vector<String> lines = CutLines(read);
        for (std::size_t i = 0; i < lines.size(); ++i) {
            const int line = static_cast<int>(i) + 1;
            if (text.alsoUtf8 && HasNonAscii(lines[i])) {
                add(MessageId::ScriptAlsoUtf8, line, {Shown(lines[i]), ShownUtf8(lines[i])});
                break;
            }
            if (!text.alsoUtf8 && !IsValidCp932(lines[i])) {
                add(MessageId::ScriptNotShiftJis, line);
                break;
            }
        }
    }
    return !text.flaws.empty();
}

} // namespace

ScriptFacts CheckScript(const std::string& bytes, std::vector<Finding>& findings) {
    const ScriptText text = ReadScriptText(bytes);
    if (CheckEncoding(text, findings)) {
        return {};
    }
    return ScriptChecker(CutLines(text.carried), findings).Run();
}

} // namespace brisel::tools
