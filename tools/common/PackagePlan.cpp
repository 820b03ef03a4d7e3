#include "PackagePlan.h"

#include "ScriptSummary.h"

#include <fstream>

namespace brisel::tools {

namespace fs = std::filesystem;

PayloadLookup LookUpPayload(const PackageFolder& folder, const std::string& entry) {
    PayloadLookup lookup{ParseEntry(entry), std::nullopt};
    if (lookup.name.Readable()) {
        lookup.item = folder.Locate(Area::Payloads, lookup.name.names);
    }
    return lookup;
}

std::optional<std::vector<std::string>> OutFilesOf(const std::string& scriptBytes) {
    TStringList lines;
    lines.LoadFromBytes(scriptBytes);
    const TTinyCnf reader(lines);
    return AskSection(reader, "%OutFiles");
}

PackagePlan PlanPackage(const PackageFolder& folder) {
    PackagePlan plan;
    const Item background = folder.Locate(Area::Package, {"background.bmp"});
    if (background.kind == ItemKind::File) {
        plan.background = background.physical;
        plan.backgroundSize = background.size;
    }
    const Item script = folder.Locate(Area::Package, {"script.txt"});
    if (script.kind != ItemKind::File) {
        return plan;
    }
    plan.script = script.physical;
    plan.scriptSize = script.size;

    const auto outFiles = OutFilesOf(folder.Read(script));
    for (std::size_t i = 0; outFiles && i < outFiles->size(); ++i) {
        const std::string& entry = (*outFiles)[i];
        if (entry.empty()) {
            continue;
        }
        const PayloadLookup lookup = LookUpPayload(folder, entry);
        if (!lookup.item || lookup.item->kind != ItemKind::File) {
            continue;
        }
        const Item& item = *lookup.item;
        plan.payloads.push_back({static_cast<int>(i), entry, item.physical, item.size,
                                 item.throughLink ? folder.ShownInPayloads(item.physical) : ""});
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
    if (!plan.script.empty()) {
        copy(plan.script, "script.txt");
        rc += "RESOURCE_SCRIPT TEXT \"script.txt\"\n";
    }
    if (!plan.background.empty()) {
        copy(plan.background, "background.bmp");
        rc += "RESOURCE_BACKGROUND BMP \"background.bmp\"\n";
    }
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
