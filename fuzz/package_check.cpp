// The package check and the package plan over package folders made from
// the input, on an in-memory machine that also holds files outside the
// folder: nothing may crash, and no file outside the package folder may
// ever be opened or listed, whatever the entries and links say. A script
// converted from UTF-8 or UTF-16 is valid code page 932 and keeps its lines.
//
// Input: the script's bytes, then the separator 00 FF 00, then one line per
// item of the machine, paths relative to the package folder /pkg:
//   F path=content   a file          D path         a folder
//   L path>target    a link          P path         a pipe
//   B width height   a 24-bit background of that size
#include "FuzzSupport.h"
#include "check/Messages.h"
#include "check/PackageCheck.h"
#include "common/Cp932.h"
#include "common/MemoryFiles.h"
#include "common/PackagePlan.h"
#include "common/ScriptText.h"
#include "core/Mbcs.h"
#include "support/TStringList.h"
#include "tests/native/BitmapFile.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

using namespace brisel;
using namespace brisel::tools;

namespace {

constexpr std::string_view kSeparator("\x00\xFF\x00", 3);
constexpr std::size_t kMaxItems = 64;
constexpr int kMaxPictureSide = 64;
const char kPackage[] = "/pkg";
const char kSecret[] = "TOP-SECRET";

bool Inside(const std::string& path, const std::string& folder) {
    return path == folder || path.rfind(folder + "/", 0) == 0;
}

// Machine paths longer than a real machine allows are left out.
constexpr std::size_t kMaxPath = 1024;

std::string PackagePath(std::string_view relative) {
    std::string path = std::filesystem::path(std::string(kPackage) + "/" + std::string(relative))
                           .lexically_normal()
                           .generic_string();
    while (path.size() > 1 && path.back() == '/') {
        path.pop_back();
    }
    return path;
}

// A picture side from the digits at the start of text: 1 to 64.
int Side(std::string_view text) {
    int value = 0;
    for (std::size_t i = 0; i < text.size() && i < 3 && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
    }
    return value % kMaxPictureSide + 1;
}

void AddItem(MemoryFiles& machine, std::string_view line) {
    if (line.size() < 2 || line[1] != ' ' || line.size() > kMaxPath) {
        return;
    }
    const char kind = line[0];
    std::string_view rest = line.substr(2);
    if (kind == 'B') {
        const auto space = rest.find(' ');
        const int width = Side(rest);
        const int height = space == std::string_view::npos ? width : Side(rest.substr(space + 1));
        machine.AddFile("/pkg/background.bmp", test::BitmapFile24(width, height, 0x40, 0x40, 0x40));
        return;
    }
    const char split = kind == 'F' ? '=' : kind == 'L' ? '>' : '\0';
    const auto at = split == '\0' ? std::string_view::npos : rest.find(split);
    const std::string path = PackagePath(rest.substr(0, at));
    if (path == "/" || path == kPackage || path.empty()) {
        return;
    }
    const std::string value = at == std::string_view::npos ? "" : std::string(rest.substr(at + 1));
    switch (kind) {
    case 'F':
        machine.AddFile(path, value);
        break;
    case 'D':
        machine.AddFolder(path);
        break;
    case 'L':
        machine.AddLink(path, value);
        break;
    case 'P':
        machine.AddOther(path);
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    InstallLeadByteSet(LeadByteSet::ShiftJis());
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const std::size_t separator = input.find(kSeparator);

    MemoryFiles machine;
    machine.AddFile("/etc/passwd", kSecret);
    machine.AddFile("/etc/hostname", kSecret);
    machine.AddFile("/pkg-other/key", kSecret);
    machine.AddFile("/pkg/script.txt", std::string(input.substr(0, separator)));
    machine.AddFile("/pkg/background.bmp", "");
    if (separator != std::string_view::npos) {
        std::string_view items = input.substr(separator + kSeparator.size());
        for (std::size_t n = 0; !items.empty() && n < kMaxItems; ++n) {
            const auto end = items.find('\n');
            AddItem(machine, items.substr(0, end));
            items = end == std::string_view::npos ? std::string_view() : items.substr(end + 1);
        }
    }

    // A converted script is code page 932 with as many lines as it had.
    const ScriptText text = ReadScriptText(input.substr(0, separator));
    if (text.Converted()) {
        FUZZ_CHECK(IsValidCp932(text.carried));
        FUZZ_CHECK(CutLines(text.carried).size() == CutLines(text.utf8).size());
    }

    const PackageFolder folder(machine, kPackage);
    const std::vector<Finding> findings =
        CheckPackage(folder, {{"--out", "/pkg/files/out.exe"}, {"--stage", "/out/x", true}});
    for (const auto& finding : findings) {
        for (const Language language : {Language::English, Language::Japanese}) {
            const std::string line = FindingLine(finding, SeverityOf(finding.id), language);
            FUZZ_CHECK(line.find('\n') == std::string::npos);
            FUZZ_CHECK(line.find(kSecret) == std::string::npos);
        }
    }
    const PackagePlan plan = PlanPackage(folder);
    for (const auto& payload : plan.payloads) {
        FUZZ_CHECK(Inside(payload.source.generic_string(), kPackage));
    }
    FUZZ_CHECK(plan.script.empty() || Inside(plan.script.generic_string(), kPackage));
    FUZZ_CHECK(plan.background.empty() || Inside(plan.background.generic_string(), kPackage));
    for (const auto& opened : machine.Opened()) {
        FUZZ_CHECK(Inside(opened, kPackage));
    }
    return 0;
}
