#include "InstallerBuild.h"

#include "common/HostSystem.h"
#include "common/ScriptSummary.h"
#include "common/Unicode.h"
#include "compress/PayloadCompression.h"
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

const char kStreamType[] = "LZMA";
const char kStreamName[] = "RESOURCE_SOLID";
const char kRecordType[] = "PACKED";

void AddResource(ResourceTree& tree, const std::string& type, const std::string& name,
                 ResourceData data) {
    tree[ResourceKey{ResourceId::Name(type), ResourceId::Name(name), kLanguageJapanese}] = {
        std::move(data), 0};
}

// The package's resources; a payload with a record in records (by resource
// name) is carried as that "PACKED" record instead of its bytes.
void AddPackage(ResourceTree& tree, const PackagePlan& plan,
                const std::map<std::string, std::string>& records) {
    for (const std::string type : {"TEXT", "BMP", "BIN", kRecordType, kStreamType}) {
        if (HasType(tree, ResourceId::Name(type))) {
            throw PackageError("the stub already carries " + type +
                               " resources: use a stub, not an installer");
        }
    }
    for (const auto& item : PackageItems(plan)) {
        const auto record = records.find(item.name);
        if (record != records.end()) {
            AddResource(tree, kRecordType, item.name, ResourceData::Bytes(record->second));
        } else {
            AddResource(tree, item.type, item.name,
                        item.bytes ? ResourceData::Bytes(*item.bytes)
                                   : ResourceData::File(item.source));
        }
    }
}

// Chooses the payloads that shrink and writes them as one stream into
// scratch; their records go to records.
PayloadStorage Compress(const PackagePlan& plan, TemporaryOutput& scratch,
                        std::map<std::string, std::string>& records) {
    PayloadStorage storage;
    storage.compressed = true;
    std::vector<StreamPayload> packed;
    std::vector<int> numbers;
    for (const auto& payload : plan.payloads) {
        const bool filter = payload.size > 0 && IsX86Image(payload.source);
        if (ShrinksEnough(payload.source, payload.size, filter)) {
            packed.push_back({payload.source, payload.size, filter});
            numbers.push_back(payload.number);
        }
    }
    if (packed.empty()) {
        return storage;
    }
    storage.streamSize =
        WriteSolidStream(packed, [&](std::string_view bytes) { scratch.Write(bytes); });
    scratch.Close();
    for (std::size_t i = 0; i < packed.size(); ++i) {
        records["RESOURCE_FILE" + std::to_string(numbers[i])] = PackedRecord(packed[i]);
        storage.packed[numbers[i]] = packed[i].encodedShare;
        storage.streamDecodedSize += packed[i].size;
    }
    return storage;
}

} // namespace

fs::path DefaultStub(const std::string& arch) {
    return ExecutablePath().parent_path() / "stubs" / ("stub-" + arch + ".exe");
}

PayloadStorage BuildInstaller(const BuildOptions& options, const PackagePlan& plan) {
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
    std::map<std::string, std::string> records;
    PayloadStorage storage;
    std::optional<TemporaryOutput> stream;
    if (options.compress) {
        stream.emplace(options.out);
        storage = Compress(plan, *stream, records);
    }
    AddPackage(tree, plan, records);
    if (storage.streamSize > 0) {
        AddResource(tree, kStreamType, kStreamName, ResourceData::File(stream->TemporaryPath()));
    }

    const InstallerImage image(stub, tree);
    if (image.SizeOfImage() > kLargestInstaller) {
        throw InstallerTooLarge(image.SizeOfImage());
    }
    TemporaryOutput out(options.out);
    image.Write(out);
    out.Commit();
    return storage;
}

} // namespace brisel::tools
