#include "PackageCheck.h"

#include "NameHints.h"
#include "PayloadCheck.h"
#include "PreviousCheck.h"
#include "ScriptCheck.h"
#include "common/BackgroundPicture.h"
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
        findings.push_back(MissingFromPackage(folder, {name}, missing, name));
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

// A picture whose name promises another format than it has, or a PNG or
// JPEG picture converted (its bitmap then replaces bytes): false when it
// cannot be shown at all.
bool CheckPictureFormat(const std::string& name, std::string& bytes,
                        std::vector<Finding>& findings) {
    const auto add = [&](MessageId id, std::vector<std::string> args = {}) {
        findings.push_back({id, name, 0, std::move(args)});
    };
    const PictureFormat named = FormatOfName(name);
    const PictureFormat real = SniffPicture(bytes);
    if (real == PictureFormat::Empty || (named == PictureFormat::Bitmap && real == named)) {
        return true;
    }
    if (real == PictureFormat::Gif) {
        add(MessageId::BackgroundGif);
        return false;
    }
    if (real != named && real != PictureFormat::Other) {
        add(MessageId::BackgroundWrongFormat, {FormatName(real), BackgroundNameFor(real)});
        return false;
    }
    if (named == PictureFormat::Bitmap) {
        return true; // the bitmap reader says what is wrong with it
    }
    const auto picture = ConvertToBitmap(bytes);
    if (!picture) {
        add(MessageId::BackgroundUndecodable, {FormatName(named)});
        return false;
    }
    add(picture->translucent ? MessageId::BackgroundConvertedTranslucent
                             : MessageId::BackgroundConverted,
        {FormatName(named), std::to_string(picture->width), std::to_string(picture->height)});
    bytes = picture->bitmap;
    return true;
}

void CheckBackground(const std::string& name, std::string bytes, std::vector<Finding>& findings) {
    if (!CheckPictureFormat(name, bytes, findings)) {
        return;
    }
    const auto add = [&](MessageId id, std::vector<std::string> args = {}) {
        findings.push_back({id, name, 0, std::move(args)});
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

// The background under one of its names: missing, given twice, or checked.
void CheckBackgrounds(const PackageFolder& folder, std::vector<Finding>& findings) {
    const std::vector<BackgroundFile> backgrounds = FindBackgrounds(folder);
    if (backgrounds.empty()) {
        findings.push_back(MissingFromPackage(
            folder,
            std::vector<std::string>(std::begin(kBackgroundNames), std::end(kBackgroundNames)),
            MessageId::BackgroundMissing, kBackgroundNames[0]));
        return;
    }
    for (std::size_t i = 1; i < backgrounds.size(); ++i) {
        findings.push_back(
            {MessageId::BackgroundTwice, backgrounds[i].name, 0, {backgrounds[0].name}});
    }
    const std::string& name = backgrounds[0].name;
    if (const auto background = PackageFile(folder, name, MessageId::BackgroundMissing, findings)) {
        CheckBackground(name, folder.Read(*background), findings);
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

bool IsPreviousFinding(const Finding& finding) {
    return finding.id == MessageId::PreviousPackageLayout ||
           finding.id == MessageId::PreviousIsNewVersion ||
           finding.id == MessageId::PreviousFileUnchanged ||
           finding.id == MessageId::PreviousNothingFound;
}

int Group(const Finding& finding) {
    if (finding.file == "script.txt") {
        return 0;
    }
    if (FormatOfName(finding.file) != PictureFormat::Other) {
        return 1;
    }
    return IsOutputFinding(finding) ? 4 : IsPreviousFinding(finding) ? 3 : 2;
}

} // namespace

bool IsOutputFinding(const Finding& finding) {
    return finding.id == MessageId::OutputInPackage || finding.id == MessageId::OutputFolderMissing;
}

bool IsUnforceable(const Finding& finding) {
    // An entry that names something outside the game folder (or what the
    // system reads as a device or a stream) is refused by the installer
    // too: no installer carries one.
    switch (finding.id) {
    case MessageId::EntryAbsolute:
    case MessageId::EntryParentStep:
    case MessageId::EntryColon:
    case MessageId::EntryDeviceName:
    case MessageId::ScriptUtf16:
    case MessageId::ScriptNotText:
        return true;
    default:
        return IsOutputFinding(finding);
    }
}

std::vector<Finding> CheckPackage(const PackageFolder& folder,
                                  const std::vector<OutputTarget>& outputs,
                                  const std::vector<PreviousFolder>& given) {
    std::vector<Finding> findings;
    ScriptFacts facts;
    if (const auto script = PackageFile(folder, "script.txt", MessageId::ScriptMissing, findings)) {
        facts = CheckScript(folder.Read(*script), findings);
    }
    CheckBackgrounds(folder, findings);
    if (facts.readable) {
        CheckPayloads(folder, facts, findings);
        std::vector<PreviousFolder> previous = PackagePreviousFolders(folder);
        previous.insert(previous.end(), given.begin(), given.end());
        CheckPreviousVersions(folder, facts, previous, findings);
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
