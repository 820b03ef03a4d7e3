#include "PackagePlan.h"

#include "Cp932.h"
#include "ScriptSummary.h"
#include "package/TBitmap.h"
#include "package/TResourceStream.h"
#include "support/Exceptions.h"

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

void CheckBackground(const fs::path& background) {
    if (!fs::is_regular_file(background)) {
        throw PackageError(background.u8string() + ": the background picture is missing");
    }
    const std::string bytes = ReadFileBytes(background);
    TResourceStream stream(bytes);
    try {
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
    } catch (const Exception& e) {
        throw PackageError(background.u8string() +
                           ": not an empty file nor a Windows bitmap: " + Cp932ToUtf8(e.Message()));
    }
}

std::string Quoted(const std::string& sjis) {
    return "\"" + Cp932ToUtf8(sjis) + "\"";
}

} // namespace

fs::path PayloadPath(const fs::path& folder, const std::string& entry) {
    std::string relative = Cp932ToUtf8(entry);
    for (char& c : relative) {
        if (c == '\\') {
            c = '/';
        }
    }
    return folder / "files" / fs::u8path(relative);
}

PackagePlan PlanPackage(const fs::path& folder) {
    PackagePlan plan;
    plan.script = folder / "script.txt";
    plan.background = folder / "background.bmp";
    if (!fs::is_regular_file(plan.script)) {
        throw PackageError(plan.script.u8string() + ": the patch script is missing");
    }
    CheckBackground(plan.background);

    TStringList lines;
    lines.LoadFromBytes(ReadFileBytes(plan.script));
    const TTinyCnf reader(lines);
    const ScriptSummary summary = Summarize(reader);

    if (summary.linkPath) {
        for (const auto& entry : *summary.linkPath) {
            if (entry.empty()) {
                plan.warnings.push_back(plan.script.u8string() +
                                        ": a blank \"%LinkPath\" line stops the installer's "
                                        "search with an error when it is reached");
            }
        }
    }
    if (summary.outFiles) {
        for (std::size_t i = 0; i < summary.outFiles->size(); ++i) {
            const std::string& entry = (*summary.outFiles)[i];
            if (entry.empty()) {
                continue;
            }
            const fs::path source = PayloadPath(folder, entry);
            if (!fs::is_regular_file(source)) {
                throw PackageError("\"%OutFiles\" entry " + std::to_string(i) + " " +
                                   Quoted(entry) + ": payload file " + source.u8string() +
                                   " is missing");
            }
            plan.payloads.push_back({static_cast<int>(i), entry, source});
        }
    }
    return plan;
}

std::vector<PackageItem> PackageItems(const PackagePlan& plan) {
    std::vector<PackageItem> items{{"TEXT", "RESOURCE_SCRIPT", plan.script},
                                   {"BMP", "RESOURCE_BACKGROUND", plan.background}};
    for (const auto& payload : plan.payloads) {
        items.push_back({"BIN", "RESOURCE_FILE" + std::to_string(payload.number), payload.source});
    }
    return items;
}

} // namespace brisel::tools
