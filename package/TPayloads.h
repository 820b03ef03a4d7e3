// The payload files the package carries, as content for the file writer.
// Payload n is "RESOURCE_FILE" n: a raw "BIN" resource, a "PACKED" record of
// a payload held in the package's one LZMA stream, or a "DELTA" record that
// rebuilds it from a previous version in the game folder (with, at the
// author's choice, the whole file as well). Payloads from the stream are
// decoded as they are written and verified before they replace anything.
#pragma once

#include "DeltaContent.h"
#include "PackageSums.h"
#include "PieceObserver.h"
#include "core/EntryPath.h"
#include "platform/Files.h"
#include "platform/GameFolder.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brisel {

class LzmaStream;

enum class PayloadAction {
    Write,       // write the file (whole, or rebuilt from the version there)
    UpToDate,    // the file is already the new version
    WrongVersion // the file is of no version the package knows
};

class TPayloads {
public:
    // The game's files are read through folder (the previous versions).
    explicit TPayloads(platform::GameFolder& folder);
    ~TPayloads();
    TPayloads(const TPayloads&) = delete;
    TPayloads& operator=(const TPayloads&) = delete;

    // Whether the package carries payload n in any form, and as a delta.
    bool Has(std::size_t n) const;
    bool IsDelta(std::size_t n) const;

    // What payload n does with the entry's file. Only a delta payload looks
    // at the file: it is hashed, and observer is told of each piece read.
    // A spoiled record (one that reaches past the stream's decoded size,
    // too) raises EReadError, before anything is written.
    PayloadAction Check(std::size_t n, const EntryPath& entry, PieceObserver& observer);

    // The number of bytes payload n writes; 0 when the package lacks it.
    std::uint64_t SizeOf(std::size_t n) const;

    // Adds to read the package resources that writing payload n as Check
    // found reads, those already there not again.
    void AddResourcesRead(std::size_t n, std::vector<PackageResource>& read) const;

    // Has what writing payload n (as Check found it) will need, the
    // stream's decoder with its dictionary and the buffers of deltas, so
    // that a shortage of memory (std::bad_alloc) or a spoiled stream header
    // (EReadError) shows before anything is written.
    void Prepare(std::size_t n);

    // The content of payload n for the entry's file, valid until the next
    // call (and entry kept until then): rebuilt from the version Check
    // found there, or whole. A payload the package lacks raises
    // EResNotFound; a spoiled record or stream header raises EReadError.
    platform::FileContent& Open(std::size_t n, const EntryPath& entry);

private:
    LzmaStream& Stream();
    // The stream, once its header shows that it holds length bytes from
    // offset; a record that reaches past it raises EReadError.
    LzmaStream& StreamHolding(std::uint64_t offset, std::uint64_t length);
    // Whether payload n is carried whole (raw, or compressed in the stream);
    // a compressed one's record that reaches past the stream raises EReadError.
    bool HasWholeFile(std::size_t n);

    platform::GameFolder& folder_;
    std::unique_ptr<LzmaStream> stream_; // opened at the first payload it holds
    DeltaBuffers deltaBuffers_;
    std::unique_ptr<platform::FileContent> current_;
    // For each payload, which previous version its delta starts from; none
    // when it is written whole.
    std::vector<std::size_t> versionFound_;
};

} // namespace brisel
