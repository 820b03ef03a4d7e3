#include "InstallerBuild.h"

#include "common/HostSystem.h"
#include "common/ScriptSummary.h"
#include "common/Unicode.h"
#include "compress/PayloadCompression.h"
#include "core/DeltaFormat.h"
#include "core/PackageSumsFormat.h"
#include "delta/DeltaPayloads.h"
#include "pe/ChecksumTable.h"
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
const char kDeltaType[] = "DELTA";
const char kBackgroundName[] = "RESOURCE_BACKGROUND";

void AddResource(ResourceTree& tree, const std::string& type, const std::string& name,
                 ResourceData data) {
    tree[ResourceKey{ResourceId::Name(type), ResourceId::Name(name), kLanguageJapanese}] = {
        std::move(data), 0};
}

// How a payload is carried when not as its "BIN" alone: records (by type)
// and whether the "BIN" goes along.
struct CarriedAs {
    std::map<std::string, std::string> records;
    bool raw = false;
};

// The package's resources; a payload in carried (by resource name) is
// carried as its records instead of (or besides) its bytes.
void AddPackage(ResourceTree& tree, const PackagePlan& plan,
                const std::map<std::string, CarriedAs>& carried) {
    for (const std::string type : {"TEXT", "BMP", "BIN", kRecordType, kDeltaType, kStreamType,
                                   kDeltaStoredType, kSumsType}) {
        if (HasType(tree, ResourceId::Name(type))) {
            throw PackageError("the stub already carries " + type +
                               " resources: use a stub, not an installer");
        }
    }
    for (const auto& item : PackageItems(plan)) {
        const auto found = carried.find(item.name);
        if (found != carried.end()) {
            for (const auto& [type, bytes] : found->second.records) {
                AddResource(tree, type, item.name, ResourceData::Bytes(bytes));
            }
        }
        if (found == carried.end() || found->second.raw) {
            AddResource(tree, item.type, item.name,
                        item.bytes ? ResourceData::Bytes(*item.bytes)
                                   : ResourceData::File(item.source));
        }
    }
}

// A payload's parts of the stream: the whole file, the instructions of its
// deltas, or both.
struct StreamedPayload {
    int number = 0;
    std::optional<std::size_t> whole; // in the stream's payloads
    std::optional<EncodedDelta> delta;
    std::size_t firstInstructions = 0; // in the stream's payloads
};

bool Shrinks(const PayloadItem& payload, bool& filter) {
    filter = payload.size > 0 && IsX86Image(payload.source);
    return ShrinksEnough(payload.source, payload.size, filter);
}

// Chooses the payloads that shrink and those that are smaller as deltas
// against the previous versions, and writes them as one stream into
// scratch (a delta's instructions first into a scratch file of their own);
// their records go to carried.
PayloadStorage Compress(const BuildOptions& options, const PackagePlan& plan,
                        TemporaryOutput& scratch, std::map<std::string, CarriedAs>& carried) {
    PayloadStorage storage;
    storage.compressed = true;
    const auto host = MakeHostFiles();
    std::vector<PackageFolder> previous;
    for (const auto& folder : options.previous) {
        previous.emplace_back(*host, folder);
    }
    std::optional<TemporaryOutput> instructions;
    std::uint64_t instructionsSize = 0;
    std::vector<StreamPayload> packed;
    std::vector<StreamedPayload> streamed;
    for (const auto& payload : plan.payloads) {
        StreamedPayload entry{payload.number, std::nullopt, std::nullopt, 0};
        const auto versions = FindPreviousVersions(previous, payload.entry);
        if (!versions.empty()) {
            if (!instructions) {
                instructions.emplace(options.out);
            }
            EncodedDelta delta = EncodeDeltas(*instructions, instructionsSize, payload.source,
                                              payload.size, versions);
            if (delta.smaller) {
                entry.delta = std::move(delta);
            }
        }
        bool filter = false;
        const bool whole = (!entry.delta || options.keepWhole) && Shrinks(payload, filter);
        if (whole) {
            entry.whole = packed.size();
            packed.push_back({payload.source, payload.size, filter});
        }
        if (entry.delta) {
            instructions->Flush();
            entry.firstInstructions = packed.size();
            for (const auto& source : entry.delta->sources) {
                packed.push_back(
                    {instructions->TemporaryPath(), source.stats.length, false, source.from, true});
            }
        }
        if (entry.whole || entry.delta) {
            streamed.push_back(std::move(entry));
        }
    }
    if (packed.empty()) {
        return storage;
    }
    storage.streamSize =
        WriteSolidStream(packed, [&](std::string_view bytes) { scratch.Write(bytes); });
    scratch.Close();
    for (auto& entry : streamed) {
        const std::string name = "RESOURCE_FILE" + std::to_string(entry.number);
        CarriedAs& as = carried[name];
        if (entry.whole) {
            const StreamPayload& whole = packed[*entry.whole];
            as.records[kRecordType] = PackedRecord(whole);
            storage.packed[entry.number] = whole.encodedShare;
        }
        if (entry.delta) {
            as.raw = options.keepWhole && !entry.whole;
            if (as.raw) {
                storage.alsoRaw.insert(entry.number);
            }
            auto& shares = storage.deltas[entry.number];
            for (std::size_t i = 0; i < entry.delta->sources.size(); ++i) {
                DeltaFromVersion& source = entry.delta->sources[i];
                const StreamPayload& part = packed[entry.firstInstructions + i];
                source.offset = part.offset;
                source.storedOffset = storage.stored.size();
                storage.stored += source.stored;
                shares.push_back(
                    {source.folder, part.size, part.encodedShare, source.stored.size()});
            }
            as.records[kDeltaType] = DeltaRecordBytes(*entry.delta);
        }
    }
    for (const auto& part : packed) {
        storage.streamDecodedSize += part.size;
    }
    storage.streamPayloads = streamed.size();
    return storage;
}

// The background picture in a stream of its own, when that is smaller: the
// installer decodes and checks it at start-up.
void PackBackground(const PackagePlan& plan, std::map<std::string, CarriedAs>& carried,
                    PayloadStorage& storage) {
    for (const auto& item : PackageItems(plan)) {
        if (item.name != kBackgroundName) {
            continue;
        }
        const std::string bytes = item.bytes ? *item.bytes : ReadFileBytes(item.source);
        if (auto packed = PackBytes(bytes)) {
            storage.background = packed->stream.size();
            carried[item.name].records = {{kRecordType, std::move(packed->record)},
                                          {kStreamType, std::move(packed->stream)}};
        }
    }
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
    std::map<std::string, CarriedAs> carried;
    PayloadStorage storage;
    std::optional<TemporaryOutput> stream;
    const bool raw = !options.compress && options.previous.empty(); // --store: today's layout
    if (!raw) {
        stream.emplace(options.out);
        storage = Compress(options, plan, *stream, carried);
        PackBackground(plan, carried, storage);
    }
    AddPackage(tree, plan, carried);
    if (storage.streamSize > 0) {
        AddResource(tree, kStreamType, kStreamName, ResourceData::File(stream->TemporaryPath()));
    }
    storage.storedSize = storage.stored.size();
    if (storage.storedSize > 0) {
        AddResource(tree, kDeltaStoredType, kDeltaStoredName,
                    ResourceData::Bytes(std::move(storage.stored)));
        storage.stored.clear();
    }
    if (!raw) { // the tree is complete: the table covers what the patch step reads of it
        std::string table = ChecksumTable(tree);
        storage.sumsSize = table.size();
        AddResource(tree, kSumsType, kSumsName, ResourceData::Bytes(std::move(table)));
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
