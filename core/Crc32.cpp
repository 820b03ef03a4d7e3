#include "core/Crc32.h"

namespace brisel {

namespace {

struct Table {
    std::uint32_t entries[256];
    Table() {
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k) {
                c = (c & 1) != 0 ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            }
            entries[i] = c;
        }
    }
};

} // namespace

void Crc32::Update(const void* data, std::size_t size) {
    // Made at first use: a table in the image would cost 1 KiB of the stub.
    static const Table table;
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::uint32_t c = state_;
    for (std::size_t i = 0; i < size; ++i) {
        c = table.entries[(c ^ bytes[i]) & 0xFF] ^ (c >> 8);
    }
    state_ = c;
}

} // namespace brisel
