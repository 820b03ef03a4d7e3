#include "PayloadCompression.h"

#include "StreamShares.h"

#include "common/HostSystem.h"
#include "common/PackagePlan.h"
#include "core/Crc32.h"
#include "core/X86Filter.h"

#include "lzma-sdk/LzmaEnc.h"

#include <algorithm>
#include <cstdlib>
#include <exception>
#include <limits>
#include <memory>
#include <optional>

namespace brisel::tools {

namespace fs = std::filesystem;

namespace {

constexpr std::size_t kPiece = std::size_t{1} << 20;
constexpr std::uint32_t kDictionary = std::uint32_t{1} << 25;
// The filter's unfinished tail is at most four bytes.
constexpr std::size_t kFilterTail = 4;

void* AllocateBytes(void*, std::size_t size) {
    return size == 0 ? nullptr : std::malloc(size);
}

void FreeBytes(void*, void* address) {
    std::free(address);
}

ISzAlloc gAllocator = {AllocateBytes, FreeBytes};

class File {
public:
    explicit File(const fs::path& path) : path_(path), file_(OpenForReading(path)) {
        if (file_ == nullptr) {
            Fail("cannot be read");
        }
    }
    ~File() { std::fclose(file_); }
    File(const File&) = delete;
    File& operator=(const File&) = delete;

    // Reads up to size bytes; fewer only at the end of the file.
    std::size_t Read(unsigned char* data, std::size_t size) {
        const std::size_t n = std::fread(data, 1, size, file_);
        if (std::ferror(file_) != 0) {
            Fail("cannot be read");
        }
        return n;
    }
    void Seek(std::uint64_t offset) {
        if (!SeekFile(file_, offset)) {
            Fail("cannot be read");
        }
    }
    bool AtEnd() { return std::fgetc(file_) == EOF && std::ferror(file_) == 0; }
    [[noreturn]] void Fail(const char* what) const {
        throw PackageError(path_.u8string() + ": " + what);
    }

private:
    fs::path path_;
    std::FILE* file_;
};

struct EncoderDeleter {
    void operator()(void* encoder) const { LzmaEnc_Destroy(encoder, &gAllocator, &gAllocator); }
};
using Encoder = std::unique_ptr<void, EncoderDeleter>;

// An encoder with the stream's fixed parameters, its dictionary reduced to
// the data's size when that is smaller (as the SDK rounds it: 2 or 3 times
// a power of two, at least 64 KiB). A sample is judged with the fast mode
// and a hash-chain match finder: it only decides whether the payload
// compresses at all.
Encoder MakeEncoder(std::uint64_t dataSize, bool sample) {
    Encoder encoder(LzmaEnc_Create(&gAllocator));
    if (!encoder) {
        throw std::bad_alloc();
    }
    CLzmaEncProps props;
    LzmaEncProps_Init(&props);
    props.level = 9;
    props.dictSize = kDictionary;
    props.reduceSize = static_cast<UInt32>(
        std::min<std::uint64_t>(dataSize, std::numeric_limits<std::uint32_t>::max()));
    props.lc = 3;
    props.lp = 0;
    props.pb = 2;
    props.algo = sample ? 0 : 1;
    props.btMode = sample ? 0 : 1;
    props.numHashBytes = 4;
    props.fb = sample ? 32 : 64;
    props.numThreads = 1;
    props.writeEndMark = 0;
    if (LzmaEnc_SetProps(encoder.get(), &props) != SZ_OK) {
        throw std::runtime_error("internal error: the LZMA parameters were refused");
    }
    return encoder;
}

void Filter(unsigned char* data, std::size_t size, std::uint64_t position) {
    // A sample's piece ends where the payload goes on: its unfinished tail
    // stays as it is, as at a payload's end.
    X86Convert(data, size, position, true);
}

// The payloads one after another as the encoder reads them: each file in
// pieces of 1 MiB, its CRC-32 taken before the filter, the filter's
// unfinished tail carried to the front of the next piece.
class PayloadInput {
public:
    explicit PayloadInput(std::vector<StreamPayload>& payloads)
        : payloads_(payloads), buffer_(kPiece + kFilterTail) {
        stream_.iface.Read = &PayloadInput::ReadCallback;
        stream_.self = this;
    }

    ISeqInStream* Stream() { return &stream_.iface; }
    // An exception a callback caught, thrown again once the encoder returned.
    void Rethrow() const {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }

private:
    struct Adapter {
        ISeqInStream iface;
        PayloadInput* self;
    };

    static SRes ReadCallback(void* p, void* buffer, std::size_t* size) {
        PayloadInput& input = *static_cast<Adapter*>(p)->self;
        try {
            *size = input.Read(static_cast<unsigned char*>(buffer), *size);
            return SZ_OK;
        } catch (...) {
            input.failure_ = std::current_exception();
            *size = 0;
            return SZ_ERROR_READ;
        }
    }

    std::size_t Read(unsigned char* out, std::size_t wanted) {
        while (begin_ == ready_) {
            if (!Refill()) {
                return 0;
            }
        }
        const std::size_t n = std::min(wanted, ready_ - begin_);
        std::copy_n(buffer_.data() + begin_, n, out);
        begin_ += n;
        return n;
    }

    // Makes more final bytes ready; false at the end of the last payload.
    bool Refill() {
        const std::size_t tail = filled_ - ready_;
        std::copy(buffer_.begin() + static_cast<std::ptrdiff_t>(ready_),
                  buffer_.begin() + static_cast<std::ptrdiff_t>(filled_), buffer_.begin());
        position_ += ready_;
        begin_ = ready_ = 0;
        filled_ = tail;
        if (file_ && remaining_ == 0 && tail == 0 && current_->part) {
            offset_ += current_->size;
            file_.reset();
        } else if (file_ && remaining_ == 0 && tail == 0) {
            Finish();
        }
        if (!file_) {
            if (next_ == payloads_.size()) {
                return false;
            }
            Start(payloads_[next_++]);
            return true;
        }
        const std::size_t n =
            file_->Read(buffer_.data() + tail,
                        static_cast<std::size_t>(std::min<std::uint64_t>(kPiece, remaining_)));
        if (n == 0 && remaining_ > 0) {
            file_->Fail("the file changed while the installer was written");
        }
        crc_.Update(buffer_.data() + tail, n);
        remaining_ -= n;
        filled_ += n;
        ready_ = filled_;
        if (current_->filtered && remaining_ > 0) {
            ready_ = X86Convert(buffer_.data(), filled_, position_, true);
        } else if (current_->filtered) {
            Filter(buffer_.data(), filled_, position_);
        }
        return true;
    }

    void Start(StreamPayload& payload) {
        payload.offset = offset_;
        current_ = &payload;
        file_ = std::make_unique<File>(payload.source);
        if (payload.from > 0) {
            file_->Seek(payload.from);
        }
        remaining_ = payload.size;
        position_ = 0;
        crc_ = Crc32();
    }

    void Finish() {
        if (!file_->AtEnd()) {
            file_->Fail("the file changed while the installer was written");
        }
        current_->crc = crc_.Value();
        offset_ += current_->size;
        file_.reset();
    }

    std::vector<StreamPayload>& payloads_;
    Adapter stream_{};
    std::exception_ptr failure_;
    std::vector<unsigned char> buffer_;
    std::size_t begin_ = 0;  // the next byte to hand out
    std::size_t ready_ = 0;  // end of the bytes that are final
    std::size_t filled_ = 0; // end of the bytes read
    std::size_t next_ = 0;
    StreamPayload* current_ = nullptr;
    std::unique_ptr<File> file_;
    std::uint64_t remaining_ = 0; // bytes of the current file not yet read
    std::uint64_t position_ = 0;  // of buffer_[0] in the current payload
    std::uint64_t offset_ = 0;    // of the current payload in the stream
    Crc32 crc_;
};

class StreamOutput {
public:
    explicit StreamOutput(const std::function<void(std::string_view)>& write) : write_(write) {
        stream_.iface.Write = &StreamOutput::WriteCallback;
        stream_.self = this;
    }
    ISeqOutStream* Stream() { return &stream_.iface; }
    std::uint64_t Written() const { return written_; }
    void Rethrow() const {
        if (failure_) {
            std::rethrow_exception(failure_);
        }
    }

private:
    struct Adapter {
        ISeqOutStream iface;
        StreamOutput* self;
    };
    static std::size_t WriteCallback(void* p, const void* data, std::size_t size) {
        StreamOutput& output = *static_cast<Adapter*>(p)->self;
        try {
            output.write_(std::string_view(static_cast<const char*>(data), size));
            output.written_ += size;
            return size;
        } catch (...) {
            output.failure_ = std::current_exception();
            return 0;
        }
    }

    const std::function<void(std::string_view)>& write_;
    Adapter stream_{};
    std::uint64_t written_ = 0;
    std::exception_ptr failure_;
};

void AppendU64(std::string& out, std::uint64_t value) {
    for (int i = 0; i < 8; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

std::uint32_t U32At(const unsigned char* p) {
    return std::uint32_t{p[0]} | (std::uint32_t{p[1]} << 8) | (std::uint32_t{p[2]} << 16) |
           (std::uint32_t{p[3]} << 24);
}

} // namespace

bool IsX86Image(const fs::path& file) {
    File in(file);
    unsigned char dos[64] = {};
    if (in.Read(dos, sizeof dos) != sizeof dos || dos[0] != 'M' || dos[1] != 'Z') {
        return false;
    }
    unsigned char header[6] = {};
    in.Seek(U32At(dos + 0x3C));
    if (in.Read(header, sizeof header) != sizeof header || U32At(header) != 0x00004550) {
        return false;
    }
    const unsigned machine = header[4] | (header[5] << 8);
    return machine == 0x14C || machine == 0x8664;
}

bool ShrinksEnough(const fs::path& file, std::uint64_t size, bool filter) {
    if (size == 0) {
        return false;
    }
    // The whole file up to 2 MiB; otherwise its first MiB and the MiB
    // around its middle.
    std::vector<unsigned char> sample;
    File in(file);
    const auto take = [&](std::uint64_t from, std::size_t count) {
        const std::size_t at = sample.size();
        sample.resize(at + count);
        in.Seek(from);
        if (in.Read(sample.data() + at, count) != count) {
            in.Fail("the file changed while the installer was written");
        }
        if (filter) {
            Filter(sample.data() + at, count, from);
        }
    };
    if (size <= 2 * kPiece) {
        take(0, static_cast<std::size_t>(size));
    } else {
        take(0, kPiece);
        take(size / 2 - kPiece / 2, kPiece);
    }
    return BytesShrinkEnough(sample.data(), sample.size());
}

bool BytesShrinkEnough(const unsigned char* data, std::size_t size) {
    const Encoder encoder = MakeEncoder(size, true);
    std::vector<unsigned char> packed(size * 49 / 50);
    if (packed.empty()) {
        return false;
    }
    SizeT packedSize = packed.size();
    const SRes result = LzmaEnc_MemEncode(encoder.get(), packed.data(), &packedSize, data, size, 0,
                                          nullptr, &gAllocator, &gAllocator);
    if (result == SZ_ERROR_OUTPUT_EOF) {
        return false;
    }
    if (result != SZ_OK) {
        throw std::bad_alloc();
    }
    return true;
}

namespace {

std::uint64_t EncodeStream(std::vector<StreamPayload>& payloads,
                           const std::function<void(std::string_view)>& write, bool quick) {
    std::uint64_t total = 0;
    for (const auto& payload : payloads) {
        total += payload.size;
    }
    const Encoder encoder = MakeEncoder(total, quick);
    unsigned char properties[LZMA_PROPS_SIZE];
    SizeT propertiesSize = sizeof properties;
    LzmaEnc_WriteProperties(encoder.get(), properties, &propertiesSize);
    std::string header(reinterpret_cast<const char*>(properties), propertiesSize);
    AppendU64(header, total);
    write(header);

    // The stream is decoded as it is written, to measure what each
    // payload took of it (not needed for a quick estimate).
    std::optional<StreamShares> shares;
    if (!quick) {
        std::vector<std::uint64_t> sizes;
        for (const auto& payload : payloads) {
            sizes.push_back(payload.size);
        }
        shares.emplace(properties, std::move(sizes));
    }
    const std::function<void(std::string_view)> measured = [&](std::string_view bytes) {
        write(bytes);
        if (shares) {
            shares->Feed(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
        }
    };
    PayloadInput input(payloads);
    StreamOutput output(measured);
    const SRes result = LzmaEnc_Encode(encoder.get(), output.Stream(), input.Stream(), nullptr,
                                       &gAllocator, &gAllocator);
    input.Rethrow();
    output.Rethrow();
    if (result == SZ_ERROR_MEM) {
        throw std::bad_alloc();
    }
    if (result != SZ_OK) {
        throw std::runtime_error("internal error: the LZMA encoder failed (" +
                                 std::to_string(result) + ")");
    }
    if (shares) {
        const std::vector<std::uint64_t> taken = shares->Finish();
        for (std::size_t i = 0; i < payloads.size(); ++i) {
            payloads[i].encodedShare = taken[i];
        }
    }
    return header.size() + output.Written();
}

} // namespace

std::uint64_t WriteSolidStream(std::vector<StreamPayload>& payloads,
                               const std::function<void(std::string_view)>& write) {
    return EncodeStream(payloads, write, false);
}

std::uint64_t QuickEncodedSize(std::vector<StreamPayload> payloads) {
    return EncodeStream(
        payloads, [](std::string_view) {}, true);
}

bool QuickEncodesBelow(const unsigned char* data, std::size_t size, std::uint64_t limit) {
    if (limit == 0) {
        return false;
    }
    const Encoder encoder = MakeEncoder(size, true);
    std::vector<unsigned char> packed(
        static_cast<std::size_t>(std::min<std::uint64_t>(limit - 1, size + size / 16 + 4096)));
    SizeT packedSize = packed.size();
    const SRes result = LzmaEnc_MemEncode(encoder.get(), packed.data(), &packedSize, data, size, 0,
                                          nullptr, &gAllocator, &gAllocator);
    if (result == SZ_ERROR_OUTPUT_EOF) {
        return false;
    }
    if (result != SZ_OK) {
        throw std::bad_alloc();
    }
    return kStreamHeaderSize + packedSize < limit;
}

std::string PackedRecord(const StreamPayload& payload) {
    std::string record = "BPK1";
    record += std::string(payload.filtered ? "\x01\0\0\0" : "\0\0\0\0", 4);
    AppendU64(record, payload.size);
    AppendU64(record, payload.offset);
    for (int i = 0; i < 4; ++i) {
        record.push_back(static_cast<char>((payload.crc >> (8 * i)) & 0xFF));
    }
    record.append(4, '\0');
    return record;
}

std::optional<PackedBytes> PackBytes(std::string_view bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    const Encoder encoder = MakeEncoder(bytes.size(), false);
    PackedBytes packed;
    unsigned char properties[LZMA_PROPS_SIZE];
    SizeT propertiesSize = sizeof properties;
    LzmaEnc_WriteProperties(encoder.get(), properties, &propertiesSize);
    packed.stream.assign(reinterpret_cast<const char*>(properties), propertiesSize);
    AppendU64(packed.stream, bytes.size());
    // Worth it only at 98% of the size or less, the record included.
    const std::size_t limit = bytes.size() * 49 / 50;
    const std::size_t room = packed.stream.size() + kPackedRecordSize;
    if (limit <= room) {
        return std::nullopt;
    }
    std::vector<unsigned char> data(limit - room);
    SizeT dataSize = data.size();
    const SRes result = LzmaEnc_MemEncode(encoder.get(), data.data(), &dataSize,
                                          reinterpret_cast<const unsigned char*>(bytes.data()),
                                          bytes.size(), 0, nullptr, &gAllocator, &gAllocator);
    if (result == SZ_ERROR_OUTPUT_EOF) {
        return std::nullopt;
    }
    if (result != SZ_OK) {
        throw std::bad_alloc();
    }
    packed.stream.append(reinterpret_cast<const char*>(data.data()), dataSize);
    Crc32 crc;
    crc.Update(bytes.data(), bytes.size());
    StreamPayload payload;
    payload.size = bytes.size();
    payload.crc = crc.Value();
    packed.record = PackedRecord(payload);
    return packed;
}

} // namespace brisel::tools
