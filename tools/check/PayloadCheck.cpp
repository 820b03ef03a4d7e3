#include "PayloadCheck.h"

#include "Messages.h"
#include "NameHints.h"
#include "common/PackagePlan.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>

namespace brisel::tools {

namespace {

std::string Joined(const std::vector<std::string>& names, const char* separator) {
    std::string joined;
    for (const auto& name : names) {
        joined += (joined.empty() ? "" : separator) + name;
    }
    return joined;
}

std::string PayloadPlace(const std::vector<std::string>& names) {
    return "files/" + Joined(names, "/");
}

const std::pair<EntryProblem, MessageId> kEntryMessages[] = {
    {EntryProblem::Absolute, MessageId::EntryAbsolute},
    {EntryProblem::ParentStep, MessageId::EntryParentStep},
    {EntryProblem::Colon, MessageId::EntryColon},
    {EntryProblem::TrailingDotOrSpace, MessageId::EntryTrailingDotOrSpace},
    {EntryProblem::ForbiddenCharacter, MessageId::EntryForbiddenCharacter},
    {EntryProblem::DeviceName, MessageId::EntryDeviceName},
    {EntryProblem::NamesFolder, MessageId::EntryNamesFolder},
    {EntryProblem::TooLong, MessageId::EntryTooLong},
};

// The payload's place with each name matched regardless of letter case,
// when that finds a file the exact names do not.
std::optional<std::string> CaseVariant(const PackageFolder& folder,
                                       const std::vector<std::string>& names) {
    std::vector<std::string> found;
    for (const auto& name : names) {
        const Item parent = folder.Locate(Area::Payloads, found);
        if (parent.kind != ItemKind::Folder) {
            return std::nullopt;
        }
        const std::vector<std::string> listed = folder.List(parent);
        const auto same = std::find(listed.begin(), listed.end(), name);
        const auto folded = std::find_if(listed.begin(), listed.end(), [&](const std::string& n) {
            return FoldFileNameCase(n) == FoldFileNameCase(name);
        });
        if (same == listed.end() && folded == listed.end()) {
            return std::nullopt;
        }
        found.push_back(same != listed.end() ? *same : *folded);
    }
    if (found == names || folder.Locate(Area::Payloads, found).kind != ItemKind::File) {
        return std::nullopt;
    }
    return PayloadPlace(found);
}

// How many payload names a finding about files/ lists before it stops.
constexpr std::size_t kNamesShown = 3;

std::string FirstNames(const std::vector<std::string>& places) {
    std::string shown;
    for (std::size_t i = 0; i < places.size() && i < kNamesShown; ++i) {
        shown += (i == 0 ? "" : ", ") + places[i];
    }
    return shown + (places.size() > kNamesShown ? u8", …" : "");
}

class PayloadChecker {
public:
    PayloadChecker(const PackageFolder& folder, std::vector<Finding>& findings)
        : folder_(folder), findings_(findings),
          noPayloadFolder_(folder.Locate(Area::Package, {"files"}).kind == ItemKind::Missing) {}

    // Without a files/ folder, one finding says what to do instead of one
    // for each missing payload: rename a folder of a near name, or move the
    // payloads found beside the script, or make the folder.
    void CheckPayloadFolder() {
        if (!noPayloadFolder_ || expected_.empty()) {
            return;
        }
        const Finding missing =
            MissingFromPackage(folder_, {"files"}, MessageId::PayloadFolderMissing, "files/");
        if (missing.id != MessageId::PayloadFolderMissing) {
            findings_.push_back(missing);
        } else if (!atTopLevel_.empty()) {
            findings_.push_back(
                {MessageId::PayloadsAtTopLevel, "files/", 0, {FirstNames(atTopLevel_)}});
        } else {
            findings_.push_back(
                {MessageId::PayloadFolderMissing, "files/", 0, {FirstNames(expected_)}});
        }
    }

    void CheckEntry(const std::string& entry, int line) {
        const PayloadLookup lookup = LookUpPayload(folder_, entry);
        const EntryName& name = lookup.name;
        for (const auto& [problem, id] : kEntryMessages) {
            if (name.Has(problem)) {
                findings_.push_back({id, "script.txt", line, {Shown(entry), name.device}});
            }
        }
        CheckDuplicate(entry, name, line);
        if (lookup.item) {
            CheckSubFolder(entry, name, line);
            CheckPayload(name, *lookup.item, line);
        }
    }

    void CheckUnused() {
        for (const auto& names : folder_.PayloadTree()) {
            const std::string place = PayloadPlace(names);
            if (used_.count(Key(place)) == 0) {
                findings_.push_back({MessageId::UnusedFile, place, 0, {}});
            }
        }
    }

private:
    // Places compare as the machine compares file names.
    std::string Key(const std::string& place) const {
        return folder_.Host().CaseSensitive() ? place : FoldFileNameCase(place);
    }

    void CheckDuplicate(const std::string& entry, const EntryName& name, int line) {
        const auto [earlier, added] = entries_.emplace(name.ComparisonKey(), line);
        if (!added) {
            findings_.push_back({MessageId::DuplicateEntry,
                                 "script.txt",
                                 line,
                                 {Shown(entry), std::to_string(earlier->second)}});
        }
    }

    void CheckSubFolder(const std::string& entry, const EntryName& name, int line) {
        const std::string subFolder = name.Folder();
        if (!subFolder.empty() && subFolders_.insert(FoldFileNameCase(subFolder)).second) {
            findings_.push_back(
                {MessageId::SubFolder, "script.txt", line, {Shown(entry), ShownUtf8(subFolder)}});
        }
    }

    void CheckPayload(const EntryName& name, const Item& item, int line) {
        const std::string place = PayloadPlace(name.names);
        const std::string at = std::to_string(line);
        used_.insert(Key(place));
        switch (item.kind) {
        case ItemKind::File:
            used_.insert(Key(folder_.ShownInPayloads(item.physical)));
            return;
        case ItemKind::Missing:
            if (noPayloadFolder_) {
                const std::string shown = Joined(name.names, "/");
                expected_.push_back(shown);
                if (folder_.Locate(Area::Package, name.names).kind == ItemKind::File) {
                    atTopLevel_.push_back(shown);
                }
            } else if (const auto variant = CaseVariant(folder_, name.names)) {
                used_.insert(Key(*variant));
                findings_.push_back({MessageId::PayloadMissingCase, place, 0, {at, *variant}});
            } else {
                findings_.push_back({MessageId::PayloadMissing, place, 0, {at}});
            }
            return;
        case ItemKind::Folder:
            findings_.push_back({MessageId::PayloadFolder, place, 0, {at}});
            return;
        case ItemKind::Other:
            findings_.push_back({MessageId::PayloadNotFile, place, 0, {at}});
            return;
        case ItemKind::Outside:
            findings_.push_back({MessageId::PayloadOutside, place, 0, {at}});
            return;
        case ItemKind::NameTooLong:
            if (!name.Has(EntryProblem::TooLong)) {
                findings_.push_back({MessageId::PayloadNameTooLong, place, 0, {at}});
            }
            return;
        }
    }

    const PackageFolder& folder_;
    std::vector<Finding>& findings_;
    std::map<std::string, int> entries_; // comparison key -> first line
    std::set<std::string> subFolders_;
    std::set<std::string> used_;
    bool noPayloadFolder_;
    std::vector<std::string> expected_;   // payloads looked for without a files/ folder
    std::vector<std::string> atTopLevel_; // those of them beside the script
};

} // namespace

void CheckPayloads(const PackageFolder& folder, const ScriptFacts& facts,
                   std::vector<Finding>& findings) {
    PayloadChecker checker(folder, findings);
    if (facts.outFiles) {
        for (std::size_t i = 0; i < facts.outFiles->size(); ++i) {
            const std::string& entry = (*facts.outFiles)[i];
            if (!entry.empty()) {
                checker.CheckEntry(entry, facts.outFilesLine + 1 + static_cast<int>(i));
            }
        }
    }
    checker.CheckPayloadFolder();
    checker.CheckUnused();
}

} // namespace brisel::tools
