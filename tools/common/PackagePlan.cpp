#include "PackagePlan.h"

#include "BackgroundPicture.h"
#include "ScriptSummary.h"
#include "ScriptText.h"

namespace brisel::tools {

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
    for (const auto& background : FindBackgrounds(folder)) {
        if (background.item.kind != ItemKind::File) {
            continue;
        }
        plan.background = background.item.physical;
        plan.backgroundName = background.name;
        plan.backgroundSize = background.item.size;
        if (FormatOfName(background.name) != PictureFormat::Bitmap && background.item.size > 0) {
            if (auto picture = ConvertToBitmap(folder.Read(background.item))) {
                plan.backgroundSize = picture->bitmap.size();
                plan.convertedBackground = std::move(picture->bitmap);
            }
        }
        break;
    }
    const Item script = folder.Locate(Area::Package, {"script.txt"});
    if (script.kind != ItemKind::File) {
        return plan;
    }
    plan.script = script.physical;
    plan.scriptSize = script.size;
    ScriptText text = ReadScriptText(folder.Read(script));
    if (text.Converted()) {
        plan.scriptSize = text.carried.size();
        plan.convertedScript = std::move(text.carried);
    }

    const auto outFiles = OutFilesOf(plan.convertedScript.value_or(text.carried));
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

std::vector<PackageItem> PackageItems(const PackagePlan& plan) {
    std::vector<PackageItem> items;
    if (!plan.script.empty()) {
        items.push_back({"TEXT", "RESOURCE_SCRIPT", plan.script, plan.convertedScript});
    }
    if (!plan.background.empty()) {
        items.push_back({"BMP", "RESOURCE_BACKGROUND", plan.background, plan.convertedBackground});
    }
    for (const auto& payload : plan.payloads) {
        items.push_back(
            {"BIN", "RESOURCE_FILE" + std::to_string(payload.number), payload.source, {}});
    }
    return items;
}

} // namespace brisel::tools
