#include "RegistryPath.h"

#include "TStringList.h"
#include "TokenSplit.h"
#include "core/Exceptions.h"
#include "core/TextUtils.h"
#include "support/SameText.h"

#include <cstdint>

namespace brisel {

namespace {

struct RootName {
    const char* name;
    std::uint32_t number;
};

// In the order in which the first item is compared with them.
constexpr RootName kRootNames[] = {
    {"HKEY_CLASSES_ROOT", 0x80000000},   {"HKEY_CURRENT_USER", 0x80000001},
    {"HKEY_LOCAL_MACHINE", 0x80000002},  {"HKEY_USERS", 0x80000003},
    {"HKEY_CURRENT_CONFIG", 0x80000005}, {"HKEY_DYN_DATA", 0x80000006},
};

constexpr std::uint32_t kCurrentUser = 0x80000001;

String WithName(const char* format, const String& name) {
    String message = format;
    message.replace(message.find("%s"), 2, name);
    return message;
}

bool SelectRoot(TRegistry& registry, const String& item) {
    for (const auto& root : kRootNames) {
        if (SameText(item, root.name)) {
            registry.SetRootKey(platform::PredefinedRegistryKey(root.number));
            return true;
        }
    }
    return false;
}

} // namespace

TRegistry::TRegistry() : rootKey_(platform::PredefinedRegistryKey(kCurrentUser)) {}

void TRegistry::SetRootKey(platform::RegistryKey root) {
    if (root != rootKey_) {
        CloseKey();
        rootKey_ = root;
    }
}

bool TRegistry::OpenKeyReadOnly(const String& key) {
    String name = key;
    platform::RegistryKey base = currentKey_ ? currentKey_.Get() : rootKey_;
    if (!name.empty() && name[0] == '\\') {
        name.erase(0, 1);
        base = rootKey_;
    }
    platform::RegistryKey opened = platform::kNoRegistryKey;
    if (!platform::OpenRegistryKeyRead(base, name.c_str(), opened)) {
        return false;
    }
    currentKey_.Reset(opened);
    return true;
}

void TRegistry::CloseKey() {
    currentKey_.Reset();
}

WideString TRegistry::ReadString(const String& name) {
    std::uint32_t type = platform::kRegNone;
    std::uint32_t size = 0;
    if (!platform::QueryRegistryValue(currentKey_.Get(), name.c_str(), type, nullptr, size) ||
        size == 0) {
        return WideString();
    }
    // At least one zero unit more than the query may write, so the text
    // always ends (also after an odd byte count).
    WideString data(std::size_t{size} / 2 + 2, u'\0');
    if (!platform::QueryRegistryValue(currentKey_.Get(), name.c_str(), type,
                                      reinterpret_cast<unsigned char*>(data.data()), size)) {
        // "'%s' の取得に失敗しました" (could not be read)
        throw ERegistryException(
            WithName("'%s' "
                     "\x82\xcc\x8e\xe6\x93\xbe\x82\xc9\x8e\xb8\x94\x73\x82\xb5\x82\xdc"
                     "\x82\xb5\x82\xbd",
                     name));
    }
    if (type != platform::kRegSz && type != platform::kRegExpandSz) {
        // "'%s' のデータ型が不正です" (its data type is invalid)
        throw ERegistryException(
            WithName("'%s' "
                     "\x82\xcc\x83\x66\x81\x5b\x83\x5e\x8c\x5e\x82\xaa\x95\x73\x90\xb3"
                     "\x82\xc5\x82\xb7",
                     name));
    }
    return WideString(data.c_str());
}

bool ReadRegistryPath(String path, WideString& value) {
    TRegistry registry;
    TStringList items;
    Tokenize(path, "\\", items);
    const std::size_t count = items.Count();
    for (std::size_t i = 0; i < count; ++i) {
        if (i == 0) {
            if (!SelectRoot(registry, items[i])) {
                return false;
            }
        } else if (i == count - 1) {
            value = registry.ReadString(items[i]);
        } else if (!registry.OpenKeyReadOnly(items[i])) {
            return false;
        }
    }
    return true;
}

} // namespace brisel
