#include "TResourceStream.h"

#include "platform/Files.h"
#include "platform/PackageResources.h"
#include "support/Exceptions.h"
#include "support/TStringList.h"

namespace brisel {

std::unique_ptr<TResourceStream> TResourceStream::Open(const char* type, const String& name) {
    const auto bytes = platform::FindPackageResource(type, name.c_str());
    if (!bytes) {
        throw EResNotFound(name + " リソースが見つかりません");
    }
    return std::make_unique<TResourceStream>(*bytes);
}

std::string_view TResourceStream::ReadBuffer(std::size_t count) {
    if (count > bytes_.size() - position_) {
        throw EReadError("ストリームからの読み込みエラー");
    }
    const auto chunk = bytes_.substr(position_, count);
    position_ += count;
    return chunk;
}

void TResourceStream::LoadLines(TStringList& lines) const {
    lines.LoadFromBytes(bytes_);
}

void TResourceStream::SaveToFile(const String& path) const {
    platform::WriteWholeFile(path, bytes_);
}

} // namespace brisel
