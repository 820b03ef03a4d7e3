// The text and double-byte helpers against reference models: byte
// classification (Shift-JIS, empty and arbitrary lead-byte sets), trimming,
// replacement that skips second bytes, 1-based byte access and the text of
// the standard error report.
#include "FuzzSupport.h"
#include "core/AnsiString.h"
#include "core/Exceptions.h"
#include "core/Mbcs.h"
#include "core/TextUtils.h"
#include "window/ErrorReport.h"

#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

using namespace brisel;
using fuzz::ForwardByteKinds;

LeadByteSet ChooseSet(FuzzedDataProvider& input, std::vector<LeadByteSet::Range>& ranges) {
    switch (input.ConsumeIntegralInRange(0, 2)) {
    case 0:
        ranges = {{0x81, 0x9F}, {0xE0, 0xFC}};
        return LeadByteSet::ShiftJis();
    case 1:
        ranges.clear();
        return LeadByteSet();
    default:
        // As a code page's ranges: up to six, never taking in 0x00.
        for (int i = input.ConsumeIntegralInRange(0, 6); i > 0; --i) {
            const auto low = input.ConsumeIntegralInRange<unsigned char>(1, 255);
            ranges.emplace_back(low, input.ConsumeIntegral<unsigned char>());
        }
        return LeadByteSet::FromRanges(ranges);
    }
}

bool InRanges(const std::vector<LeadByteSet::Range>& ranges, unsigned byte) {
    for (const auto& [low, high] : ranges) {
        if (low <= byte && byte <= high) {
            return true;
        }
    }
    return false;
}

std::string ModelErrorReportText(const std::string& message, const LeadByteSet& set) {
    if (message.empty()) {
        return message;
    }
    const std::vector<ByteKind> kinds = ForwardByteKinds(message, set);
    std::size_t last = message.size() - 1;
    if (kinds[last] == ByteKind::Trail) {
        --last;
    }
    return static_cast<unsigned char>(message[last]) > '.' ? message + "." : message;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    FuzzedDataProvider input(data, size);
    std::vector<LeadByteSet::Range> ranges;
    const LeadByteSet set = ChooseSet(input, ranges);
    InstallLeadByteSet(set);
    for (unsigned byte = 0; byte < 256; ++byte) {
        FUZZ_CHECK(set.Contains(static_cast<unsigned char>(byte)) == InRanges(ranges, byte));
    }
    const std::string from = input.ConsumeRandomLengthString(12);
    const std::string to = input.ConsumeRandomLengthString(12);
    const std::string text = input.ConsumeRemainingBytesAsString();

    const std::vector<ByteKind> kinds = ForwardByteKinds(text, set);
    for (std::size_t i = 0; i < text.size(); ++i) {
        FUZZ_CHECK(ByteKindAt(text, i) == kinds[i]);
        FUZZ_CHECK(IsSingleByteChar(text, i, '\\') ==
                   (text[i] == '\\' && kinds[i] == ByteKind::Single));
    }

    FUZZ_CHECK(Trim(text) == fuzz::ModelTrim(text));
    FUZZ_CHECK(ReplaceAllMbcs(text, from, to) == fuzz::ModelReplace(text, from, to, set));
    FUZZ_CHECK(ErrorReportText(text) == ModelErrorReportText(text, set));

    // 1-based byte access: every position inside the text, none outside.
    if (!text.empty()) {
        FUZZ_CHECK(ByteAt(text, 1) == static_cast<unsigned char>(text[0]));
        FUZZ_CHECK(ByteAt(text, text.size()) == static_cast<unsigned char>(text.back()));
    }
    for (const std::size_t outside : {std::size_t{0}, text.size() + 1}) {
        try {
            ByteAt(text, outside);
            FUZZ_CHECK(false);
        } catch (const ERangeError&) {
        }
    }
    return 0;
}
