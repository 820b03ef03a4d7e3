#include "ChecksumTable.h"

#include "common/HostSystem.h"
#include "common/PackagePlan.h"
#include "core/Crc32c.h"
#include "core/PackageSumsFormat.h"

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

namespace brisel::pe {

namespace {

void AppendNumber(std::string& out, std::uint64_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) {
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xFF));
    }
}

void AppendText(std::string& out, const std::string& text) {
    AppendNumber(out, text.size(), 1);
    out += text;
}

// The portable engine, so that every host writes the same bytes.
std::uint32_t Checksum(const char* data, std::size_t size) {
    Crc32c crc(Crc32c::Engine::Portable);
    crc.Update(data, size);
    return crc.Value();
}

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};

void AppendPieceSums(std::string& out, const ResourceData& data) {
    if (!data.FromFile()) {
        for (std::size_t at = 0; at < data.bytes.size(); at += kSumsPiece) {
            const std::size_t size = std::min<std::size_t>(kSumsPiece, data.bytes.size() - at);
            AppendNumber(out, Checksum(data.bytes.data() + at, size), 4);
        }
        return;
    }
    const std::unique_ptr<std::FILE, FileCloser> file(tools::OpenForReading(data.file));
    std::vector<char> piece(kSumsPiece);
    std::uint64_t read = 0;
    std::size_t n = 0;
    while (file && read <= data.size &&
           (n = std::fread(piece.data(), 1, piece.size(), file.get())) > 0) {
        read += n;
        AppendNumber(out, Checksum(piece.data(), n), 4);
    }
    if (!file || std::ferror(file.get()) != 0) {
        throw tools::PackageError(data.file.u8string() + ": cannot be read");
    }
    if (read != data.size) {
        throw tools::PackageError(data.file.u8string() +
                                  ": the file changed while the installer was written");
    }
}

bool StartsWith(const std::string& text, const std::string& start) {
    return text.compare(0, start.size(), start) == 0;
}

} // namespace

bool CoveredBySums(const ResourceKey& key) {
    if (!key.type.IsName() || !key.name.IsName()) {
        return false;
    }
    const std::string type = key.type.ToString(), name = key.name.ToString();
    if (type == "LZMA" || type == "STORED") {
        return name == "RESOURCE_SOLID";
    }
    return (type == "PACKED" || type == "DELTA" || type == "BIN") &&
           StartsWith(name, "RESOURCE_FILE");
}

std::string ChecksumTable(const ResourceTree& tree) {
    std::string entries;
    std::uint64_t count = 0;
    for (const auto& [key, value] : tree) {
        if (!CoveredBySums(key)) {
            continue;
        }
        AppendText(entries, key.type.ToString());
        AppendText(entries, key.name.ToString());
        AppendNumber(entries, value.data.size, 8);
        AppendPieceSums(entries, value.data);
        ++count;
    }
    std::string table = kSumsMagic;
    AppendNumber(table, kSumsPiece, 4);
    AppendNumber(table, count, 4);
    table += entries;
    AppendNumber(table, Checksum(table.data(), table.size()), 4);
    return table;
}

} // namespace brisel::pe
