#include "ResourceTree.h"

#include "LittleEndian.h"

#include <algorithm>
#include <system_error>

namespace brisel::pe {

namespace {

char16_t Upper(char16_t c) {
    return (c >= u'a' && c <= u'z') ? static_cast<char16_t>(c - u'a' + u'A') : c;
}

} // namespace

ResourceId ResourceId::Number(std::uint16_t id) {
    ResourceId result;
    result.id_ = id;
    return result;
}

ResourceId ResourceId::Name(const std::string& ascii) {
    std::u16string text;
    for (char c : ascii) {
        if (c < 0x20 || c > 0x7E) {
            throw FormatError("resource names are printable ASCII");
        }
        text.push_back(Upper(static_cast<char16_t>(c)));
    }
    return Name(std::move(text));
}

ResourceId ResourceId::Name(std::u16string text) {
    ResourceId result;
    result.isName_ = true;
    result.text_ = std::move(text);
    return result;
}

std::string ResourceId::ToString() const {
    if (!isName_) {
        return std::to_string(id_);
    }
    std::string out;
    for (char16_t c : text_) {
        out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    }
    return out;
}

bool ResourceId::operator<(const ResourceId& other) const {
    if (isName_ != other.isName_) {
        return isName_;
    }
    if (!isName_) {
        return id_ < other.id_;
    }
    return std::lexicographical_compare(text_.begin(), text_.end(), other.text_.begin(),
                                        other.text_.end(),
                                        [](char16_t a, char16_t b) { return Upper(a) < Upper(b); });
}

bool ResourceId::operator==(const ResourceId& other) const {
    return !(*this < other) && !(other < *this);
}

ResourceData ResourceData::Bytes(std::string bytes) {
    ResourceData data;
    data.size = bytes.size();
    data.bytes = std::move(bytes);
    return data;
}

ResourceData ResourceData::File(const std::filesystem::path& file) {
    ResourceData data;
    data.file = file;
    std::error_code error;
    data.size = std::filesystem::file_size(file, error);
    if (error) {
        throw std::runtime_error(file.u8string() + ": cannot be read: " + error.message());
    }
    return data;
}

void RemoveResource(ResourceTree& tree, const ResourceId& type, const ResourceId& name) {
    for (auto it = tree.begin(); it != tree.end();) {
        if (it->first.type == type && it->first.name == name) {
            it = tree.erase(it);
        } else {
            ++it;
        }
    }
}

bool HasType(const ResourceTree& tree, const ResourceId& type) {
    return std::any_of(tree.begin(), tree.end(),
                       [&](const auto& item) { return item.first.type == type; });
}

} // namespace brisel::pe
