#include "PreviousCheck.h"

#include "common/PackagePlan.h"

namespace brisel::tools {

namespace {

// How many expected names a finding lists before it stops.
constexpr std::size_t kNamesShown = 3;

// A payload that a previous version may be found for.
struct Candidate {
    std::vector<std::string> names; // below files/
    Item payload;
};

std::string Joined(const std::vector<std::string>& names) {
    std::string joined;
    for (const auto& name : names) {
        joined += (joined.empty() ? "" : "/") + name;
    }
    return joined;
}

std::vector<Candidate> Candidates(const PackageFolder& package, const ScriptFacts& facts) {
    std::vector<Candidate> candidates;
    for (const auto& entry : facts.outFiles.value_or(std::vector<std::string>())) {
        if (entry.empty()) {
            continue;
        }
        const PayloadLookup lookup = LookUpPayload(package, entry);
        if (lookup.item && lookup.item->kind == ItemKind::File) {
            candidates.push_back({lookup.name.names, *lookup.item});
        }
    }
    return candidates;
}

std::string FirstNames(const std::vector<Candidate>& candidates) {
    std::string shown;
    for (std::size_t i = 0; i < candidates.size() && i < kNamesShown; ++i) {
        shown += (i == 0 ? "" : ", ") + Joined(candidates[i].names);
    }
    return shown + (candidates.size() > kNamesShown ? u8", …" : "");
}

void CheckFolder(const PackageFolder& package, const std::vector<Candidate>& candidates,
                 const PreviousFolder& previous, std::vector<Finding>& findings) {
    const std::string place = previous.shown + "/";
    if (previous.packageLayout) {
        findings.push_back({MessageId::PreviousPackageLayout, place, 0, {}});
    }
    const PackageFolder folder(package.Host(), previous.folder);
    std::size_t found = 0;
    std::vector<std::string> equal;
    for (const auto& candidate : candidates) {
        const Item old = folder.Locate(Area::Package, candidate.names);
        if (old.kind != ItemKind::File) {
            continue;
        }
        ++found;
        if (old.size == candidate.payload.size &&
            folder.Read(old) == package.Read(candidate.payload)) {
            equal.push_back(place + Joined(candidate.names));
        }
    }
    if (found == 0) {
        findings.push_back({MessageId::PreviousNothingFound, place, 0, {FirstNames(candidates)}});
    } else if (equal.size() == found) {
        findings.push_back({MessageId::PreviousIsNewVersion, place, 0, {std::to_string(found)}});
    } else {
        for (const auto& file : equal) {
            findings.push_back({MessageId::PreviousFileUnchanged, file, 0, {}});
        }
    }
}

} // namespace

void CheckPreviousVersions(const PackageFolder& package, const ScriptFacts& facts,
                           const std::vector<PreviousFolder>& previous,
                           std::vector<Finding>& findings) {
    const std::vector<Candidate> candidates = Candidates(package, facts);
    if (candidates.empty()) {
        return;
    }
    for (const auto& folder : previous) {
        CheckFolder(package, candidates, folder, findings);
    }
}

} // namespace brisel::tools
