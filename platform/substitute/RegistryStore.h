// The in-memory registry behind the host substitute of platform/Registry.h:
// six predefined roots, keys and typed values, and a record of what the
// code under test opened, queried and closed.
#pragma once

#include "platform/Registry.h"

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace brisel::substitute {

struct RegistryValue {
    std::uint32_t type = platform::kRegNone;
    std::string data;
};

struct RegistryNode {
    std::string path; // full path from the root's name, for the records
    bool readable = true;
    // Both keyed by the name with ASCII letters folded to upper case.
    std::map<std::string, std::unique_ptr<RegistryNode>> subkeys;
    std::map<std::string, RegistryValue> values;
};

class RegistryStore {
public:
    RegistryStore();

    // Creates the key keyPath (levels separated by "\") below the root with
    // the given number, with every level above it; returns it.
    RegistryNode& CreateKey(std::uint32_t root, const std::string& keyPath);
    void SetValue(std::uint32_t root, const std::string& keyPath, const std::string& name,
                  std::uint32_t type, std::string data);
    // A REG_SZ or REG_EXPAND_SZ value holding text and its terminator.
    void SetText(std::uint32_t root, const std::string& keyPath, const std::string& name,
                 const std::string& text, std::uint32_t type = platform::kRegSz);

    RegistryNode* Root(platform::RegistryKey key);
    RegistryNode* Find(platform::RegistryKey key);

    // Open handles, keyed by handle value.
    std::map<platform::RegistryKey, RegistryNode*> open;
    platform::RegistryKey nextHandle = 0x1000;

    // Records of the calls.
    std::vector<std::string> openedPaths; // each successful open, by full path
    int failedOpens = 0;
    std::size_t mostOpenAtOnce = 0;
    int closes = 0;
    int invalidCloses = 0; // a root, a null or an unknown handle
    struct Query {
        platform::RegistryKey key;
        std::string name;
        bool withData;
    };
    std::vector<Query> queries;

    // Runs at the start of every query, before the store is looked at.
    std::function<void(const std::string& name, bool withData)> beforeQuery;

private:
    std::map<platform::RegistryKey, std::unique_ptr<RegistryNode>> roots_;
};

RegistryStore& Registry();
void ResetRegistry();

// The predefined root numbers.
constexpr std::uint32_t kClassesRoot = 0x80000000;
constexpr std::uint32_t kCurrentUser = 0x80000001;
constexpr std::uint32_t kLocalMachine = 0x80000002;
constexpr std::uint32_t kUsers = 0x80000003;
constexpr std::uint32_t kPerformanceData = 0x80000004;
constexpr std::uint32_t kCurrentConfig = 0x80000005;
constexpr std::uint32_t kDynData = 0x80000006;

} // namespace brisel::substitute
