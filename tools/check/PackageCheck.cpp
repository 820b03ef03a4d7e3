#include "PackageCheck.h"

#include "PayloadCheck.h"
#include "ScriptCheck.h"
#include "core/Exceptions.h"
#include "package/TBitmap.h"
#include "package/TResourceStream.h"

#include <algorithm>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

// The size of the window's client area, which the picture should fill.
constexpr std::int32_t kWindowWidth = 600;
constexpr std::int32_t kWindowHeight = 300;

// The package's own file name, or nullopt with a finding when it is not a
// plain file inside the folder.
std::optional<Item> PackageFile(const PackageFolder& folder, const std::string& name,
                                MessageId missing, std::vector<Finding>& findings) {
    const Item item = folder.Locate(Area::Package, {name});
    switch (item.kind) {
    case ItemKind::File:
        return item;
    case ItemKind::Missing:
    case ItemKind::NameTooLong:
        findings.push_back({missing, name, 0, {}});
        break;
    case ItemKind::Outside:
        findings.push_back({MessageId::PackageFileOutside, name, 0, {}});
        break;
    case ItemKind::Folder:
    case ItemKind::Other:
        findings.push_back({MessageId::PackageFileNotFile, name, 0, {}});
        break;
    }
    return std::nullopt;
}

void CheckBackground(const std::string& bytes, std::vector<Finding>& findings) {
    const auto add = [&](MessageId id, std::vector<std::string> args = {}) {
        findings.push_back({id, "background.bmp", 0, std::move(args)});
    };
    TResourceStream stream(bytes);
    TBitmap bitmap;
    try {
        bitmap.LoadFromStream(stream);
    } catch (const EReadError&) {
        // Short of its 14-byte file header, a file that does not even start
        // like a bitmap is no bitmap at all.
        add(bytes.compare(0, 2, "BM") == 0 ? MessageId::BackgroundTruncated
                                           : MessageId::BackgroundNotBitmap);
        return;
    } catch (const Exception&) {
        add(MessageId::BackgroundNotBitmap);
        return;
    }
    const std::int32_t width = bitmap.Width();
    const std::int32_t height = bitmap.Height();
    if (bitmap.Empty() || (width == kWindowWidth && height == kWindowHeight)) {
        return;
    }
    const std::vector<std::string> size = {std::to_string(width), std::to_string(height)};
    if (width >= kWindowWidth && height >= kWindowHeight) {
        add(MessageId::BackgroundLarger, size);
    } else if (width <= kWindowWidth && height <= kWindowHeight) {
        add(MessageId::BackgroundSmaller, size);
    } else {
        add(MessageId::BackgroundMixed, size);
    }
}

void CheckOutput(const PackageFolder& folder, const OutputTarget& output,
                 std::vector<Finding>& findings) {
    IHostFiles& host = folder.Host();
    const std::string place = output.path.u8string();
    const fs::path parent = output.path.has_parent_path() ? output.path.parent_path() : ".";
    auto resolvedParent = host.Canonical(parent);
    if (!resolvedParent || host.Look(*resolvedParent).kind != HostKind::Folder) {
        if (!output.makesFolders) {
            findings.push_back({MessageId::OutputFolderMissing, place, 0, {output.option}});
            return;
        }
        // The nearest folder that exists decides where the new ones go.
        fs::path existing = parent;
        while (!resolvedParent && existing.has_relative_path()) {
            existing = existing.parent_path();
            resolvedParent = host.Canonical(existing);
        }
        if (resolvedParent &&
            folder.Holds(*resolvedParent / output.path.lexically_relative(existing))) {
            findings.push_back({MessageId::OutputInPackage, place, 0, {output.option}});
        }
        return;
    }
    // The output itself may be a link into the package: writing follows it.
    const auto resolved = host.Canonical(output.path);
    if (folder.Holds(*resolvedParent / output.path.filename()) ||
        (resolved && folder.Holds(*resolved))) {
        findings.push_back({MessageId::OutputInPackage, place, 0, {output.option}});
    }
}

int Group(const Finding& finding) {
    if (finding.file == "script.txt") {
        return 0;
    }
    if (finding.file == "background.bmp") {
        return 1;
    }
    return IsOutputFinding(finding) ? 3 : 2;
}

} // namespace

bool IsOutputFinding(const Finding& finding) {
    return finding.id == MessageId::OutputInPackage || finding.id == MessageId::OutputFolderMissing;
}

std::vector<Finding> CheckPackage(const PackageFolder& folder,
                                  const std::vector<OutputTarget>& outputs) {
    std::vector<Finding> findings;
    ScriptFacts facts;
    if (const auto script = PackageFile(folder, "script.txt", MessageId::ScriptMissing, findings)) {
        facts = CheckScript(folder.Read(*script), findings);
    }
    if (const auto background =
            PackageFile(folder, "background.bmp", MessageId::BackgroundMissing, findings)) {
        CheckBackground(folder.Read(*background), findings);
    }
    if (facts.readable) {
        CheckPayloads(folder, facts, findings);
    }
    for (const auto& output : outputs) {
        CheckOutput(folder, output, findings);
    }
    std::stable_sort(findings.begin(), findings.end(), [](const Finding& a, const Finding& b) {
        return Group(a) != Group(b) ? Group(a) < Group(b) : (Group(a) == 0 && a.line < b.line);
    });
    return findings;
}

} // namespace brisel::tools
