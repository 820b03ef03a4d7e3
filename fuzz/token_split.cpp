// The token splitter and the path helpers against reference models written
// from their rules: quotes, delimiters, and double-byte characters whose
// bytes are never delimiters, with the Shift-JIS lead-byte set and with an
// empty one.
#include "FuzzSupport.h"
#include "core/TextUtils.h"
#include "support/TStringList.h"
#include "support/TokenSplit.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace brisel;
using fuzz::ForwardByteKinds;

int ModelSplit(const std::string& text, const std::string& delimiters, const LeadByteSet& set,
               std::vector<std::string>& pieces) {
    const std::vector<ByteKind> kinds = ForwardByteKinds(text, set);
    std::string piece;
    bool quoted = false;
    int count = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char byte = text[i];
        const bool quote = byte == '"';
        if (quoted ? quote
                   : (!quote && kinds[i] == ByteKind::Single &&
                      delimiters.find(byte) != std::string::npos)) {
            pieces.push_back(piece);
            piece.clear();
            ++count;
        } else if (!quote) {
            piece += byte;
        }
        if (quote) {
            quoted = !quoted;
        }
    }
    pieces.push_back(piece);
    return count + 1;
}

std::string ModelDirectoryOfPath(const std::string& path, const LeadByteSet& set) {
    const std::vector<ByteKind> kinds = ForwardByteKinds(path, set);
    for (std::size_t i = path.size(); i > 0; --i) {
        if ((path[i - 1] == '\\' || path[i - 1] == ':') && kinds[i - 1] == ByteKind::Single) {
            return path.substr(0, i);
        }
    }
    return std::string();
}

std::string ModelWithTrailingBackslash(const std::string& path, const LeadByteSet& set) {
    const bool ends = !path.empty() && path.back() == '\\' &&
                      ForwardByteKinds(path, set).back() == ByteKind::Single;
    return ends ? path : path + "\\";
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    const LeadByteSet set = input.ConsumeBool() ? LeadByteSet::ShiftJis() : LeadByteSet();
    InstallLeadByteSet(set);
    const std::string delimiters = input.ConsumeRandomLengthString(4);
    const std::string text = input.ConsumeRemainingBytesAsString();

    std::vector<std::string> expected = {"earlier", ""};
    const int expectedCount = ModelSplit(text, delimiters, set, expected);

    // SplitTokens appends after what the list holds.
    TStringList pieces;
    pieces.Add("earlier");
    pieces.Add("");
    FUZZ_CHECK(SplitTokens(text, delimiters, pieces) == expectedCount);
    FUZZ_CHECK(pieces.Items() == expected);

    // Tokenize empties the list first and keeps only the non-empty pieces,
    // but counts them all.
    std::vector<std::string> nonEmpty;
    for (std::size_t i = 2; i < expected.size(); ++i) {
        if (!expected[i].empty()) {
            nonEmpty.push_back(expected[i]);
        }
    }
    FUZZ_CHECK(Tokenize(text, delimiters, pieces) == expectedCount);
    FUZZ_CHECK(pieces.Items() == nonEmpty);

    const std::string directory = DirectoryOfPath(text);
    const std::string withBackslash = WithTrailingBackslash(text);
    FUZZ_CHECK(directory == ModelDirectoryOfPath(text, set));
    FUZZ_CHECK(withBackslash == ModelWithTrailingBackslash(text, set));
    FUZZ_CHECK(DirectoryOfPath(directory) == directory);
    // A text that ends in the first byte of a character takes the "\" added
    // to it as the second byte; any other text ends in a separator after it.
    if (text.empty() || ForwardByteKinds(text, set).back() != ByteKind::Lead) {
        FUZZ_CHECK(WithTrailingBackslash(withBackslash) == withBackslash);
        FUZZ_CHECK(DirectoryOfPath(withBackslash) == withBackslash);
    }
    return 0;
}
