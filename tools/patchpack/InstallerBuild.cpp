#include "InstallerBuild.h"

#include "common/HostSystem.h"
#include "common/ScriptSummary.h"
#include "common/Unicode.h"
#include "pe/IconFile.h"
#include "pe/InstallerImage.h"
#include "pe/LittleEndian.h"
#include "pe/PeImage.h"
#include "pe/ResourceReader.h"
#include "pe/TemporaryOutput.h"
#include "pe/VersionRecord.h"

namespace brisel::tools {

namespace fs = std::filesystem;
using namespace pe;

namespace {

PeImage LoadStub(const BuildOptions& options) {
    const fs::path path = options.stub.empty() ? DefaultStub(options.arch) : options.stub;
    if (!fs::is_regular_file(path)) {
        throw PackageError(path.u8string() + ": the installer stub is missing");
    }
    try {
        PeImage stub(ReadFileBytes(path));
        const std::uint16_t wanted = options.arch == "x86_64" ? kMachineAmd64 : kMachineI386;
        if (stub.Machine() != wanted) {
            throw FormatError("it is not a stub for " + options.arch);
        }
        return stub;
    } catch (const FormatError& e) {
        throw PackageError(path.u8string() + ": not an installer stub: " + e.what());
    }
}

void SetVersionTexts(ResourceTree& tree, const BuildOptions& options) {
    const std::pair<const char*, const std::optional<std::string>*> texts[] = {
        {"ProductVersion", &options.productVersion},
        {"FileDescription", &options.fileDescription},
        {"ProductName", &options.productName},
    };
    for (auto& [key, value] : tree) {
        if (key.type.IsName() || key.type.Id() != kTypeVersion) {
            continue;
        }
        VersionBlock record = ParseVersionRecord(value.data.bytes);
        for (const auto& [name, text] : texts) {
            if (*text) {
                const std::string utf8 = name;
                SetVersionText(record, std::u16string(utf8.begin(), utf8.end()),
                               Utf8ToUtf16(**text));
            }
        }
        value.data = ResourceData::Bytes(SerializeVersionRecord(record));
        return;
    }
    throw PackageError("the stub has no version record to set texts in");
}

void AddPackage(ResourceTree& tree, const PackagePlan& plan) {
    for (const auto& item : PackageItems(plan)) {
        const ResourceId type = ResourceId::Name(item.type);
        if (HasType(tree, type)) {
            throw PackageError("the stub already carries " + item.type +
                               " resources: use a stub, not an installer");
        }
    }
    for (const auto& item : PackageItems(plan)) {
        tree[ResourceKey{ResourceId::Name(item.type), ResourceId::Name(item.name),
                         kLanguageJapanese}] = {
            item.bytes ? ResourceData::Bytes(*item.bytes) : ResourceData::File(item.source), 0};
    }
}

} // namespace

fs::path DefaultStub(const std::string& arch) {
    return ExecutablePath().parent_path() / "stubs" / ("stub-" + arch + ".exe");
}

void BuildInstaller(const BuildOptions& options, const PackagePlan& plan) {
    const PeImage stub = LoadStub(options);
    ResourceTree tree = ReadResources(stub);
    if (options.icon) {
        try {
            ReplaceProgramIcon(tree, ParseIconFile(ReadFileBytes(*options.icon)));
        } catch (const FormatError& e) {
            throw PackageError(options.icon->u8string() + ": " + e.what());
        }
    }
    if (options.productVersion || options.fileDescription || options.productName) {
        SetVersionTexts(tree, options);
    }
    AddPackage(tree, plan);

    const InstallerImage image(stub, tree);
    if (image.SizeOfImage() > kLargestInstaller) {
        throw InstallerTooLarge(image.SizeOfImage());
    }
    TemporaryOutput out(options.out);
    image.Write(out);
    out.Commit();
}

} // namespace brisel::tools
