#include "BitmapFile.h"
#include "TempDir.h"
#include "TestSupport.h"
#include "compress/PayloadCompression.h"
#include "core/Crc32.h"
#include "core/Crc32c.h"
#include "core/DeltaFormat.h"
#include "core/Exceptions.h"
#include "core/Sha256.h"
#include "core/X86Filter.h"
#include "delta/DeltaPayloads.h"
#include "package/PackageSums.h"
#include "package/TBitmap.h"
#include "package/TPayloads.h"
#include "package/TResourceStream.h"
#include "pe/ChecksumTable.h"
#include "platform/GameFolder.h"
#include "support/TStringList.h"

#include <cstring>
#include <fstream>
#include <iterator>
#include <random>

namespace brisel {
namespace {

using PackageStreamTest = test::SubstituteTest;

std::string Message(const std::function<void()>& action) {
    try {
        action();
    } catch (const Exception& e) {
        return e.Message();
    }
    return "(no error)";
}

// Payload 0 checked and written over path as the installer does it:
// "written", or why not: "refused" (its record or the stream's header,
// before anything is written), "read" (a piece could not be had) or
// "verify" (the bytes are not those the record vouches for).
std::string WritePayload(const std::filesystem::path& path) {
    struct Noted final : platform::FileContent, PieceObserver {
        platform::FileContent* content = nullptr;
        std::string asked; // what the writer last asked of the content
        std::uint64_t Size() const override { return content->Size(); }
        bool Read(char* buffer, std::size_t size) override {
            asked = "read";
            return content->Read(buffer, size);
        }
        bool Verified() override {
            asked = "verify";
            return content->Verified();
        }
        bool MayWriteInPlace() const override { return false; }
        void PieceRead(std::size_t) override {}
    } noted;
    const auto folder = platform::OpenGameFolder(path.parent_path().u16string());
    const EntryPath entry = {path.filename().u16string()};
    TPayloads payloads(*folder);
    try {
        if (payloads.Check(0, entry, noted) != PayloadAction::Write) {
            return "left alone";
        }
        noted.content = &payloads.Open(0, entry);
        folder->Write(entry, noted);
        return "written";
    } catch (const EReadError&) {
        return "refused";
    } catch (const EFileWriteError&) {
        return noted.asked;
    }
}

TEST_F(PackageStreamTest, OpensItemsByTypeAndNameWithTheirBytesUnchanged) {
    substitute::PackageResources()[{"BIN", "RESOURCE_FILE0"}] = std::string("a\0b\xff", 4);
    const auto stream = TResourceStream::Open("BIN", "RESOURCE_FILE0");
    EXPECT_EQ(stream->Bytes(), std::string("a\0b\xff", 4));
    EXPECT_EQ(Message([] { TResourceStream::Open("TEXT", "RESOURCE_FILE0"); }),
              "RESOURCE_FILE0 リソースが見つかりません");
    EXPECT_EQ(Message([] { TResourceStream::Open("BIN", "RESOURCE_FILE1"); }),
              "RESOURCE_FILE1 リソースが見つかりません");
}

TEST_F(PackageStreamTest, ReadsExactlyOrRaisesAReadError) {
    TResourceStream stream("abcdef");
    EXPECT_EQ(stream.ReadBuffer(2), "ab");
    EXPECT_EQ(stream.ReadBuffer(4), "cdef");
    EXPECT_EQ(stream.ReadBuffer(0), "");
    EXPECT_EQ(Message([&] { stream.ReadBuffer(1); }), "ストリームからの読み込みエラー");
}

TEST_F(PackageStreamTest, LoadsTheScriptIntoLines) {
    TResourceStream stream("*Caption\r\n\tタイトル\r\n");
    TStringList lines;
    lines.Add("old");
    stream.LoadLines(lines);
    EXPECT_EQ(lines.Items(), (std::vector<String>{"*Caption", "\tタイトル"}));
}

std::string LoadBitmapError(const std::string& bytes) {
    return Message([&] {
        TResourceStream stream(bytes);
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
    });
}

TEST_F(PackageStreamTest, LoadsA24BitBitmapAsAPackedDib) {
    const std::string file = test::BitmapFile24(3, 2, 10, 20, 30);
    TResourceStream stream(file);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Width(), 3);
    EXPECT_EQ(bitmap.Height(), 2);
    EXPECT_EQ(bitmap.PackedDib(), file.substr(14));
    EXPECT_EQ(bitmap.PixelOffset(), 40u);
}

TEST_F(PackageStreamTest, AnEmptyStreamGivesAnEmptyPicture) {
    TResourceStream stream("");
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    EXPECT_TRUE(bitmap.Empty());
    EXPECT_EQ(bitmap.Width(), 0);
}

TEST_F(PackageStreamTest, RejectsBrokenBitmapsWithTheReadersMessages) {
    const std::string good = test::BitmapFile24(4, 4, 1, 2, 3);
    const std::string readError = "ストリームからの読み込みエラー";
    const std::string invalid = "ビットマップイメージが不正です";
    std::string notBm = good;
    notBm[0] = 'X';
    std::string zeroWidth = good;
    zeroWidth[18] = 0;
    std::string badDepth = good;
    badDepth[28] = 7;
    std::string hugeHeight = good;
    hugeHeight[22] = '\xff';
    hugeHeight[23] = '\xff';
    hugeHeight[24] = '\xff';
    hugeHeight[25] = '\x7f';
    test::BitmapFields shortBitfields;
    shortBitfields.headerSize = 44; // the masks would straddle the header's end
    shortBitfields.bitCount = 16;
    shortBitfields.compression = 3;
    shortBitfields.pixels = std::string(4, '\0');
    std::string pixelsFarAway = good;
    pixelsFarAway[12] = '\x7f'; // pixel offset beyond the end
    struct Case {
        std::string bytes, message;
    } cases[] = {
        {"B", readError}, // shorter than the file header
        {good.substr(0, 13), readError},
        {"XM" + good.substr(2, 12), invalid}, // the header is read before "BM" is checked
        {notBm, invalid},
        {good.substr(0, 14), readError},              // no info header
        {good.substr(0, 30), readError},              // info header cut short
        {good.substr(0, good.size() - 1), readError}, // pixels cut short
        {zeroWidth, invalid},
        {badDepth, invalid},
        {hugeHeight, invalid},
        {pixelsFarAway, readError},
        {test::BitmapFile(shortBitfields), invalid},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadBitmapError(c.bytes), c.message) << c.bytes.size();
    }
    EXPECT_EQ(LoadBitmapError(good), "(no error)");
}

TEST_F(PackageStreamTest, GdiIsGivenAHeaderThatDescribesExactlyWhatWasCopied) {
    const std::string red("\0\0\xff\0", 4);
    const std::string blue("\xff\0\0\0", 4);
    const std::string black = std::string(4, '\0');
    const std::string masks565 =
        test::U32Bytes(0xF800) + test::U32Bytes(0x07E0) + test::U32Bytes(0x001F);
    const std::string masks888 =
        test::U32Bytes(0xFF0000) + test::U32Bytes(0xFF00) + test::U32Bytes(0xFF);
    auto repeat = [](const std::string& entry, std::size_t count) {
        std::string out;
        for (std::size_t i = 0; i < count; ++i) {
            out += entry;
        }
        return out;
    };
    auto fields = [](std::uint16_t bitCount, std::uint32_t used, std::string extra,
                     std::string pixels) {
        test::BitmapFields s;
        s.width = 8;
        s.bitCount = bitCount;
        s.coloursUsed = used;
        s.extra = std::move(extra);
        s.pixels = std::move(pixels);
        return s;
    };
    test::BitmapFields v5Bitfields = fields(32, 0, "", std::string(32, '\x11'));
    v5Bitfields.headerSize = 124;
    v5Bitfields.compression = 3;
    v5Bitfields.headerMasks = masks888;
    test::BitmapFields plainBitfields = fields(16, 0, masks565, std::string(16, '\x22'));
    plainBitfields.compression = 3;
    test::BitmapFields rle8 = fields(8, 2, red + blue, std::string("\x08\x01\0\x01", 4));
    rle8.compression = 1;
    rle8.sizeImage = 4;
    test::BitmapFields tooImportant = fields(1, 0, red + blue, std::string("\xf0\0\0\0", 4));
    tooImportant.coloursImportant = 3;

    struct Case {
        const char* name;
        test::BitmapFields fields;
        std::string expectedTable; // masks, then the colour entries
        std::uint32_t expectedColoursUsed;
    } cases[] = {
        // A 1-bit picture that claims 256 colours holds two.
        {"1 bpp, biClrUsed 256", fields(1, 256, red + blue, std::string("\xf0\0\0\0", 4)),
         red + blue, 2},
        {"4 bpp, biClrUsed 3", fields(4, 3, red + blue + red, std::string(4, '\x12')),
         red + blue + red + repeat(black, 13), 16},
        {"8 bpp, biClrUsed 0", fields(8, 0, repeat(blue, 256), std::string(8, '\x01')),
         repeat(blue, 256), 256},
        // The optional table of a true-colour picture is not copied.
        {"24 bpp, biClrUsed 256", fields(24, 256, repeat(red, 256), std::string(24, '\x33')), "",
         0},
        {"32 bpp, bit fields in a version 5 header", v5Bitfields, masks888, 0},
        {"16 bpp, bit fields after a plain header", plainBitfields, masks565, 0},
        {"8 bpp, RLE", rle8, red + blue + repeat(black, 254), 256},
        {"biClrImportant beyond the table", tooImportant, red + blue, 2},
    };
    for (const auto& c : cases) {
        const std::string file = test::BitmapFile(c.fields);
        TResourceStream stream(file);
        TBitmap bitmap;
        bitmap.LoadFromStream(stream);
        const std::string& dib = bitmap.PackedDib();
        ASSERT_GE(dib.size(), 40u) << c.name;
        EXPECT_EQ(test::U32At(dib, 0), 40u) << c.name;
        EXPECT_EQ(test::U32At(dib, 32), c.expectedColoursUsed) << c.name;
        EXPECT_LE(test::U32At(dib, 36), c.expectedColoursUsed) << c.name;
        EXPECT_EQ(test::U32At(dib, 20), c.fields.pixels.size()) << c.name;
        EXPECT_EQ(bitmap.PixelOffset(), 40 + c.expectedTable.size()) << c.name;
        EXPECT_EQ(dib.substr(40, c.expectedTable.size()), c.expectedTable) << c.name;
        EXPECT_EQ(dib.substr(bitmap.PixelOffset()), c.fields.pixels) << c.name;
        const test::DibExtent extent = test::DibExtentFromHeader(dib);
        EXPECT_EQ(extent.pixelOffset, bitmap.PixelOffset()) << c.name;
        EXPECT_EQ(extent.total, dib.size()) << c.name;
    }
}

TEST_F(PackageStreamTest, WidensAnOs2CoreHeader) {
    // 2 x 1, 1 bit per pixel, a two-entry RGBTRIPLE palette.
    std::string file = "BM";
    file += std::string("\0\0\0\0\0\0\0\0", 8);
    file += std::string("\x20\0\0\0", 4); // pixel offset 32
    file += std::string("\x0c\0\0\0\x02\0\x01\0\x01\0\x01\0", 12);
    file += std::string("\0\0\0\xff\xff\xff", 6);
    file += std::string("\x80\0\0\0", 4);
    TResourceStream stream(file);
    TBitmap bitmap;
    bitmap.LoadFromStream(stream);
    EXPECT_EQ(bitmap.Width(), 2);
    EXPECT_EQ(bitmap.Height(), 1);
    EXPECT_EQ(bitmap.PixelOffset(), 40u + 8u);
    EXPECT_EQ(static_cast<unsigned char>(bitmap.PackedDib()[0]), 40);
}

// The branch filter undone piece by piece, as the installer decodes, gives
// back every byte, however the pieces fall; and it does change call sites.
TEST_F(PackageStreamTest, TheBranchFilterIsUndoneExactlyInAnyPieces) {
    std::mt19937 random(5);
    std::vector<unsigned char> original(70000);
    for (auto& byte : original) {
        // Dense with E8/E9 and near operands, where decisions interact.
        const unsigned pick = random() % 8;
        byte = static_cast<unsigned char>(pick < 2   ? 0xE8 + pick
                                          : pick < 5 ? (pick == 2 ? 0 : 0xFF)
                                                     : random() % 256);
    }
    const auto convert = [](std::vector<unsigned char> data, std::size_t piece, bool encoding) {
        std::size_t finished = 0;
        while (finished < data.size()) {
            const std::size_t end = std::min(data.size(), finished + piece);
            std::size_t done =
                X86Convert(data.data() + finished, end - finished, 1000 + finished, encoding);
            if (end == data.size()) {
                done = end - finished; // the tail stays as it is
            }
            finished += done;
        }
        return data;
    };
    const std::vector<unsigned char> encoded = convert(original, 1u << 20, true);
    EXPECT_NE(encoded, original);
    for (const std::size_t piece :
         {std::size_t{5}, std::size_t{7}, std::size_t{4096}, original.size()}) {
        EXPECT_EQ(convert(encoded, piece, false), original) << piece;
    }
}

// Compressed payloads (the fuzzer's seeds: a record and an LZMA stream),
// whole and spoiled: a good one is written, a spoiled one fails for its
// reason and leaves the old file and no temporary file.
TEST_F(PackageStreamTest, WritesACompressedPayloadOnlyWhenItVerifies) {
    // A flipped byte of the stream's data stops the decoder; the record's
    // bytes 1, 8, 16 and 24 are in its magic, size, offset and CRC-32.
    struct Case {
        const char* seed;
        std::size_t spoilAt;   // byte of the stream flipped; 0 for none
        bool cut;              // the stream cut in half
        std::size_t recordBit; // byte of the record whose low bit is flipped; 0 for none
        int headerShort; // the header's size this many bytes short of the payload's; -1: unknown
        const char* outcome;
    } cases[] = {
        {"text", 0, false, 0, -1, "written"},      {"pe", 0, false, 0, -1, "written"},
        {"empty-ish", 0, false, 0, -1, "written"}, {"text", 40, false, 0, -1, "read"},
        {"pe", 60, false, 0, -1, "read"},          {"pe", 0, true, 0, -1, "read"},
        {"text", 0, false, 24, -1, "verify"},      {"pe", 0, false, 24, -1, "verify"},
        {"text", 0, false, 1, -1, "refused"},      {"text", 0, false, 0, 0, "written"},
        {"pe", 0, false, 0, 1, "refused"},         {"text", 0, false, 8, 0, "refused"},
        {"text", 0, false, 16, 0, "refused"},
    };
    for (const auto& c : cases) {
        std::ifstream in(std::string(BRISEL_SOURCE_DIR) + "/fuzz/corpus/packed_payload/" + c.seed,
                         std::ios::binary);
        std::string stream((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        std::string record = stream.substr(0, 32);
        stream.erase(0, 32);
        if (c.spoilAt > 0) {
            stream[c.spoilAt] = static_cast<char>(stream[c.spoilAt] ^ 0x10);
        }
        if (c.cut) {
            stream.resize(stream.size() / 2);
        }
        if (c.headerShort >= 0) { // the seed's payload starts the stream
            std::uint64_t size = 0;
            std::memcpy(&size, &record[8], 8);
            size -= static_cast<std::uint64_t>(c.headerShort);
            std::memcpy(&stream[5], &size, 8);
        }
        if (c.recordBit > 0) {
            record[c.recordBit] = static_cast<char>(record[c.recordBit] ^ 1);
        }
        substitute::PackageResources()[{"PACKED", "RESOURCE_FILE0"}] = record;
        substitute::PackageResources()[{"LZMA", "RESOURCE_SOLID"}] = stream;
        test::TempDir disk;
        const auto target = disk.Write("a.dat", "old");
        const auto what = &c - cases;
        const std::string outcome = WritePayload(target);
        EXPECT_EQ(outcome, c.outcome) << what;
        if (outcome != "written") {
            EXPECT_EQ(disk.Read("a.dat"), "old") << what;
        }
        EXPECT_EQ(std::distance(std::filesystem::directory_iterator(disk.Path()),
                                std::filesystem::directory_iterator()),
                  1)
            << what;
    }
}

// Bytes that do not compress.
std::string Noise(std::mt19937& random, std::size_t size) {
    std::string bytes(size, '\0');
    for (auto& byte : bytes) {
        byte = static_cast<char>(random());
    }
    return bytes;
}

// Pairs of versions as patches meet them. A program rebuilt after a small
// change: the code after it moved, and every address into it relocated.
std::pair<std::string, std::string> RebuiltProgram(std::mt19937& random) {
    std::string code;
    while (code.size() < 60000) {
        code += "\x55\x8B\xEC" + std::string(1 + random() % 12, static_cast<char>(random() % 7));
        code += std::string("\xE8\0\0\0\0", 5); // an absolute address, filled in below
    }
    const auto link = [](std::string bytes, std::size_t shiftFrom, std::uint32_t shift) {
        for (std::size_t at = bytes.find('\xE8'); at != std::string::npos;
             at = bytes.find('\xE8', at + 5)) {
            std::uint32_t target = 0x401000 + static_cast<std::uint32_t>(at * 7 % bytes.size());
            target += target - 0x401000 >= shiftFrom ? shift : 0;
            std::memcpy(&bytes[at + 1], &target, 4);
        }
        return bytes;
    };
    std::string rebuilt = code;
    rebuilt.insert(20000, "\x90\x90\x31\xC0\x40\x90");
    return {link(code, 1u << 30, 0), link(rebuilt, 20000, 6)};
}

// An archive of members; the new one with members edited, inserted,
// removed and moved.
std::pair<std::string, std::string> EditedArchive(std::mt19937& random) {
    std::vector<std::string> members;
    for (int i = 0; i < 40; ++i) {
        std::string member(2000 + random() % 3000, '\0');
        for (auto& byte : member) {
            byte = static_cast<char>(i % 2 == 0 ? random() : 'a' + random() % 6);
        }
        members.push_back(member);
    }
    std::vector<std::string> edited = members;
    edited[3][100] ^= 1;
    edited[8].replace(500, 300, std::string(300, 'x'));
    edited.erase(edited.begin() + 12);
    edited.insert(edited.begin() + 20, std::string(1500, 'n'));
    std::swap(edited[5], edited[30]);
    const auto join = [](const std::vector<std::string>& parts) {
        std::string all;
        for (const auto& part : parts) {
            all += part;
        }
        return all;
    };
    return {join(members), join(edited)};
}

std::pair<std::string, std::string> EditedText(std::mt19937& random) {
    std::string text, edited;
    for (int i = 0; i < 3000; ++i) {
        const std::string line = "line " + std::to_string(random() % 1000) + " of the story\r\n";
        text += line;
        edited += i % 97 == 5 ? "an inserted line\r\n" + line : i % 89 == 7 ? "" : line;
    }
    edited[9000] = '!';
    return {text, edited};
}

// Pieces of the old version in another order, a block and a seek for each
// 40 bytes: more numbers than a chunk's control section holds.
std::pair<std::string, std::string> ShuffledPieces(std::mt19937& random) {
    std::string old = Noise(random, 1u << 20), next;
    while (next.size() < (7u << 20)) {
        next += old.substr(random() % (old.size() - 40), 40);
    }
    return {old, next};
}

// The package's delta payload 0: its record, its instructions (size bytes
// of file) in the stream and its stored new data.
void CarryDelta(const std::string& record, const std::filesystem::path& file, std::uint64_t size,
                const std::string& stored) {
    std::vector<tools::StreamPayload> parts = {{file, size, false, 0, true}};
    std::string stream;
    tools::WriteSolidStream(parts, [&](std::string_view bytes) { stream += bytes; });
    substitute::PackageResources()[{"DELTA", "RESOURCE_FILE0"}] = record;
    substitute::PackageResources()[{"LZMA", "RESOURCE_SOLID"}] = stream;
    substitute::PackageResources()[{"STORED", "RESOURCE_SOLID"}] = stored;
}

// A delta made by patchpack's encoder for each pair, carried in a stream
// the way patchpack writes it and applied by the installer to the old
// version, gives the new one; the game's file of no known version is left
// alone.
TEST_F(PackageStreamTest, RebuildsTheNewVersionFromDeltasOfEveryKindOfChange) {
    std::mt19937 random(11);
    const std::string noise = Noise(random, 5000);
    const std::uint64_t limit = kDeltaSectionLimit;
    struct Case {
        const char* what;
        std::pair<std::string, std::string> versions;
        std::uint64_t mostAdded; // bytes of the new version carried as they stand
        bool smaller;            // the delta is worth carrying instead of the file
    } cases[] = {
        {"program rebuilt", RebuiltProgram(random), 16, true},
        {"archive edited", EditedArchive(random), 1600, true},
        {"text edited", EditedText(random), 1000, true},
        {"identical", {noise, noise}, 0, true},
        {"empty old version", {"", noise}, 5000, false},
        {"empty new version", {noise, ""}, 0, false},
        {"new data at a chunk's limit", {noise, noise + Noise(random, limit)}, limit, true},
        {"new text past it", {"", std::string(limit * 2 + 1, 't')}, limit * 2 + 1, false},
        {"numbers past a chunk's limit", ShuffledPieces(random), 0, true},
    };
    int withStoredData = 0;
    for (const auto& c : cases) {
        const auto& [old, next] = c.versions;
        test::TempDir disk;
        std::uint64_t scratchSize = 0;
        pe::TemporaryOutput scratch(disk.Path() / "scratch");
        tools::EncodedDelta delta =
            tools::EncodeDeltas(scratch, scratchSize, disk.Write("new", next), next.size(),
                                {{0, disk.Write("old/new", old), old.size()}});
        ASSERT_EQ(delta.sources.size(), 1u);
        EXPECT_LE(delta.sources[0].stats.added, c.mostAdded) << c.what;
        EXPECT_EQ(delta.smaller, c.smaller) << c.what;
        scratch.Flush();
        CarryDelta(tools::DeltaRecordBytes(delta), scratch.TemporaryPath(), scratchSize,
                   delta.sources[0].stored);

        const auto target = disk.Write("game/a.dat", old);
        const auto folder = platform::OpenGameFolder((disk.Path() / "game").u16string());
        const EntryPath entry = {u"a.dat"};
        TPayloads payloads(*folder);
        struct Quiet final : PieceObserver {
            void PieceRead(std::size_t) override {}
        } observer;
        if (old == next) { // one block that copies it all, which the installer skips
            EXPECT_EQ(delta.sources[0].stats.blocks, 1u);
            EXPECT_EQ(payloads.Check(0, entry, observer), PayloadAction::UpToDate);
        } else {
            EXPECT_EQ(WritePayload(target), "written") << c.what;
            EXPECT_TRUE(disk.Read("game/a.dat") == next) << c.what;
        }
        disk.Write("game/a.dat", old + "?");
        EXPECT_EQ(payloads.Check(0, entry, observer), PayloadAction::WrongVersion) << c.what;
        if (!delta.sources[0].stored.empty()) { // stored data cut short: refused before writing
            ++withStoredData;
            substitute::PackageResources()[{"STORED", "RESOURCE_SOLID"}].pop_back();
            disk.Write("game/a.dat", old);
            EXPECT_THROW(payloads.Check(0, entry, observer), EReadError) << c.what;
        }
    }
    EXPECT_GT(withStoredData, 0);
}

// Chunks built by hand as a spoiled package might hold them: each fails
// for its reason and leaves the old file; sections at their limits are
// taken. A chunk: its control section's size, its new data's size doubled
// (plus one when stored), the blocks (same, copy, add, seek), the new data
// and the differences.
TEST_F(PackageStreamTest, AppliesHandBuiltDeltaChunksOnlyWhenTheyAreWhole) {
    using namespace std::string_literals;
    const std::size_t limit = kDeltaSectionLimit;
    const std::string old = "abcdefghij", mib(limit, 'n');
    struct Case {
        const char* what;
        std::string code;       // the instructions
        std::string tail;       // the stream's bytes after them
        std::string stored;     // the stored resource
        std::string next;       // the new version the record vouches for
        std::size_t recordByte; // byte of the record raised by one; 0 for none
        const char* outcome;
    } cases[] = {
        {"same, copy, add", "\4\2\2\3\1\0X\1\1\1"s, "", "", "abdefX", 0, "written"},
        {"new data stored", "\4\7\0\0\3\0"s, "", "XYZ", "XYZ", 0, "written"},
        {"control past what is left", "\x08\0\5\0\0\0"s, "\0\0\0\0"s, "", "abcde", 0, "read"},
        {"new data past what is left", "\4\x08\2\0\4\0XY"s, "ZW", "", "abXYZW", 0, "read"},
        {"differences past what is left", "\4\0\0\5\0\0\1\1"s, "\1\1\1", "", "bcdef", 0, "read"},
        {"a chunk past the instructions", "\4\0\2\0\0\0"s, "\4\0\2\0\0\0"s, "", "abcd", 0, "read"},
        {"stored data past what is left", "\4\7\0\0\3\0"s, "", "XY", "XY", 0, "read"},
        {"instructions past the stream", "\4\0\2\0\0\0"s, "", "", "ab", 112, "refused"},
        {"stored data outside its resource", "\4\3\0\0\1\0"s, "", "X", "X", 120, "refused"},
        {"control at its limit", "\x80\x80\x40\0\2"s + std::string(limit - 1, '\0'), "", "", "ab",
         0, "written"},
        {"control past it", "\x84\x80\x40\0\2"s + std::string(limit + 3, '\0'), "", "", "ab", 0,
         "read"},
        {"new data at its limit", "\6\x80\x80\x80\x01\0\0\x80\x80\x40\0"s + mib, "", "", mib, 0,
         "written"},
        {"new data past it", "\6\x82\x80\x80\x01\0\0\x81\x80\x40\0"s + mib + "n", "", "", mib + "n",
         0, "read"},
    };
    const auto digest = [](const std::string& bytes) {
        Sha256 sha;
        sha.Update(bytes.data(), bytes.size());
        return sha.Final();
    };
    for (const auto& c : cases) {
        // The new version, and the old one with its instructions and stored data.
        const tools::EncodedDelta delta = {
            c.next.size(),
            digest(c.next),
            {{0, old.size(), digest(old), 0, {c.code.size()}, c.stored}}};
        std::string record = tools::DeltaRecordBytes(delta);
        if (c.recordByte > 0) {
            ++record[c.recordByte];
        }
        test::TempDir disk;
        CarryDelta(record, disk.Write("code", c.code + c.tail), c.code.size() + c.tail.size(),
                   c.stored);
        const auto target = disk.Write("a.dat", old);
        const std::string outcome = WritePayload(target);
        EXPECT_EQ(outcome, c.outcome) << c.what;
        EXPECT_TRUE(disk.Read("a.dat") == (outcome == "written" ? c.next : old)) << c.what;
    }
}

// The CRC-32 is zlib's and the CRC-32C the Castagnoli one, in any pieces;
// the CRC-32C's two engines agree at every alignment and odd length.
TEST_F(PackageStreamTest, TheChecksumsGiveTheKnownValuesInAnyPieces) {
    using Sum = std::function<std::uint32_t(const char*, std::size_t, std::size_t)>;
    const auto inPieces = [](auto make) -> Sum {
        return [make](const char* data, std::size_t size, std::size_t piece) {
            auto crc = make();
            for (std::size_t at = 0; at < size; at += piece) {
                crc.Update(data + at, std::min(piece, size - at));
            }
            return crc.Value();
        };
    };
    const Sum crc32 = inPieces([] { return Crc32(); }), fastest = inPieces([] { return Crc32c(); }),
              portable = inPieces([] { return Crc32c(Crc32c::Engine::Portable); });
    const struct {
        const Sum& sum;
        std::string input;
        std::uint32_t value;
    } cases[] = {
        {crc32, "123456789", 0xCBF43926u},
        {portable, "123456789", 0xE3069283u},
        {fastest, "123456789", 0xE3069283u},
        {portable, std::string(32, '\xff'), 0x62A8AB43u},
        {fastest, std::string(32, '\0'), 0x8A9136AAu},
    };
    for (const auto& c : cases) {
        for (const std::size_t piece : {1, 3, 8, 100}) {
            EXPECT_EQ(c.sum(c.input.data(), c.input.size(), piece), c.value) << c.input.size();
        }
    }
    std::mt19937 random(7);
    const std::string noise = Noise(random, 5000);
    for (std::size_t offset = 0; offset < 8; ++offset) {
        for (const std::size_t size : {0, 1, 7, 9, 31, 4093}) {
            EXPECT_EQ(fastest(noise.data() + offset, size, 4096),
                      portable(noise.data() + offset, size, 13))
                << offset << " " << size;
        }
    }
}

// A table written by the tools and read back by the installer: an intact
// package passes; each spoiled resource, and only it, is found damaged; a
// spoiled table fails every check; without a table nothing is checked.
TEST_F(PackageStreamTest, TheChecksumTableFindsEachSpoiledResource) {
    test::TempDir disk;
    std::mt19937 random(13);
    std::map<std::pair<std::string, std::string>, std::string> intact = {
        {{"LZMA", "RESOURCE_SOLID"}, Noise(random, (5u << 19) + 3)},
        {{"PACKED", "RESOURCE_FILE0"}, Noise(random, 32)},
        {{"BIN", "RESOURCE_FILE1"}, Noise(random, 3000)},
        {{"TEXT", "RESOURCE_SCRIPT"}, "script"}};
    pe::ResourceTree tree;
    for (const auto& [key, bytes] : intact) {
        tree[{pe::ResourceId::Name(key.first), pe::ResourceId::Name(key.second), 0x411}] = {
            key.first == "PACKED" ? pe::ResourceData::Bytes(bytes)
                                  : pe::ResourceData::File(disk.Write(key.first, bytes)),
            0};
    }
    intact[{"SUMS", "RESOURCE_PACKAGE"}] = pe::ChecksumTable(tree);
    auto& resources = substitute::PackageResources();
    const auto flip = [&](const char* type, const char* name, std::size_t fromEnd) {
        std::string& bytes = resources[{type, name}];
        bytes[bytes.size() - fromEnd] ^= 0x20;
    };
    struct Case {
        const char* what;
        std::function<void()> spoil;
        const char* outcomes; // of LZMA, PACKED, BIN and TEXT: + passes, - damaged
    } cases[] = {
        {"intact", [] {}, "+++-"},
        {"stream near its end", [&] { flip("LZMA", "RESOURCE_SOLID", 2); }, "-++-"},
        {"record", [&] { flip("PACKED", "RESOURCE_FILE0", 32); }, "+-+-"},
        {"raw payload", [&] { flip("BIN", "RESOURCE_FILE1", 1500); }, "++--"},
        {"table", [&] { flip("SUMS", "RESOURCE_PACKAGE", 40); }, "----"},
        {"table cut short",
         [&] {
             resources[{"SUMS", "RESOURCE_PACKAGE"}].pop_back();
         },
         "----"},
        {"payload missing",
         [&] {
             resources.erase({"BIN", "RESOURCE_FILE1"});
         },
         "++--"},
        {"payload longer",
         [&] {
             resources[{"BIN", "RESOURCE_FILE1"}] += '\0';
         },
         "++--"},
        {"no table",
         [&] {
             resources.erase({"SUMS", "RESOURCE_PACKAGE"});
         },
         "++++"},
    };
    const std::vector<PackageResource> checked = {{"LZMA", "RESOURCE_SOLID"},
                                                  {"PACKED", "RESOURCE_FILE0"},
                                                  {"BIN", "RESOURCE_FILE1"},
                                                  {"TEXT", "RESOURCE_SCRIPT"}};
    for (const auto& c : cases) {
        resources = intact;
        c.spoil();
        const PackageSums sums;
        struct Counted final : PieceObserver {
            std::uint64_t bytes = 0;
            void PieceRead(std::size_t piece) override { bytes += piece; }
        } counted;
        std::string outcomes;
        for (const auto& resource : checked) {
            outcomes += sums.Check(resource, counted) ? '+' : '-';
        }
        EXPECT_EQ(outcomes, c.outcomes) << c.what;
        EXPECT_EQ(sums.Damaged(), std::string(c.what).rfind("table", 0) == 0) << c.what;
        if (c.outcomes == std::string("+++-")) {
            EXPECT_EQ(sums.BytesToCheck(checked), (5u << 19) + 3 + 32 + 3000);
            EXPECT_EQ(counted.bytes, sums.BytesToCheck(checked));
        }
    }
}

} // namespace
} // namespace brisel
