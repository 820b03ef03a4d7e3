#include "TResourceStream.h"

#include "core/Exceptions.h"
#include "platform/Files.h"
#include "platform/PackageResources.h"
#include "support/TStringList.h"

namespace brisel {

std::unique_ptr<TResourceStream> TResourceStream::Open(const char* type, const String& name) {
    const auto bytes = platform::FindPackageResource(type, name.c_str());
    if (!bytes) {
        // "<name> リソースが見つかりません" (resource not found)
        throw EResNotFound(name + " " +
                           "\x83\x8a\x83\x5c\x81\x5b\x83\x58\x82\xaa\x8c\xa9\x82\xc2\x82\xa9"
                           "\x82\xe8\x82\xdc\x82\xb9\x82\xf1");
    }
    return std::make_unique<TResourceStream>(*bytes);
}

void RaiseReadError() {
    // "ストリームからの読み込みエラー" (stream read error)
    throw EReadError("\x83\x58\x83\x67\x83\x8a\x81\x5b\x83\x80\x82\xa9\x82\xe7\x82\xcc"
                     "\x93\xc7\x82\xdd\x8d\x9e\x82\xdd\x83\x47\x83\x89\x81\x5b");
}

std::string_view TResourceStream::ReadBuffer(std::size_t count) {
    if (count > bytes_.size() - position_) {
        RaiseReadError();
    }
    const auto chunk = bytes_.substr(position_, count);
    position_ += count;
    return chunk;
}

void TResourceStream::LoadLines(TStringList& lines) const {
    lines.LoadFromBytes(bytes_);
}

} // namespace brisel
