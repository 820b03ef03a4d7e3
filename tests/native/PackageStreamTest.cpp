#include "BitmapFile.h"
#include "TestSupport.h"
#include "package/TBitmap.h"
#include "package/TResourceStream.h"
#include "support/Exceptions.h"
#include "support/TStringList.h"

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
    };
    for (const auto& c : cases) {
        EXPECT_EQ(LoadBitmapError(c.bytes), c.message) << c.bytes.size();
    }
    EXPECT_EQ(LoadBitmapError(good), "(no error)");
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

} // namespace
} // namespace brisel
