// The parts of the installer writer whose output the PE format fixes: the
// checksum, the order of resource names, the resource section's bytes, and
// how a stub's sections and headers change when its resources are replaced.
#include "StubImage.h"
#include "TempDir.h"
#include "pe/IconFile.h"
#include "pe/InstallerImage.h"
#include "pe/LittleEndian.h"
#include "pe/PeChecksum.h"
#include "pe/ResourceReader.h"
#include "pe/ResourceSection.h"
#include "pe/TemporaryOutput.h"
#include "pe/VersionRecord.h"

#include <gtest/gtest.h>

#include <random>

namespace brisel {
namespace {

using namespace pe;

std::string RandomBytes(std::size_t size, unsigned seed) {
    std::mt19937 random(seed);
    std::string bytes(size, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    return bytes;
}

TEST(PeChecksum, MatchesTheDefinitionHoweverTheFileIsCutIntoPieces) {
    const std::string all1 = std::string(4096, '\xFF');
    struct Case {
        std::string bytes;
        std::vector<std::size_t> pieces; // sizes; the rest goes in one last piece
    } cases[] = {
        {RandomBytes(10001, 1), {}},
        {RandomBytes(10001, 2), {1, 1, 3, 4, 5}},
        {RandomBytes(70000, 3), {3, 4097, 9, 1 << 15}},
        {all1, {7}}, // sums that fold to 0xFFFF
        {std::string(64, '\0'), {}},
        {std::string(1, 'x'), {}},
    };
    for (const auto& c : cases) {
        PeChecksum sum;
        std::size_t at = 0;
        for (std::size_t piece : c.pieces) {
            sum.Add(std::string_view(c.bytes).substr(at, piece));
            at += piece;
        }
        sum.Add(std::string_view(c.bytes).substr(at));
        // The definition, with a checksum field of zero bytes at offset 0.
        EXPECT_EQ(sum.Value(), test::ReferenceChecksum(std::string(4, '\0') + c.bytes, 0) - 4)
            << c.bytes.size() << " bytes in " << c.pieces.size() + 1 << " pieces";
    }
}

TEST(ResourceTree, OrdersNamesAsTheLoadersBinarySearchExpects) {
    // Named entries first, compared upper-cased, a prefix before a longer
    // name; then numbers in ascending order.
    const std::vector<ResourceId> sorted = {
        ResourceId::Name("BIN"),
        ResourceId::Name("BMP"),
        ResourceId::Name("MAINICON"),
        ResourceId::Name("RESOURCE_FILE1"),
        ResourceId::Name("RESOURCE_FILE10"),
        ResourceId::Name("RESOURCE_FILE2"),
        ResourceId::Name("TEXT"),
        ResourceId::Number(3),
        ResourceId::Number(16),
        ResourceId::Number(24),
    };
    for (std::size_t i = 0; i < sorted.size(); ++i) {
        for (std::size_t j = 0; j < sorted.size(); ++j) {
            EXPECT_EQ(sorted[i] < sorted[j], i < j)
                << sorted[i].ToString() << " " << sorted[j].ToString();
        }
    }
    EXPECT_TRUE(ResourceId::Name("text") == ResourceId::Name("TEXT"));
    EXPECT_THROW(ResourceId::Name("N\xC3\xA4me"), FormatError);
}

TEST(ResourceSection, LaysOutTablesStringsEntriesAndDataAsDescribed) {
    ResourceTree tree;
    tree[{ResourceId::Name("AB"), ResourceId::Name("X"), 0x411}] = {ResourceData::Bytes("hi"), 0};
    tree[{ResourceId::Number(16), ResourceId::Number(1), 0x411}] = {ResourceData::Bytes("V"), 0};
    const ResourceSection section(tree);

    std::string want;
    const auto u16 = [&](std::uint16_t v) { AppendU16(want, v); };
    const auto u32 = [&](std::uint32_t v) { AppendU32(want, v); };
    const auto directory = [&](std::uint16_t named, std::uint16_t numbered) {
        u32(0), u32(0), u16(0), u16(0), u16(named), u16(numbered);
    };
    const std::uint32_t rva = 0x7000, dir = 0x80000000;
    directory(1, 1), u32(dir | 160), u32(dir | 32), u32(16), u32(dir | 56); // root at 0
    directory(1, 0), u32(dir | 166), u32(dir | 80);                         // type "AB" at 32
    directory(0, 1), u32(1), u32(dir | 104);                                // type 16 at 56
    directory(0, 1), u32(0x411), u32(128);                                  // "AB"/"X" at 80
    directory(0, 1), u32(0x411), u32(144);                                  // 16/1 at 104
    u32(rva + 176), u32(2), u32(0), u32(0);                                 // entry at 128
    u32(rva + 184), u32(1), u32(0), u32(0);                                 // entry at 144
    u16(2), u16('A'), u16('B'), u16(1), u16('X');                           // names at 160
    want.resize(176, '\0');

    EXPECT_EQ(section.Tables(rva), want);
    EXPECT_EQ(section.TablesSize(), 176u);
    ASSERT_EQ(section.Placed().size(), 2u);
    EXPECT_EQ(section.Placed()[0].offset, 176u);
    EXPECT_EQ(section.Placed()[1].offset, 184u);
    EXPECT_EQ(section.Size(), 185u);
}

// A stub's resources: a version record and an icon group naming icon 1.
ResourceTree StubResources() {
    ResourceTree tree;
    tree[{ResourceId::Number(kTypeVersion), ResourceId::Number(1), 0x411}] = {
        ResourceData::Bytes("version"), 0};
    std::string group;
    AppendU16(group, 0);
    AppendU16(group, 1);
    AppendU16(group, 1);
    group += std::string("\x20\x20\x10\x00\x01\x00\x04\x00\x03\x00\x00\x00", 12);
    AppendU16(group, 1);
    tree[{ResourceId::Number(kTypeGroupIcon), ResourceId::Name("MAINICON"), 0x411}] = {
        ResourceData::Bytes(group), 0};
    tree[{ResourceId::Number(kTypeIcon), ResourceId::Number(1), 0x411}] = {
        ResourceData::Bytes("ico"), 0};
    return tree;
}

std::string Padded(std::string bytes, std::size_t alignment) {
    PadTo(bytes, alignment);
    return bytes;
}

std::string Write(const PeImage& stub, const ResourceTree& tree, const test::TempDir& dir) {
    const InstallerImage image(stub, tree);
    pe::TemporaryOutput out(dir.Path() / "out.exe");
    image.Write(out);
    out.Commit();
    return dir.Read("out.exe");
}

// The stub's resources start at 0x600 of its file (file alignment 0x200);
// the new ones start at the next page, so that the system can map them.
TEST(InstallerImage, ReplacesTheResourcesAndMovesTheRelocationsBehindThem) {
    const ResourceTree stubTree = StubResources();
    const std::string text = RandomBytes(0x200, 4);
    const std::string relocations =
        Padded(std::string("\x00\x10\x00\x00\x0C\x00\x00\x00\x04\x30", 10), 0x200);
    const ResourceSection stubSection(stubTree);
    std::string stubResources = stubSection.Tables(0x2000);
    for (const auto& placed : stubSection.Placed()) {
        stubResources.resize(placed.offset, '\0');
        stubResources += placed.data->bytes;
    }
    const PeImage stub(test::BuildStubImage({0x200,
                                             {{".text", text, 0x1F0, 0x60000020},
                                              {".rsrc", Padded(stubResources, 0x200)},
                                              {".reloc", relocations, 10, 0x42000040}},
                                             1,
                                             2}));

    ResourceTree tree = ReadResources(stub);
    ASSERT_EQ(tree.size(), 3u);
    const std::string payload = RandomBytes(0x2345, 5); // beyond one page: the reloc moves
    tree[{ResourceId::Name("BIN"), ResourceId::Name("RESOURCE_FILE0"), 0x411}] = {
        ResourceData::Bytes(payload), 0};
    const test::TempDir dir;
    const std::string out = Write(stub, tree, dir);

    const ResourceSection laidOut(tree);
    const std::uint32_t rsrcSize = static_cast<std::uint32_t>(laidOut.Size());
    const std::uint32_t rsrcRaw = static_cast<std::uint32_t>(AlignUp(rsrcSize, 0x200));
    const std::uint32_t relocAddress =
        static_cast<std::uint32_t>(0x2000 + AlignUp(rsrcSize, 0x1000));
    const std::size_t rsrc = test::kSectionTable + 40, reloc = test::kSectionTable + 80;
    EXPECT_EQ(test::U32At(out, rsrc + 8), rsrcSize);
    EXPECT_EQ(test::U32At(out, rsrc + 12), 0x2000u);
    EXPECT_EQ(test::U32At(out, rsrc + 16), rsrcRaw);
    EXPECT_EQ(test::U32At(out, rsrc + 20), 0x1000u) << "a page of the file";
    EXPECT_EQ(test::U32At(out, reloc + 8), 10u);
    EXPECT_EQ(test::U32At(out, reloc + 12), relocAddress);
    EXPECT_EQ(test::U32At(out, reloc + 16), 0x200u);
    EXPECT_EQ(test::U32At(out, reloc + 20), 0x1000u + rsrcRaw);
    EXPECT_EQ(out.size(), 0x1200u + rsrcRaw);

    const std::size_t optional = test::kOptionalHeader;
    EXPECT_EQ(test::U32At(out, test::kFileHeader + 4), 0u) << "time stamp";
    EXPECT_EQ(test::U32At(out, optional + 8), 0x5000u - 0x200u + rsrcRaw) << "initialised data";
    EXPECT_EQ(test::U32At(out, optional + 56), relocAddress + 0x1000) << "size of image";
    EXPECT_EQ(test::U32At(out, optional + 96 + 16), 0x2000u);
    EXPECT_EQ(test::U32At(out, optional + 96 + 20), rsrcSize);
    EXPECT_EQ(test::U32At(out, optional + 96 + 40), relocAddress);
    EXPECT_EQ(test::U32At(out, optional + 64), test::ReferenceChecksum(out, optional + 64));

    EXPECT_EQ(out.substr(0x400, 0x200), text);
    EXPECT_EQ(out.substr(0x600, 0xA00), std::string(0xA00, '\0')) << "no stub bytes in the gap";
    EXPECT_EQ(out.substr(0x1000 + rsrcRaw), relocations);
    const ResourceTree back = ReadResources(PeImage(out));
    ASSERT_EQ(back.size(), tree.size());
    for (const auto& [key, value] : tree) {
        EXPECT_EQ(back.at(key).data.bytes, value.data.bytes) << key.name.ToString();
    }
}

TEST(InstallerImage, GivesAStubWithoutResourcesANewLastSection) {
    const std::string text = Padded("code", 0x1000);
    const PeImage stub(test::BuildStubImage(
        {0x1000, {{".text", text, 4, 0x60000020}, {".reloc", Padded("r", 0x1000), 1}}, -1, 1}));
    ResourceTree tree;
    tree[{ResourceId::Name("TEXT"), ResourceId::Name("RESOURCE_SCRIPT"), 0x411}] = {
        ResourceData::Bytes("script"), 0};
    const test::TempDir dir;
    const std::string out = Write(stub, tree, dir);

    const std::size_t added = test::kSectionTable + 80;
    EXPECT_EQ(static_cast<unsigned char>(out[test::kFileHeader + 2]), 3u);
    EXPECT_EQ(out.substr(added, 8), std::string(".rsrc\0\0\0", 8));
    EXPECT_EQ(test::U32At(out, added + 12), 0x3000u);
    EXPECT_EQ(test::U32At(out, added + 20), 0x3000u) << "page-aligned after the relocations";
    EXPECT_EQ(test::U32At(out, added + 16), 0x1000u);
    EXPECT_EQ(test::U32At(out, added + 36), 0x40000040u);
    EXPECT_EQ(test::U32At(out, test::kOptionalHeader + 56), 0x4000u);
    EXPECT_EQ(test::U32At(out, test::kOptionalHeader + 96 + 40), 0x2000u) << "relocations stay";
    EXPECT_EQ(out.size(), 0x4000u);
    EXPECT_EQ(ReadResources(PeImage(out)).begin()->second.data.bytes, "script");
}

TEST(InstallerImage, RefusesStubsWhoseResourcesItCannotReplace) {
    const std::string page = Padded("x", 0x200);
    struct Case {
        const char* what;
        test::StubLayout layout;
    } cases[] = {
        {"a data section after the resources",
         {0x200, {{".text", page}, {".rsrc", page}, {".data", page}}, 1, -1}},
        {"resources inside another section", {0x200, {{".text", page}, {".rdata", page}}, 1, -1}},
    };
    std::string misplaced = test::BuildStubImage(cases[1].layout);
    PutU32(misplaced, test::kOptionalHeader + 96 + 16, 0x2010); // not the section's start
    const std::string images[] = {test::BuildStubImage(cases[0].layout), misplaced};
    for (std::size_t i = 0; i < 2; ++i) {
        const PeImage stub(images[i]);
        const ResourceTree tree;
        EXPECT_THROW(InstallerImage(stub, tree), FormatError) << cases[i].what;
    }
}

TEST(PeImage, RejectsFilesThatAreNoImage) {
    std::string good = test::BuildStubImage({0x200, {{".text", Padded("x", 0x200)}}, -1, -1});
    std::string noSignature = good;
    noSignature[test::kFileHeader - 4] = 'X';
    std::string pastTheEnd = good;
    PutU32(pastTheEnd, test::kSectionTable + 20, 0x10000);
    std::string badMagic = good;
    PutU16(badMagic, test::kOptionalHeader, 0x999);
    for (const std::string& bytes :
         {std::string("MZ"), good.substr(0, 0x100), noSignature, pastTheEnd, badMagic}) {
        EXPECT_THROW(PeImage{bytes}, FormatError);
    }
    EXPECT_NO_THROW(PeImage{good});
}

TEST(IconFile, ReplacesTheProgramIconWithEveryImageOfTheFile) {
    const std::string dib = std::string("\x28\0\0\0", 4) + std::string(60, 'd');
    const std::string png = std::string("\x89PNG\r\n\x1a\n", 8) + "picture";
    std::string ico;
    AppendU16(ico, 0), AppendU16(ico, 1), AppendU16(ico, 2);
    ico += std::string("\x10\x10\0\0\x01\0\x20\0", 8); // 16 x 16, 32 bits
    AppendU32(ico, 64);
    AppendU32(ico, 38);
    ico += std::string("\0\0\0\0\x01\0\x20\0", 8); // 256 x 256, 32 bits
    AppendU32(ico, 15);
    AppendU32(ico, 102);
    ico += dib + png;

    ResourceTree tree = StubResources();
    ReplaceProgramIcon(tree, ParseIconFile(ico));
    const auto icon = [&](std::uint16_t id) {
        return tree.at({ResourceId::Number(kTypeIcon), ResourceId::Number(id), 0x411}).data.bytes;
    };
    EXPECT_EQ(icon(1), dib);
    EXPECT_EQ(icon(2), png);
    std::string group;
    AppendU16(group, 0);
    AppendU16(group, 1);
    AppendU16(group, 2);
    group += ico.substr(6, 12);
    AppendU16(group, 1);
    group += ico.substr(22, 12);
    AppendU16(group, 2);
    EXPECT_EQ(tree.at({ResourceId::Number(kTypeGroupIcon), ResourceId::Name("MAINICON"), 0x411})
                  .data.bytes,
              group);
    EXPECT_EQ(tree.size(), 4u);

    std::string wrongType = ico, outside = ico, notAnImage = ico;
    wrongType[2] = 2;
    PutU32(outside, 18, 0xFFFF);
    notAnImage[38] = 'Z';
    for (const std::string& bad : {std::string(), std::string("\0\0\1\0\0\0", 6), wrongType,
                                   outside, notAnImage, ico.substr(0, 30)}) {
        EXPECT_THROW(ParseIconFile(bad), FormatError);
    }
}

TEST(VersionRecord, SetsTextsAndRefusesMalformedRecords) {
    // A record as resource compilers write it, with one text in its table.
    const auto block = [](const std::u16string& key, std::uint16_t type, std::uint16_t length,
                          const std::string& value, const std::string& children) {
        std::string out(6, '\0');
        PutU16(out, 2, length), PutU16(out, 4, type);
        for (char16_t c : key) {
            AppendU16(out, static_cast<std::uint16_t>(c));
        }
        AppendU16(out, 0);
        PadTo(out, 4);
        out += value;
        if (!children.empty()) {
            PadTo(out, 4);
            out += children;
        }
        PutU16(out, 0, static_cast<std::uint16_t>(out.size()));
        return out;
    };
    const auto text = [](const std::u16string& s) {
        std::string out;
        for (char16_t c : s) {
            AppendU16(out, static_cast<std::uint16_t>(c));
        }
        AppendU16(out, 0);
        return out;
    };
    const auto record = [&](const std::string& strings) {
        return block(u"VS_VERSION_INFO", 0, 4, "FIXD",
                     block(u"StringFileInfo", 1, 0, "", block(u"041103A4", 1, 0, "", strings)));
    };
    const std::string original = record(block(u"FileVersion", 1, 8, text(u"1.3.1.8"), ""));

    VersionBlock root = ParseVersionRecord(original);
    EXPECT_EQ(SerializeVersionRecord(root), original);
    // "20" leaves its block two bytes short of a 32-bit boundary: the added
    // block starts after two bytes of padding.
    SetVersionText(root, u"FileVersion", u"20");
    SetVersionText(root, u"ProductName", u"パッチ");
    EXPECT_EQ(SerializeVersionRecord(root),
              record(block(u"FileVersion", 1, 3, text(u"20"), "") + std::string(2, '\0') +
                     block(u"ProductName", 1, 4, text(u"パッチ"), "")));

    std::string tooLong = original, noEnd = original;
    PutU16(tooLong, 0, static_cast<std::uint16_t>(original.size() + 2));
    PutU16(noEnd, 2, 0x7FFF); // a value longer than its block
    for (const std::string& bad : {tooLong, noEnd, original.substr(0, 5)}) {
        EXPECT_THROW(ParseVersionRecord(bad), FormatError);
    }
    VersionBlock noTable = ParseVersionRecord(block(u"VS_VERSION_INFO", 0, 4, "FIXD", ""));
    EXPECT_THROW(SetVersionText(noTable, u"ProductName", u"x"), FormatError);
}

} // namespace
} // namespace brisel
