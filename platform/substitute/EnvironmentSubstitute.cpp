// Host substitute for the environment expansion: a reference "%NAME%" to a
// variable of the store is replaced by its value; any other "%" stays as it
// is, as on Windows.
#include "platform/Environment.h"

#include "EnvironmentStore.h"
#include "platform/substitute/Utf.h"

namespace brisel::substitute {

namespace {

std::string UpperAscii(std::string name) {
    for (char& c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        }
    }
    return name;
}

std::string Expand(const std::string& source, const std::map<std::string, std::string>& variables) {
    std::string result;
    std::size_t pos = 0;
    while (pos < source.size()) {
        const std::size_t close =
            source[pos] == '%' ? source.find('%', pos + 1) : std::string::npos;
        if (close != std::string::npos) {
            const auto found = variables.find(UpperAscii(source.substr(pos + 1, close - pos - 1)));
            if (close > pos + 1 && found != variables.end()) {
                result += found->second;
                pos = close + 1;
                continue;
            }
        }
        result += source[pos];
        ++pos;
    }
    return result;
}

} // namespace

void EnvironmentStore::Set(const std::string& name, const std::string& value) {
    variables[UpperAscii(name)] = value;
}

EnvironmentStore& Environment() {
    static EnvironmentStore store;
    return store;
}

void ResetEnvironment() {
    Environment() = EnvironmentStore();
}

} // namespace brisel::substitute

namespace brisel::platform {

bool ExpandEnvironment(const WideString& source, WideString& expanded) {
    auto& store = substitute::Environment();
    const int call = ++store.calls;
    if (store.beforeExpand) {
        store.beforeExpand(call);
    }
    if (store.failing) {
        return false;
    }
    expanded = substitute::FromUtf8(substitute::Expand(substitute::Utf8(source), store.variables));
    return true;
}

} // namespace brisel::platform
