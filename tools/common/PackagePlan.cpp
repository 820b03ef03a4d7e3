#include "PackagePlan.h"

#include "Cp932.h"
#include "ScriptSummary.h"
#include "package/TBitmap.h"
#include "package/TResourceStream.h"
#include "support/Exceptions.h"

#include <fstream>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

void CheckBackground(const fs::path& background) {
    if (!fs::is_regular_file(background)) {
        throw PackageError(background.string() + ": the background picture is missing");
    }
    const std::string bytes = ReadFileBytes(background);
    TResourceStream stream(bytes);
    try {
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
    } catch (const Exception& e) {
        throw PackageError(background.string() +
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
    return folder / "files" / relative;
}

PackagePlan PlanPackage(const fs::path& folder) {
    PackagePlan plan;
    plan.script = folder / "script.txt";
    plan.background = folder / "background.bmp";
    if (!fs::is_regular_file(plan.script)) {
        throw PackageError(plan.script.string() + ": the patch script is missing");
    }
    CheckBackground(plan.background);

    TStringList lines;
    lines.LoadFromBytes(ReadFileBytes(plan.script));
    const TTinyCnf reader(lines);
    const ScriptSummary summary = Summarize(reader);

    if (summary.linkPath) {
        for (const auto& entry : *summary.linkPath) {
            if (entry.empty()) {
                plan.warnings.push_back(plan.script.string() +
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
                                   Quoted(entry) + ": payload file " + source.string() +
                                   " is missing");
            }
            plan.payloads.push_back({static_cast<int>(i), entry, source});
        }
    }
    return plan;
}

fs::path StagePackage(const PackagePlan& plan, const fs::path& stageDir) {
    fs::create_directories(stageDir);
    const auto copy = [&](const fs::path& from, const std::string& name) {
        fs::copy_file(from, stageDir / name, fs::copy_options::overwrite_existing);
    };
    std::string rc = "// Package items of the installer, written by patchpack.\n"
                     "LANGUAGE 0x11, 0x1\n";
    copy(plan.script, "script.txt");
    rc += "RESOURCE_SCRIPT TEXT \"script.txt\"\n";
    copy(plan.background, "background.bmp");
    rc += "RESOURCE_BACKGROUND BMP \"background.bmp\"\n";
    for (const auto& payload : plan.payloads) {
        const std::string name = "payload" + std::to_string(payload.number) + ".bin";
        copy(payload.source, name);
        rc += "RESOURCE_FILE" + std::to_string(payload.number) + " BIN \"" + name + "\"\n";
    }
    const fs::path rcPath = stageDir / "package.rc";
    std::ofstream out(rcPath, std::ios::binary | std::ios::trunc);
    out << rc;
    if (!out.flush()) {
        throw PackageError(rcPath.string() + ": cannot be written");
    }
    return rcPath;
}

} // namespace brisel::tools
