#include "BuildSummary.h"

#include "check/Messages.h"
#include "compress/PayloadCompression.h"
#include "delta/DeltaPayloads.h"

namespace brisel::tools {

namespace {

constexpr std::size_t kLabelColumns = 20;
constexpr std::size_t kSizeColumns = 10;

// Columns a terminal gives the UTF-8 text: two for every character beyond
// ASCII, which here are all Japanese.
std::size_t Columns(const std::string& utf8) {
    std::size_t columns = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte < 0x80) {
            ++columns;
        } else if ((byte & 0xC0) != 0x80) {
            columns += 2;
        }
    }
    return columns;
}

std::string PadRight(const std::string& text, std::size_t columns) {
    const std::size_t used = Columns(text);
    return text + std::string(used < columns ? columns - used : 1, ' ');
}

std::string PadLeft(const std::string& text, std::size_t columns) {
    return std::string(text.size() < columns ? columns - text.size() : 0, ' ') + text;
}

class Table {
public:
    explicit Table(Language language) : japanese_(language == Language::Japanese) {}

    void Row(const std::string& label, std::uint64_t bytes, const std::string& what) {
        Row(label, std::to_string(bytes), what);
    }
    void Row(const std::string& label, const std::string& bytes, const std::string& what) {
        text_ += PadRight(label, kLabelColumns) + PadLeft(bytes, kSizeColumns) +
                 (japanese_ ? u8" バイト  " : " bytes  ") + what + "\n";
    }
    const char* Pick(const char* english, const char* japanese) const {
        return japanese_ ? japanese : english;
    }
    const std::string& Text() const { return text_; }

private:
    bool japanese_;
    std::string text_;
};

// stored as a share of original, in whole percent.
std::string Percent(std::uint64_t stored, std::uint64_t original) {
    return std::to_string(original == 0 ? 100 : (stored * 100 + original / 2) / original) + "%";
}

} // namespace

std::string SummaryText(const PackagePlan& plan, const std::optional<InstallerFile>& installer,
                        Language language, const PayloadStorage& storage,
                        const std::vector<std::string>& previous) {
    Table table(language);
    std::uint64_t total = 0;  // bytes of the resources as carried
    std::uint64_t before = 0; // bytes of what they carry, uncompressed
    int resources = 0;
    if (!plan.script.empty()) {
        table.Row("RESOURCE_SCRIPT", plan.scriptSize, "script.txt");
        total += plan.scriptSize;
        before += plan.scriptSize;
        ++resources;
    }
    if (!plan.background.empty() && storage.background > 0) {
        table.Row("RESOURCE_BACKGROUND", storage.background,
                  plan.backgroundName +
                      Fill(table.Pick(u8" (of {1} bytes: {2})", u8"（元 {1} バイト、{2}）"),
                           {std::to_string(plan.backgroundSize),
                            Percent(storage.background, plan.backgroundSize)}));
        total += storage.background + kPackedRecordSize;
        before += plan.backgroundSize;
        resources += 2;
    } else if (!plan.background.empty()) {
        table.Row("RESOURCE_BACKGROUND", plan.backgroundSize,
                  plan.backgroundName +
                      (storage.compressed ? table.Pick(" (raw)", u8"（無圧縮）") : ""));
        total += plan.backgroundSize;
        before += plan.backgroundSize;
        ++resources;
    }
    for (const auto& payload : plan.payloads) {
        std::string what = Shown(payload.entry);
        if (!payload.linkedTo.empty()) {
            what +=
                Fill(table.Pick(u8" (a link to {1})", u8"（{1} へのリンク）"), {payload.linkedTo});
        }
        const std::string label = "RESOURCE_FILE" + std::to_string(payload.number);
        ++resources;
        before += payload.size;
        const auto packed = storage.packed.find(payload.number);
        const auto deltas = storage.deltas.find(payload.number);
        if (deltas != storage.deltas.end()) {
            // Deltas, and the whole file when it goes along.
            std::uint64_t shares = 0;
            std::string parts;
            for (const auto& delta : deltas->second) {
                const std::uint64_t share = delta.encodedShare + delta.stored;
                shares += share;
                total += kDeltaSourceRecordSize;
                parts += Fill(table.Pick(u8", delta from {1}: {2}", u8"、{1} からの差分 {2}"),
                              {previous.at(delta.folder), std::to_string(share)});
            }
            total += kDeltaRecordHeaderSize;
            if (packed != storage.packed.end()) {
                shares += packed->second;
                total += kPackedRecordSize;
                ++resources;
                parts += Fill(table.Pick(u8", whole: {1}", u8"、丸ごと {1}"),
                              {std::to_string(packed->second)});
            } else if (storage.alsoRaw.count(payload.number) > 0) {
                shares += payload.size;
                total += payload.size;
                ++resources;
                parts += table.Pick(u8", whole: raw", u8"、丸ごと（無圧縮）");
            }
            table.Row(label, shares,
                      what + Fill(table.Pick(u8" (of {1} bytes{2})", u8"（元 {1} バイト{2}）"),
                                  {std::to_string(payload.size), parts}));
            continue;
        }
        if (packed != storage.packed.end()) {
            table.Row(
                label, packed->second,
                what + Fill(table.Pick(u8" (of {1} bytes: {2})", u8"（元 {1} バイト、{2}）"),
                            {std::to_string(payload.size), Percent(packed->second, payload.size)}));
            total += kPackedRecordSize;
            continue;
        }
        if (storage.compressed) {
            what += table.Pick(" (raw)", u8"（無圧縮）");
        }
        table.Row(label, payload.size, what);
        total += payload.size;
    }
    if (storage.streamSize > 0) {
        table.Row("RESOURCE_SOLID", storage.streamSize,
                  Fill(table.Pick(u8"LZMA stream of {1} payloads, {2} bytes decoded",
                                  u8"LZMA ストリーム（ファイル {1} 個、展開後 {2} バイト）"),
                       {std::to_string(storage.streamPayloads),
                        std::to_string(storage.streamDecodedSize)}));
        total += storage.streamSize;
        ++resources;
    }
    if (storage.storedSize > 0) {
        table.Row("RESOURCE_SOLID", storage.storedSize,
                  table.Pick(u8"new data of the deltas that does not compress, stored raw",
                             u8"差分のうち圧縮できない新データ（無圧縮）"));
        total += storage.storedSize;
        ++resources;
    }
    if (storage.sumsSize > 0) {
        table.Row("RESOURCE_PACKAGE", storage.sumsSize,
                  table.Pick(u8"checksums of the data the installer reads",
                             u8"インストーラーが読むデータのチェックサム"));
        total += storage.sumsSize;
        ++resources;
    }
    // Each previous version's share: the deltas made from it.
    for (std::size_t version = 0; version < previous.size(); ++version) {
        std::uint64_t share = 0;
        int payloads = 0;
        for (const auto& [number, deltas] : storage.deltas) {
            for (const auto& delta : deltas) {
                if (delta.folder == version) {
                    share += delta.encodedShare + delta.stored;
                    ++payloads;
                }
            }
        }
        table.Row(previous[version], share,
                  Fill(table.Pick(u8"deltas from this previous version, for {1} payloads",
                                  u8"この修正前のバージョンからの差分（ファイル {1} 個）"),
                       {std::to_string(payloads)}));
    }
    std::string tally =
        Fill(table.Pick(u8"{1} resources", u8"リソース {1} 個"), {std::to_string(resources)});
    if (storage.compressed) {
        tally += Fill(
            table.Pick(u8", {1} bytes before compression ({2})", u8"（圧縮前 {1} バイト、{2}）"),
            {std::to_string(before), Percent(total, before)});
    }
    table.Row(table.Pick("total", u8"合計"), total, tally);
    if (installer) {
        table.Row(table.Pick("installer", u8"インストーラー"), installer->size,
                  installer->path.u8string());
    }
    return table.Text();
}

} // namespace brisel::tools
