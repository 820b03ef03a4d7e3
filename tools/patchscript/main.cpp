// patchscript: shows patch authors what the installer will read from a
// patch script, using the installer's own reader.
//
//   patchscript show [--json] SCRIPT
//   patchscript get [--json] SCRIPT KEY
#include "common/Cp932.h"
#include "common/Json.h"
#include "common/ScriptSummary.h"
#include "common/ScriptText.h"
#include "core/Exceptions.h"
#include "core/Mbcs.h"
#include "core/TextUtils.h"

#include <cstdio>
#include <string>
#include <vector>

using namespace brisel;
using namespace brisel::tools;

namespace {

constexpr int kFound = 0;
constexpr int kNotFound = 1;
constexpr int kError = 2;

void Print(const std::string& text) {
    std::fwrite(text.data(), 1, text.size(), stdout);
}

int Usage() {
    std::fputs("usage: patchscript show [--json] SCRIPT\n"
               "       patchscript get [--json] SCRIPT KEY\n",
               stderr);
    return kError;
}

std::string Text(const std::optional<std::string>& value) {
    return value ? "\"" + Cp932ToUtf8(*value) + "\"" : "(absent)";
}

void PrintSummaryText(const ScriptSummary& s) {
    Print("Caption:             " + Text(s.caption) + "\n");
    Print("GameTitle:           " + Text(s.gameTitle) + "\n");
    Print("PatchType:           " + Text(s.patchType) + " -> " + std::to_string(s.patchTypeValue) +
          "\n");
    Print("CheckTargetFilename: " + Text(s.checkTargetFilename) + "\n");
    if (!s.linkPath) {
        Print("LinkPath:            (absent: the installer stops at start-up)\n");
    } else {
        Print("LinkPath:            " + std::to_string(s.linkPath->size()) + " entries\n");
        for (const auto& entry : *s.linkPath) {
            Print("  " + Text(entry) + (entry.empty() ? "  (blank: an error at start-up)" : "") +
                  "\n");
        }
    }
    if (!s.outFiles) {
        Print("OutFiles:            (absent)\n");
        return;
    }
    Print("OutFiles:            " + std::to_string(s.outFiles->size()) + " entries\n");
    for (std::size_t i = 0; i < s.outFiles->size(); ++i) {
        const auto& entry = (*s.outFiles)[i];
        if (entry.empty()) {
            Print("  #" + std::to_string(i) + " (blank, skipped)\n");
        } else {
            Print("  #" + std::to_string(i) + " " + Text(entry) + " <- RESOURCE_FILE" +
                  std::to_string(i) + "\n");
        }
    }
}

void PrintSummaryJson(const ScriptSummary& s) {
    Print("{\"Caption\": " + JsonCp932(s.caption) + ", \"GameTitle\": " + JsonCp932(s.gameTitle) +
          ", \"PatchType\": " + JsonCp932(s.patchType) +
          ", \"CheckTargetFilename\": " + JsonCp932(s.checkTargetFilename) +
          ", \"PatchTypeValue\": " + std::to_string(s.patchTypeValue) + ", \"LinkPath\": " +
          JsonCp932Array(s.linkPath) + ", \"OutFiles\": " + JsonCp932Array(s.outFiles) + "}\n");
}

// The script as an installer built by patchpack reads it: a UTF-8 or UTF-16
// script converted to Shift-JIS.
TStringList LoadScript(const std::string& path) {
    TStringList lines;
    lines.LoadFromBytes(ReadScriptText(ReadFileBytes(path)).carried);
    return lines;
}

// A key typed on a UTF-8 terminal becomes the Shift-JIS bytes the script
// holds; a key that is not valid UTF-8 is taken as raw bytes.
std::string KeyBytes(const std::string& argument) {
    std::string bytes;
    return Utf8ToCp932(argument, bytes) ? bytes : argument;
}

int Show(const std::vector<std::string>& args) {
    const bool json = !args.empty() && args[0] == "--json";
    if (args.size() != (json ? 2u : 1u)) {
        return Usage();
    }
    const TTinyCnf reader(LoadScript(args.back()));
    const ScriptSummary summary = Summarize(reader);
    json ? PrintSummaryJson(summary) : PrintSummaryText(summary);
    return kFound;
}

int Get(const std::vector<std::string>& args) {
    const bool json = !args.empty() && args[0] == "--json";
    if (args.size() != (json ? 3u : 2u)) {
        return Usage();
    }
    const TTinyCnf reader(LoadScript(args[args.size() - 2]));
    const std::string& keyArgument = args.back();
    const std::string key = KeyBytes(keyArgument);
    const bool section = !Trim(key).empty() && Trim(key)[0] == '%';
    if (section) {
        const auto entries = AskSection(reader, key);
        if (json) {
            Print("{\"key\": " + JsonCp932(key) + ", \"found\": " + (entries ? "true" : "false") +
                  ", \"entries\": " + JsonCp932Array(entries) + "}\n");
        } else if (entries) {
            for (const auto& entry : *entries) {
                Print(Cp932ToUtf8(entry) + "\n");
            }
        }
        return entries ? kFound : kNotFound;
    }
    const auto value = AskValue(reader, key);
    if (json) {
        Print("{\"key\": " + JsonCp932(key) + ", \"found\": " + (value ? "true" : "false") +
              ", \"value\": " + JsonCp932(value) + "}\n");
    } else if (value) {
        Print(Cp932ToUtf8(*value) + "\n");
    }
    return value ? kFound : kNotFound;
}

} // namespace

int main(int argc, char** argv) {
    InstallLeadByteSet(LeadByteSet::ShiftJis());
    if (argc < 2) {
        return Usage();
    }
    const std::string command = argv[1];
    const std::vector<std::string> args(argv + 2, argv + argc);
    try {
        if (command == "show") {
            return Show(args);
        }
        if (command == "get") {
            return Get(args);
        }
        return Usage();
    } catch (const Exception& e) {
        std::fprintf(stderr, "patchscript: %s\n", Cp932ToUtf8(e.Message()).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "patchscript: %s\n", e.what());
    }
    return kError;
}
