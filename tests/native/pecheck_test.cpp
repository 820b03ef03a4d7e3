// Tests for the PE inspector, run against small images assembled in memory.
#include "PeImage.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <map>
#include <numeric>
#include <sstream>

using namespace pecheck;

namespace {

using Bytes = std::vector<uint8_t>;

void put16(Bytes& b, size_t at, uint16_t v) {
    b.resize(std::max(b.size(), at + 2));
    b[at] = v & 0xff;
    b[at + 1] = v >> 8;
}

void put32(Bytes& b, size_t at, uint32_t v) {
    put16(b, at, v & 0xffff);
    put16(b, at + 2, v >> 16);
}

void add16(Bytes& b, uint16_t v) {
    put16(b, b.size(), v);
}
void add32(Bytes& b, uint32_t v) {
    put32(b, b.size(), v);
}
void align(Bytes& b, size_t n) {
    b.resize((b.size() + n - 1) / n * n);
}

void addUtf16(Bytes& b, const std::u16string& s, bool terminate) {
    for (char16_t c : s) {
        add16(b, c);
    }
    if (terminate) {
        add16(b, 0);
    }
}

// Builds a minimal PE: headers in the first 0x200 bytes, then each section at the next
// 0x200-aligned file offset and the next 0x1000-aligned RVA.
struct PeBuilder {
    bool pe32Plus = false;
    uint16_t machine = kMachineI386;
    uint16_t subsystem = kSubsystemGui;
    uint16_t dllCharacteristics = 0;
    std::vector<Bytes> sections;
    std::map<int, std::pair<uint32_t, uint32_t>> directories;

    static constexpr size_t kPeOffset = 0x40;
    size_t optionalOffset() const { return kPeOffset + 24; }
    size_t optionalSize() const { return pe32Plus ? 240 : 224; }
    size_t sectionHeader(size_t i) const { return optionalOffset() + optionalSize() + i * 40; }
    uint32_t rvaOf(size_t i) const { return 0x1000 * static_cast<uint32_t>(i + 1); }
    uint32_t nextRva() const { return rvaOf(sections.size()); }
    size_t fileOffsetOf(size_t i) const {
        size_t offset = 0x200;
        for (size_t k = 0; k < i; ++k) {
            offset += (sections[k].size() + 0x1ff) & ~size_t{0x1ff};
        }
        return offset;
    }

    // Adds a section and points data directory `dir` (if any) at its start.
    void add(Bytes data, int dir = -1) {
        if (dir >= 0) {
            directories[dir] = {nextRva(), static_cast<uint32_t>(data.size())};
        }
        sections.push_back(std::move(data));
    }

    Bytes build() const {
        Bytes b(0x200);
        put16(b, 0, 0x5a4d);
        put32(b, 0x3c, kPeOffset);
        put32(b, kPeOffset, 0x4550);
        put16(b, kPeOffset + 4, machine);
        put16(b, kPeOffset + 6, static_cast<uint16_t>(sections.size()));
        put16(b, kPeOffset + 20, static_cast<uint16_t>(optionalSize()));
        size_t opt = optionalOffset();
        put16(b, opt, pe32Plus ? 0x20b : 0x10b);
        put32(b, opt + 60, 0x200);
        put16(b, opt + 68, subsystem);
        put16(b, opt + 70, dllCharacteristics);
        size_t dirs = opt + (pe32Plus ? 108 : 92);
        put32(b, dirs, 16);
        for (const auto& [index, dir] : directories) {
            put32(b, dirs + 4 + index * 8, dir.first);
            put32(b, dirs + 8 + index * 8, dir.second);
        }
        for (size_t i = 0; i < sections.size(); ++i) {
            size_t h = sectionHeader(i);
            std::copy_n(".sect", 5, b.begin() + h);
            put32(b, h + 8, static_cast<uint32_t>(sections[i].size()));
            put32(b, h + 12, rvaOf(i));
            put32(b, h + 16, static_cast<uint32_t>((sections[i].size() + 0x1ff) & ~0x1ffu));
            put32(b, h + 20, static_cast<uint32_t>(b.size()));
            b.insert(b.end(), sections[i].begin(), sections[i].end());
            align(b, 0x200);
        }
        return b;
    }
};

Bytes importSection(uint32_t rva, const std::vector<std::string>& dlls) {
    Bytes b((dlls.size() + 1) * 20);
    for (size_t i = 0; i < dlls.size(); ++i) {
        put32(b, i * 20 + 12, rva + static_cast<uint32_t>(b.size()));
        put32(b, i * 20 + 16, rva); // any non-zero thunk RVA
        b.insert(b.end(), dlls[i].begin(), dlls[i].end());
        b.push_back(0);
    }
    return b;
}

struct TestResource {
    ResourceId type;
    ResourceId name;
    uint16_t lang;
    Bytes data;
};

// Lays out root, type, name and language directories, then data entries, strings and data.
Bytes resourceSection(uint32_t rva, const std::vector<TestResource>& leaves) {
    using Group = std::vector<std::pair<ResourceId, std::vector<size_t>>>;
    auto groupBy = [&](const std::vector<size_t>& items, ResourceId TestResource::*key) {
        Group groups;
        for (size_t i : items) {
            auto it = std::find_if(groups.begin(), groups.end(),
                                   [&](const auto& g) { return g.first == leaves[i].*key; });
            if (it == groups.end()) {
                groups.emplace_back(leaves[i].*key, std::vector<size_t>{});
                it = groups.end() - 1;
            }
            it->second.push_back(i);
        }
        return groups;
    };
    std::vector<size_t> all(leaves.size());
    std::iota(all.begin(), all.end(), 0);
    Group types = groupBy(all, &TestResource::type);

    // Offsets into `strings`, `entries` and `data` are made absolute once all sizes are known.
    Bytes dirs, entries, strings, data;
    std::vector<std::pair<size_t, size_t>> stringRefs, entryRefs, dataRefs;
    std::function<void(const Group&, int)> writeDir = [&](const Group& groups, int level) {
        size_t at = dirs.size();
        dirs.resize(at + 16 + groups.size() * 8);
        auto named = std::count_if(groups.begin(), groups.end(),
                                   [](const auto& g) { return !g.first.isId; });
        put16(dirs, at + 12, static_cast<uint16_t>(named));
        put16(dirs, at + 14, static_cast<uint16_t>(groups.size() - named));
        for (size_t i = 0; i < groups.size(); ++i) {
            const ResourceId& id = groups[i].first;
            size_t slot = at + 16 + i * 8;
            if (id.isId) {
                put32(dirs, slot, id.id);
            } else {
                stringRefs.push_back({slot, strings.size()});
                add16(strings, static_cast<uint16_t>(id.name.size()));
                addUtf16(strings, std::u16string(id.name.begin(), id.name.end()), false);
            }
            if (level == 2) {
                entryRefs.push_back({slot + 4, entries.size()});
                dataRefs.push_back({entries.size(), data.size()});
                const TestResource& leaf = leaves[groups[i].second[0]];
                add32(entries, 0);
                add32(entries, static_cast<uint32_t>(leaf.data.size()));
                add32(entries, 0);
                add32(entries, 0);
                data.insert(data.end(), leaf.data.begin(), leaf.data.end());
                align(data, 4);
                continue;
            }
            put32(dirs, slot + 4, 0x80000000u | static_cast<uint32_t>(dirs.size()));
            Group sub;
            if (level == 0) {
                sub = groupBy(groups[i].second, &TestResource::name);
            } else {
                for (size_t leaf : groups[i].second) {
                    sub.push_back({ResourceId::fromId(leaves[leaf].lang), {leaf}});
                }
            }
            writeDir(sub, level + 1);
        }
    };
    writeDir(types, 0);
    size_t entryBase = dirs.size();
    size_t stringBase = entryBase + entries.size();
    size_t dataBase = (stringBase + strings.size() + 3) & ~size_t{3};
    for (auto [slot, off] : stringRefs) {
        put32(dirs, slot, 0x80000000u | static_cast<uint32_t>(stringBase + off));
    }
    for (auto [slot, off] : entryRefs) {
        put32(dirs, slot, static_cast<uint32_t>(entryBase + off));
    }
    for (auto [entry, off] : dataRefs) {
        put32(entries, entry, rva + static_cast<uint32_t>(dataBase + off));
    }
    Bytes out = dirs;
    out.insert(out.end(), entries.begin(), entries.end());
    out.insert(out.end(), strings.begin(), strings.end());
    align(out, 4);
    out.insert(out.end(), data.begin(), data.end());
    return out;
}

// One block of a version resource; children and alignment are handled by encode().
struct VNode {
    std::u16string key;
    uint16_t type = 1;
    uint16_t valueLength = 0;
    Bytes value;
    std::vector<VNode> children;
};

void encode(Bytes& b, const VNode& n) {
    size_t start = b.size();
    add16(b, 0);
    add16(b, n.valueLength);
    add16(b, n.type);
    addUtf16(b, n.key, true);
    align(b, 4);
    b.insert(b.end(), n.value.begin(), n.value.end());
    for (const VNode& child : n.children) {
        align(b, 4);
        encode(b, child);
    }
    put16(b, start, static_cast<uint16_t>(b.size() - start));
}

VNode str(const std::u16string& key, const std::u16string& value) {
    VNode n{key, 1, static_cast<uint16_t>(value.size() + 1), {}, {}};
    addUtf16(n.value, value, true);
    return n;
}

VNode versionRoot(std::vector<VNode> children, bool withFixed = true) {
    VNode root{u"VS_VERSION_INFO", 0, 0, {}, std::move(children)};
    if (withFixed) {
        root.valueLength = 52;
        for (uint32_t word : {0xfeef04bdu, 0x10000u, 0x10003u, 0x10008u, 0x20000u, 0xffffu}) {
            add32(root.value, word);
        }
        root.value.resize(52);
    }
    return root;
}

Bytes encoded(const VNode& root) {
    Bytes b;
    encode(b, root);
    return b;
}

Bytes sampleVersion() {
    VNode japanese{u"041103a4", 1, 0, {}, {str(u"FileVersion", u"1.3.1.8"), str(u"Empty", u"")}};
    VNode english{u"040904b0", 1, 0, {}, {str(u"ProductName", u"\u65e5\u672c Tool")}};
    Bytes pairs;
    for (uint16_t v : {0x411, 932, 0x409, 1200}) {
        add16(pairs, v);
    }
    VNode translation{u"Translation", 0, 8, pairs, {}};
    return encoded(versionRoot({{u"StringFileInfo", 1, 0, {}, {japanese, english}},
                                {u"VarFileInfo", 1, 0, {}, {translation}}}));
}

Bytes groupIcon(std::vector<std::array<uint8_t, 3>> sizes, uint16_t bits) {
    Bytes b;
    for (uint16_t v : {0, 1, static_cast<int>(sizes.size())}) {
        add16(b, v);
    }
    for (const auto& s : sizes) {
        b.insert(b.end(), {s[0], s[1], s[2], 0});
        add16(b, 1);
        add16(b, bits);
        add32(b, 0x2e8);
        add16(b, 1);
    }
    return b;
}

std::vector<TestResource> sampleResources() {
    return {
        {ResourceId::fromName("TEXT"), ResourceId::fromName("RESOURCE_SCRIPT"), 1041, {'h', 'i'}},
        {ResourceId::fromId(24), ResourceId::fromId(1), 1033, Bytes(5, 'm')},
        {ResourceId::fromId(24), ResourceId::fromId(1), 1041, Bytes(3, 'j')},
        {ResourceId::fromId(16), ResourceId::fromId(1), 1041, sampleVersion()},
        {ResourceId::fromId(14), ResourceId::fromName("MAIN ICON"), 1041,
         groupIcon({{32, 32, 16}, {0, 0, 0}}, 4)}};
}

PeBuilder sampleBuilder() {
    PeBuilder pe;
    pe.dllCharacteristics = kDllDynamicBase | kDllNxCompat;
    pe.add(importSection(pe.nextRva(), {"KERNEL32.dll", "User32.DLL"}), 1);
    pe.add(resourceSection(pe.nextRva(), sampleResources()), 2);
    return pe;
}

} // namespace

TEST(PeImageTest, HeaderFieldsForBothFormats) {
    struct Case {
        bool pe32Plus;
        uint16_t machine, subsystem, dllChars;
    } cases[] = {{false, kMachineI386, kSubsystemGui, kDllDynamicBase | kDllNxCompat},
                 {true, kMachineAmd64, kSubsystemConsole, 0x160},
                 {true, kMachineAmd64, 10, 0}};
    for (const Case& c : cases) {
        PeBuilder pe;
        pe.pe32Plus = c.pe32Plus;
        pe.machine = c.machine;
        pe.subsystem = c.subsystem;
        pe.dllCharacteristics = c.dllChars;
        PeImage image(pe.build());
        EXPECT_EQ(image.isPe32Plus(), c.pe32Plus);
        EXPECT_EQ(image.machine(), c.machine);
        EXPECT_EQ(image.subsystem(), c.subsystem);
        EXPECT_EQ(image.dllCharacteristics(), c.dllChars);
        EXPECT_TRUE(image.importedDlls().empty());
        EXPECT_TRUE(image.resources().empty());
        EXPECT_FALSE(image.versionInfo());
    }
}

TEST(PeImageTest, ReportListsEverythingInStableOrder) {
    PeImage image(sampleBuilder().build());
    std::ostringstream out;
    writeReport(out, image);
    EXPECT_EQ(out.str(), "format PE32\n"
                         "machine i386\n"
                         "subsystem gui\n"
                         "dllcharacteristics dynamicbase nxcompat\n"
                         "import kernel32.dll\n"
                         "import user32.dll\n"
                         "resource TEXT RESOURCE_SCRIPT 1041 2\n"
                         "resource 24 1 1033 5\n"
                         "resource 24 1 1041 3\n"
                         "resource 16 1 1041 " +
                             std::to_string(sampleVersion().size()) +
                             "\n"
                             "resource 14 MAIN\\x20ICON 1041 34\n"
                             "version.fixed.file 1.3.1.8\n"
                             "version.fixed.product 2.0.0.65535\n"
                             "version.string 041103a4 FileVersion=1.3.1.8\n"
                             "version.string 041103a4 Empty=\n"
                             "version.string 040904b0 ProductName=\xe6\x97\xa5\xe6\x9c\xac Tool\n"
                             "version.translation 0x0411 932\n"
                             "version.translation 0x0409 1200\n"
                             "icon 32x32 colors=16 bits=4\n"
                             "icon 256x256 colors=0 bits=4\n");
}

TEST(PeImageTest, FindResourceMatchesIdsNumericallyAndNamesExactly) {
    PeBuilder pe = sampleBuilder();
    pe.sections[1] = resourceSection(
        pe.rvaOf(1), {{ResourceId::fromName("TEXT"), ResourceId::fromName("123"), 9, {'s'}},
                      {ResourceId::fromId(24), ResourceId::fromId(1), 1033, {'m'}}});
    PeImage image(pe.build());
    struct Case {
        const char* type;
        const char* name;
        const char* data; // null: not found
    } cases[] = {{"24", "1", "m"},         {"024", "1", "m"},    {"TEXT", "123", "s"},
                 {"text", "123", nullptr}, {"24", "2", nullptr}, {"", "1", nullptr}};
    for (const Case& c : cases) {
        const ResourceEntry* entry = image.findResource(c.type, c.name);
        ASSERT_EQ(entry != nullptr, c.data != nullptr) << c.type << " " << c.name;
        if (entry) {
            EXPECT_EQ(std::string(entry->data.begin(), entry->data.end()), c.data);
        }
    }
}

TEST(VersionInfoTest, ToleratesMissingFixedInfoAndUnreliableStringLengths) {
    VNode overlong = str(u"Comments", u"abc");
    overlong.valueLength = 8; // byte count instead of characters, as some compilers write
    VNode unterminated{u"Note", 1, 2, {}, {}};
    addUtf16(unterminated.value, u"xy", false);
    VNode table{u"040904b0", 1, 0, {}, {overlong, unterminated}};
    VersionInfo info =
        parseVersionInfo(encoded(versionRoot({{u"StringFileInfo", 1, 0, {}, {table}}}, false)));
    EXPECT_FALSE(info.hasFixedInfo);
    ASSERT_EQ(info.stringTables.size(), 1u);
    using Strings = std::vector<std::pair<std::string, std::string>>;
    EXPECT_EQ(info.stringTables[0].strings, (Strings{{"Comments", "abc"}, {"Note", "xy"}}));
}

TEST(VersionInfoTest, RejectsMalformedBlocks) {
    const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
        {"zero-length child", [](Bytes& b) { put16(b, 0x5c, 0); }},
        {"child longer than parent", [](Bytes& b) { put16(b, 0x5c, 0x7000); }},
        {"root longer than data",
         [](Bytes& b) { put16(b, 0, static_cast<uint16_t>(b.size() + 4)); }},
        {"bad signature", [](Bytes& b) { b[0x28] ^= 1; }},
        {"short fixed info", [](Bytes& b) { put16(b, 2, 20); }},
        {"wrong root key", [](Bytes& b) { b[6] = 'X'; }},
        {"unterminated key", [](Bytes& b) { put16(b, 0, 0x20); }},
        {"truncated", [](Bytes& b) { b.resize(4); }},
    };
    for (const auto& [label, corrupt] : cases) {
        Bytes data = sampleVersion();
        corrupt(data);
        EXPECT_THROW(parseVersionInfo(data), PeError) << label;
    }
}

TEST(GroupIconTest, RejectsWrongTypeAndShortTables) {
    Bytes icon = groupIcon({{16, 16, 0}, {48, 48, 0}}, 32);
    EXPECT_EQ(parseGroupIcon(icon).size(), 2u);
    Bytes cursor = icon;
    put16(cursor, 2, 2);
    EXPECT_THROW(parseGroupIcon(cursor), PeError);
    icon.pop_back();
    EXPECT_THROW(parseGroupIcon(icon), PeError);
}

TEST(PeImageTest, RejectsCorruptHeadersAndDirectories) {
    PeBuilder base = sampleBuilder();
    size_t impFile = base.fileOffsetOf(0);
    size_t resHeader = base.sectionHeader(1);
    size_t resFile = base.fileOffsetOf(1);
    // The sample resource tree is laid out depth first: root (4 entries) at 0, TEXT type
    // directory at 48, its language directory at 72 (single entry at 88), ... with the first
    // data entry at 248.
    constexpr size_t kFirstTypeTarget = 20, kSecondTypeTarget = 28;
    constexpr size_t kFirstLanguageTarget = 92, kFirstDataEntry = 248;
    const std::pair<const char*, std::function<void(Bytes&)>> cases[] = {
        {"empty", [](Bytes& b) { b.clear(); }},
        {"no MZ", [](Bytes& b) { b[0] = 'X'; }},
        {"PE offset past end", [](Bytes& b) { put32(b, 0x3c, 0xfffffff0); }},
        {"bad PE signature", [](Bytes& b) { b[PeBuilder::kPeOffset + 1] = 'X'; }},
        {"optional header too small", [](Bytes& b) { put16(b, PeBuilder::kPeOffset + 20, 64); }},
        {"unknown magic", [](Bytes& b) { put16(b, PeBuilder::kPeOffset + 24, 0x107); }},
        {"section table past end", [](Bytes& b) { put16(b, PeBuilder::kPeOffset + 6, 0xffff); }},
        {"raw data past end", [=](Bytes& b) { put32(b, resHeader + 20, 0xfffff000); }},
        {"raw size past end", [=](Bytes& b) { put32(b, resHeader + 16, 0x10000); }},
        {"import name unmapped", [=](Bytes& b) { put32(b, impFile + 12, 0x90000); }},
        {"type entry loops to root",
         [=](Bytes& b) { put32(b, resFile + kFirstTypeTarget, 0x80000000u); }},
        {"two types share a directory",
         [=](Bytes& b) {
             std::copy_n(b.begin() + resFile + kFirstTypeTarget, 4,
                         b.begin() + resFile + kSecondTypeTarget);
         }},
        {"type entry points to data", [=](Bytes& b) { b[resFile + kFirstTypeTarget + 3] = 0; }},
        {"language entry points to directory",
         [=](Bytes& b) { b[resFile + kFirstLanguageTarget + 3] = 0x80; }},
        {"name string past end", [=](Bytes& b) { put32(b, resFile + 16, 0x8000fff0u); }},
        {"entry count past end", [=](Bytes& b) { put16(b, resFile + 14, 0xffff); }},
        {"data size past section",
         [=](Bytes& b) { put32(b, resFile + kFirstDataEntry + 4, 0x400); }},
        {"data entries alias each other",
         [=](Bytes& b) {
             for (size_t entry = 0; entry < 5; ++entry) {
                 put32(b, resFile + kFirstDataEntry + entry * 16, 0x2000);
                 put32(b, resFile + kFirstDataEntry + entry * 16 + 4, 0x300);
             }
         }},
        {"data RVA unmapped", [=](Bytes& b) { put32(b, resFile + kFirstDataEntry, 0x70000); }},
    };
    for (const auto& [label, corrupt] : cases) {
        Bytes image = base.build();
        corrupt(image);
        EXPECT_THROW(PeImage{image}, PeError) << label;
    }
}

TEST(PeImageTest, ImportDescriptorsAndNamesMustStayInsideTheirSections) {
    // Section 1 holds the names, the last one without a terminator; section 2 the descriptors.
    auto build = [](std::vector<uint32_t> nameRvas, bool terminated) {
        PeBuilder pe;
        std::string names = std::string("kernel32.dll") + '\0' + "abc";
        pe.add(Bytes(names.begin(), names.end()));
        Bytes descriptors;
        for (uint32_t rva : nameRvas) {
            descriptors.resize(descriptors.size() + 12);
            add32(descriptors, rva);
            add32(descriptors, 0x1000);
        }
        descriptors.resize(descriptors.size() + (terminated ? 20 : 0));
        pe.add(descriptors, 1);
        return pe.build();
    };
    EXPECT_EQ(PeImage(build({0x1000, 0x1000}, true)).importedDlls(),
              (std::vector<std::string>{"kernel32.dll", "kernel32.dll"}));
    EXPECT_THROW(PeImage(build({0x1000}, false)), PeError);
    EXPECT_THROW(PeImage(build({0x100d}, true)), PeError);
    EXPECT_THROW(PeImage(build({0x1010}, true)), PeError);
}

TEST(PeImageTest, EveryTruncationIsRejected) {
    Bytes full = sampleBuilder().build();
    ASSERT_NO_THROW(PeImage{full});
    for (size_t length = 0; length < full.size(); ++length) {
        Bytes cut(full.begin(), full.begin() + length);
        EXPECT_THROW(PeImage{cut}, PeError) << "length " << length;
    }
}

TEST(PeImageTest, ByteCorruptionEitherParsesOrFailsCleanly) {
    // Under the sanitizers this catches out-of-bounds reads and arithmetic faults; any
    // exception other than PeError is also a failure.
    Bytes full = sampleBuilder().build();
    for (size_t at = 0; at < full.size(); ++at) {
        for (uint8_t pattern : {0x01, 0x80, 0xff}) {
            Bytes image = full;
            image[at] ^= pattern;
            try {
                PeImage parsed(image);
            } catch (const PeError&) {
            }
        }
    }
}
