#include "InstallerImage.h"

#include "LittleEndian.h"
#include "PeChecksum.h"
#include "TemporaryOutput.h"
#include "common/HostSystem.h"
#include "common/PackagePlan.h"

#include <memory>

namespace brisel::pe {

namespace {

constexpr std::uint32_t kResourceCharacteristics = 0x40000040; // initialised data, readable
constexpr std::uint32_t kInitializedData = 0x00000040;
constexpr std::size_t kCopyChunk = 1 << 20;
// The resource section starts at a whole page of the file whatever the
// stub's file alignment (a page is a multiple of every valid one): Wine maps
// a section straight from the file only when its file offset is a page
// boundary, and reads it into private memory otherwise, which for the
// payloads would cost their whole size before the window opens.
constexpr std::uint32_t kPage = 0x1000;

std::uint64_t EndOfRawData(const std::vector<Section>& sections) {
    std::uint64_t end = 0;
    for (const auto& section : sections) {
        if (section.rawSize > 0) {
            end = std::max(end, std::uint64_t{section.rawPointer} + section.rawSize);
        }
    }
    return end;
}

class FileReader {
public:
    explicit FileReader(const std::filesystem::path& path) : file_(tools::OpenForReading(path)) {}
    ~FileReader() {
        if (file_ != nullptr) {
            std::fclose(file_);
        }
    }
    FileReader(const FileReader&) = delete;
    FileReader& operator=(const FileReader&) = delete;
    std::FILE* Get() const { return file_; }

private:
    std::FILE* file_;
};

} // namespace

InstallerImage::InstallerImage(const PeImage& stub, const ResourceTree& resources)
    : stub_(stub), resources_(resources), sections_(stub.Sections()) {
    const std::uint32_t fileAlignment = stub.FileAlignment();
    const std::uint32_t sectionAlignment = stub.SectionAlignment();
    const DataDirectory current = stub.Directory(kResourceDirectory);
    const DataDirectory relocations = stub.Directory(kBaseRelocationDirectory);

    Section resourceSection;
    std::uint32_t oldRawSize = 0;
    if (current.rva != 0) {
        const int index = stub.SectionOf(current.rva);
        if (index < 0 || sections_[static_cast<std::size_t>(index)].virtualAddress != current.rva) {
            throw FormatError("the stub's resources do not start a section of their own");
        }
        resourceIndex_ = static_cast<std::size_t>(index);
        resourceSection = sections_[resourceIndex_];
        oldRawSize = resourceSection.rawSize;
        stubDataEnd_ = resourceSection.rawPointer;
        resourceSection.rawPointer = static_cast<std::uint32_t>(
            AlignUp(resourceSection.rawPointer, std::max(fileAlignment, kPage)));
        for (std::size_t i = resourceIndex_ + 1; i < sections_.size(); ++i) {
            if (relocations.rva != sections_[i].virtualAddress) {
                throw FormatError("section " + sections_[i].name +
                                  " follows the stub's resources and cannot be moved");
            }
        }
        for (std::size_t i = 0; i < resourceIndex_; ++i) {
            if (sections_[i].rawSize > 0 &&
                sections_[i].rawPointer + std::uint64_t{sections_[i].rawSize} >
                    resourceSection.rawPointer) {
                throw FormatError("section " + sections_[i].name +
                                  " lies behind the resources in the stub's file");
            }
        }
    } else {
        appended_ = true;
        resourceIndex_ = sections_.size();
        const std::size_t tableEnd = stub.SectionTableOffset() + (sections_.size() + 1) * 40;
        std::uint32_t firstRaw = stub.SizeOfHeaders();
        for (const auto& section : sections_) {
            if (section.rawSize > 0) {
                firstRaw = std::min(firstRaw, section.rawPointer);
            }
        }
        if (tableEnd > firstRaw || sections_.empty()) {
            throw FormatError("the stub's headers have no room for another section");
        }
        const Section& last = sections_.back();
        resourceSection.name = ".rsrc";
        resourceSection.characteristics = kResourceCharacteristics;
        resourceSection.virtualAddress = static_cast<std::uint32_t>(
            AlignUp(std::uint64_t{last.virtualAddress} + last.virtualSize, sectionAlignment));
        stubDataEnd_ = EndOfRawData(sections_);
        resourceSection.rawPointer =
            static_cast<std::uint32_t>(AlignUp(stubDataEnd_, std::max(fileAlignment, kPage)));
        sections_.push_back(resourceSection);
    }

    // New sizes; kept in 64 bits until the caller has checked them.
    const std::uint64_t size = resources_.Size();
    const std::uint64_t rawSize = AlignUp(size, fileAlignment);
    std::uint64_t nextAddress =
        AlignUp(std::uint64_t{resourceSection.virtualAddress} + size, sectionAlignment);
    std::uint64_t nextRaw = resourceSection.rawPointer + rawSize;
    Section& placed = sections_[resourceIndex_];
    placed.virtualSize = static_cast<std::uint32_t>(size);
    placed.rawPointer = resourceSection.rawPointer;
    placed.rawSize = static_cast<std::uint32_t>(rawSize);
    for (std::size_t i = resourceIndex_ + 1; i < sections_.size(); ++i) {
        Section& moved = sections_[i];
        relocationDelta_ = static_cast<std::uint32_t>(nextAddress - moved.virtualAddress);
        moved.virtualAddress = static_cast<std::uint32_t>(nextAddress);
        moved.rawPointer = static_cast<std::uint32_t>(nextRaw);
        nextAddress = AlignUp(nextAddress + moved.virtualSize, sectionAlignment);
        nextRaw += moved.rawSize;
    }
    sizeOfImage_ = nextAddress;
    fileSize_ = nextRaw;
    initializedDataDelta_ = static_cast<std::int64_t>(rawSize) - oldRawSize;
}

std::string InstallerImage::Headers() const {
    // The stub's headers and sections up to its resources, then zeros up to
    // the page where the new resources start.
    const std::size_t headEnd = sections_[resourceIndex_].rawPointer;
    std::string head = stub_.Bytes().substr(0, std::min<std::uint64_t>(headEnd, stubDataEnd_));
    head.resize(headEnd, '\0');
    const std::size_t file = stub_.FileHeaderOffset();
    const std::size_t optional = stub_.OptionalHeaderOffset();
    PutU16(head, file + 2, static_cast<std::uint16_t>(sections_.size()));
    PutU32(head, file + 4, 0);  // time stamp
    PutU32(head, file + 8, 0);  // symbol table: not carried over
    PutU32(head, file + 12, 0); // number of symbols
    PutU32(head, optional + 8,
           static_cast<std::uint32_t>(ReadU32(head, optional + 8) + initializedDataDelta_));
    PutU32(head, optional + 56, static_cast<std::uint32_t>(sizeOfImage_));
    PutU32(head, stub_.ChecksumOffset(), 0);

    const Section& resources = sections_[resourceIndex_];
    PutU32(head, stub_.DirectoryOffset(kResourceDirectory), resources.virtualAddress);
    PutU32(head, stub_.DirectoryOffset(kResourceDirectory) + 4, resources.virtualSize);
    PutU32(head, stub_.DirectoryOffset(kSecurityDirectory), 0);
    PutU32(head, stub_.DirectoryOffset(kSecurityDirectory) + 4, 0);
    const DataDirectory relocations = stub_.Directory(kBaseRelocationDirectory);
    if (relocations.rva != 0 && resourceIndex_ + 1 < sections_.size()) {
        PutU32(head, stub_.DirectoryOffset(kBaseRelocationDirectory),
               relocations.rva + relocationDelta_);
    }

    for (std::size_t i = resourceIndex_; i < sections_.size(); ++i) {
        const Section& section = sections_[i];
        const std::size_t at = stub_.SectionTableOffset() + i * 40;
        if (appended_ && i == resourceIndex_) {
            std::string name = section.name;
            name.resize(8, '\0');
            head.replace(at, 8, name);
            PutU32(head, at + 36, section.characteristics);
        }
        PutU32(head, at + 8, section.virtualSize);
        PutU32(head, at + 12, section.virtualAddress);
        PutU32(head, at + 16, section.rawSize);
        PutU32(head, at + 20, section.rawPointer);
    }
    return head;
}

void InstallerImage::Write(TemporaryOutput& out) const {
    if (sizeOfImage_ > 0xFFFFFFFFull || fileSize_ > 0xFFFFFFFFull) {
        throw FormatError("the image would exceed 4 GiB");
    }
    PeChecksum sum;
    const std::string head = Headers();
    sum.Add(head);
    out.Write(head);
    WriteResources(out, sum);
    for (std::size_t i = resourceIndex_ + 1; i < sections_.size(); ++i) {
        const Section& original = stub_.Sections()[i];
        const std::string_view bytes =
            std::string_view(stub_.Bytes()).substr(original.rawPointer, original.rawSize);
        sum.Add(bytes);
        out.Write(bytes);
    }
    std::string checksum(4, '\0');
    PutU32(checksum, 0, sum.Value());
    out.WriteAt(stub_.ChecksumOffset(), checksum);
}

void InstallerImage::WriteResources(TemporaryOutput& out, PeChecksum& sum) const {
    const Section& section = sections_[resourceIndex_];
    const auto emit = [&](std::string_view bytes) {
        sum.Add(bytes);
        out.Write(bytes);
    };
    const std::string zeros(4096, '\0');
    const auto pad = [&](std::uint64_t count) {
        for (; count > 0; count -= std::min<std::uint64_t>(count, zeros.size())) {
            emit(std::string_view(zeros).substr(0, std::min<std::uint64_t>(count, zeros.size())));
        }
    };

    emit(resources_.Tables(section.virtualAddress));
    std::uint64_t at = resources_.TablesSize();
    std::unique_ptr<char[]> buffer;
    for (const PlacedResource& placed : resources_.Placed()) {
        pad(placed.offset - at);
        const ResourceData& data = *placed.data;
        if (!data.FromFile()) {
            emit(data.bytes);
        } else {
            if (!buffer) {
                buffer = std::make_unique<char[]>(kCopyChunk);
            }
            const FileReader reader(data.file);
            if (reader.Get() == nullptr) {
                throw tools::PackageError(data.file.u8string() + ": cannot be read");
            }
            std::uint64_t copied = 0;
            std::size_t n = 0;
            while ((n = std::fread(buffer.get(), 1, kCopyChunk, reader.Get())) > 0) {
                copied += n;
                if (copied > data.size) {
                    break;
                }
                emit(std::string_view(buffer.get(), n));
            }
            if (std::ferror(reader.Get()) != 0) {
                throw tools::PackageError(data.file.u8string() + ": cannot be read");
            }
            if (copied != data.size) {
                throw tools::PackageError(data.file.u8string() +
                                          ": the file changed while the installer was written");
            }
        }
        at = placed.offset + data.size;
    }
    pad(std::uint64_t{section.rawSize} - at);
}

} // namespace brisel::pe
