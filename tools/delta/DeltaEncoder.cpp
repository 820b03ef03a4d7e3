#include "DeltaEncoder.h"

#include "core/DeltaFormat.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace brisel::tools {

namespace {

constexpr std::uint64_t kBase = 0x100000001B3u; // the rolling hash's multiplier
// Positions kept in one bucket of the index: the first ones of a window
// that repeats (runs of zeros, padding) are as good as all of them.
constexpr std::size_t kChain = 24;
// A candidate this long ends the search at a position: the scan goes on
// from its end, where the alignment it set is followed anyway.
constexpr std::size_t kLongEnough = std::size_t{1} << 16;
// A new alignment is taken when its exact match is this much longer than
// what the current alignment matches over the same bytes.
constexpr std::int64_t kBetterBy = 8;
constexpr std::size_t kPiece = std::size_t{1} << 20;
// Unchanged bytes a copy carries as they stand, without differences, once
// they run this long: shorter runs cost more as a block's numbers than as
// zeros among the differences.
constexpr std::uint64_t kSameRun = 128;
// New data of a block is weighed for storing from this size on; smaller
// pieces stay in the stream.
constexpr std::size_t kStoreFrom = 4096;

std::uint64_t BasePower() {
    std::uint64_t power = 1;
    for (std::size_t i = 1; i < kDeltaWindow; ++i) {
        power *= kBase;
    }
    return power;
}

const std::uint64_t kTopPower = BasePower();

std::uint64_t HashWindow(const unsigned char* data) {
    std::uint64_t hash = 0;
    for (std::size_t i = 0; i < kDeltaWindow; ++i) {
        hash = hash * kBase + data[i] + 1;
    }
    return hash;
}

std::uint64_t Roll(std::uint64_t hash, unsigned char out, unsigned char in) {
    return (hash - (out + 1u) * kTopPower) * kBase + in + 1u;
}

// The old version's windows at every stride-th position, grouped by the
// bucket of their hash in position order.
class Index {
public:
    Index(const unsigned char* data, std::size_t size) {
        const std::uint64_t count64 =
            size < kDeltaWindow ? 0 : (size - kDeltaWindow) / Stride(size) + 1;
        const auto count = static_cast<std::size_t>(count64);
        while ((std::size_t{1} << bits_) < count) {
            ++bits_;
        }
        std::vector<std::uint32_t> bucketOf(count);
        starts_.assign((std::size_t{1} << bits_) + 1, 0);
        if (count > 0) {
            const std::size_t stride = Stride(size);
            std::uint64_t hash = HashWindow(data);
            std::size_t next = 0; // index entry of the next position at a stride
            for (std::size_t p = 0;; ++p) {
                if (p == next * stride) {
                    bucketOf[next] = Bucket(hash);
                    ++starts_[bucketOf[next] + 1];
                    if (++next == count) {
                        break;
                    }
                }
                hash = Roll(hash, data[p], data[p + kDeltaWindow]);
            }
        }
        for (std::size_t b = 1; b < starts_.size(); ++b) {
            starts_[b] = starts_[b - 1] +
                         std::min<std::uint32_t>(starts_[b], static_cast<std::uint32_t>(kChain));
        }
        positions_.resize(starts_.back());
        std::vector<std::uint32_t> filled(starts_.begin(), starts_.end() - 1);
        const std::size_t stride = Stride(size);
        for (std::size_t i = 0; i < count; ++i) {
            const std::uint32_t b = bucketOf[i];
            if (filled[b] < starts_[b + 1]) {
                positions_[filled[b]++] = static_cast<std::uint32_t>(i * stride);
            }
        }
    }

    static std::size_t Stride(std::size_t size) {
        return static_cast<std::size_t>(
            std::max<std::uint64_t>(1, (size + kDeltaIndexEntries - 1) / kDeltaIndexEntries));
    }

    // The positions whose window may have this hash.
    std::pair<const std::uint32_t*, const std::uint32_t*> Candidates(std::uint64_t hash) const {
        const std::uint32_t b = Bucket(hash);
        return {positions_.data() + starts_[b], positions_.data() + starts_[b + 1]};
    }

private:
    std::uint32_t Bucket(std::uint64_t hash) const {
        return bits_ == 0
                   ? 0
                   : static_cast<std::uint32_t>((hash * 0x9E3779B97F4A7C15u) >> (64 - bits_));
    }

    unsigned bits_ = 0;
    std::vector<std::uint32_t> starts_; // bucket b holds positions_[starts_[b], starts_[b + 1])
    std::vector<std::uint32_t> positions_;
};

// The instructions as they are written: blocks gathered into chunks, each
// chunk its numbers, then its new bytes, then its differences, so that
// the compressor sees runs of like bytes (the differences of a long copy
// are mostly zeros; new text follows new text).
class Output {
public:
    explicit Output(const DeltaOutput& output) : output_(output) {}
    ~Output() = default;

    // A block: copy bytes of next from old (unchanged stretches of at least
    // kSameRun bytes as they stand, the rest as differences), add bytes of
    // next after them, then the read position moves by seek.
    void Block(const unsigned char* next, const unsigned char* old, std::uint64_t copy,
               std::uint64_t add, std::int64_t seek) {
        std::uint64_t at = 0;
        for (;;) {
            std::uint64_t same = 0;
            while (at + same < copy && next[at + same] == old[at + same]) {
                ++same;
            }
            // The differing stretch goes on up to the next long unchanged one.
            std::uint64_t end = at + same, run = 0;
            while (end + run < copy && run < kSameRun) {
                if (next[end + run] == old[end + run]) {
                    ++run;
                } else {
                    end += run + 1;
                    run = 0;
                }
            }
            if (run < kSameRun) {
                end = copy; // a short unchanged tail stays with the differences
            }
            const std::uint64_t differing = end - (at + same);
            if (end == copy) {
                Append(next + at, old + at, same, differing, add, seek);
                return;
            }
            Append(next + at, old + at, same, differing, 0, 0);
            at = end;
        }
    }

    DeltaStats Finish(DeltaStats stats) {
        Chunk();
        stats.length = written_;
        stats.stored = stored_;
        return stats;
    }

private:
    // One block as written: same unchanged bytes, copy bytes of
    // differences, add new bytes, then the seek. New data beyond what one
    // chunk holds goes on in blocks that copy nothing; the seek belongs to
    // the last of them.
    void Append(const unsigned char* next, const unsigned char* old, std::uint64_t same,
                std::uint64_t copy, std::uint64_t add, std::int64_t seek) {
        do {
            const std::uint64_t piece = std::min<std::uint64_t>(add, kDeltaSectionLimit);
            const bool last = piece == add;
            std::string numbers;
            AppendNumber(numbers, same);
            AppendNumber(numbers, copy);
            AppendNumber(numbers, piece);
            AppendNumber(numbers, !last       ? 0
                                  : seek >= 0 ? static_cast<std::uint64_t>(seek) * 2
                                              : static_cast<std::uint64_t>(-(seek + 1)) * 2 + 1);
            // New data starts a new chunk where it is of another kind than
            // the chunk's so far: stored when it is big enough to weigh
            // and does not compress, in the stream otherwise.
            bool storing = storing_;
            if (piece > 0) {
                storing = piece >= kStoreFrom &&
                          !output_.compresses(std::string_view(
                              reinterpret_cast<const char*>(next + same + copy), piece));
            }
            if (control_.size() + numbers.size() > kDeltaSectionLimit ||
                adds_.size() + piece > kDeltaSectionLimit || storing != storing_) {
                Chunk();
            }
            storing_ = storing;
            control_ += numbers;
            if (copy > 0) {
                copies_.push_back({next + same, old + same, copy});
            }
            next += same + copy;
            adds_.append(reinterpret_cast<const char*>(next), static_cast<std::size_t>(piece));
            next += piece;
            add -= piece;
            same = 0;
            copy = 0;
        } while (add > 0);
    }

    struct Copy {
        const unsigned char* next;
        const unsigned char* old;
        std::uint64_t length;
    };

    static void AppendNumber(std::string& out, std::uint64_t value) {
        while (value >= 0x80) {
            out.push_back(static_cast<char>((value & 0x7F) | 0x80));
            value >>= 7;
        }
        out.push_back(static_cast<char>(value));
    }

    void Chunk() {
        if (control_.empty()) {
            return;
        }
        const bool store = storing_ && !adds_.empty();
        std::string header;
        AppendNumber(header, control_.size());
        AppendNumber(header, adds_.size() * 2 + (store ? kDeltaStoredFlag : 0));
        Write(header);
        Write(control_);
        if (store) {
            output_.store(adds_);
            stored_ += adds_.size();
        } else {
            Write(adds_);
        }
        std::string piece;
        for (const Copy& copy : copies_) {
            for (std::uint64_t at = 0; at < copy.length;) {
                const std::size_t begin = piece.size();
                const auto count = static_cast<std::size_t>(
                    std::min<std::uint64_t>(copy.length - at, kPiece - begin));
                piece.resize(begin + count);
                for (std::size_t i = 0; i < count; ++i) {
                    piece[begin + i] = static_cast<char>(copy.next[at + i] - copy.old[at + i]);
                }
                at += count;
                if (piece.size() == kPiece) {
                    Write(piece);
                    piece.clear();
                }
            }
        }
        Write(piece);
        control_.clear();
        adds_.clear();
        copies_.clear();
    }

    void Write(std::string_view bytes) {
        if (!bytes.empty()) {
            output_.write(bytes);
            written_ += bytes.size();
        }
    }

    const DeltaOutput& output_;
    std::string control_;
    std::string adds_;
    std::vector<Copy> copies_;
    std::uint64_t written_ = 0;
    std::uint64_t stored_ = 0;
    bool storing_ = false; // the current chunk's new data is stored
};

struct Match {
    std::int64_t length = 0;
    std::int64_t position = 0;
};

class Encoder {
public:
    Encoder(const unsigned char* old, std::size_t oldSize, const unsigned char* next,
            std::size_t nextSize, Output& out)
        : old_(old), oldSize_(static_cast<std::int64_t>(oldSize)), new_(next),
          newSize_(static_cast<std::int64_t>(nextSize)), index_(old, oldSize), out_(out) {}

    DeltaStats Run() {
        std::int64_t scan = 0, length = 0, position = 0;
        while (scan < newSize_) {
            // How many bytes the current alignment matches over the span
            // the candidate covers.
            std::int64_t oldScore = 0;
            std::int64_t counted = scan += length;
            for (; scan < newSize_; ++scan) {
                const Match match = Search(scan);
                length = match.length;
                position = match.position;
                for (; counted < scan + length; ++counted) {
                    oldScore += SameAt(counted, lastOffset_);
                }
                if ((length == oldScore && length != 0) ||
                    length > oldScore + kBetterBy + Penalty(position - (scan + lastOffset_))) {
                    break;
                }
                oldScore -= SameAt(scan, lastOffset_);
            }
            if (length != oldScore || scan == newSize_) {
                Emit(scan, position);
            }
        }
        return out_.Finish(stats_);
    }

private:
    // What moving the read position by distance costs in the instructions,
    // in bytes of match it must make up for: a bit of the seek's varint for
    // each. Without it a short match far away (a phrase that repeats in a
    // text) costs two seeks, there and back, for a few bytes.
    static std::int64_t Penalty(std::int64_t distance) {
        std::uint64_t magnitude = static_cast<std::uint64_t>(distance < 0 ? -distance : distance);
        std::int64_t bits = 0;
        for (; magnitude > 0; magnitude >>= 1) {
            ++bits;
        }
        return bits;
    }

    int SameAt(std::int64_t at, std::int64_t offset) const {
        const std::int64_t from = at + offset;
        return from >= 0 && from < oldSize_ && old_[from] == new_[at] ? 1 : 0;
    }

    std::uint64_t HashAt(std::int64_t scan) {
        if (hashed_ >= 0 && scan >= hashed_ && scan - hashed_ <= 64) {
            for (; hashed_ < scan; ++hashed_) {
                hash_ = Roll(hash_, new_[hashed_], new_[hashed_ + kDeltaWindow]);
            }
        } else {
            hash_ = HashWindow(new_ + scan);
            hashed_ = scan;
        }
        return hash_;
    }

    // The longest exact match of the new bytes at scan in the index; of
    // equally long ones, the one that keeps the current alignment, else the
    // first in the old version.
    Match Search(std::int64_t scan) {
        Match best;
        const auto window = static_cast<std::int64_t>(kDeltaWindow);
        if (scan + window > newSize_) {
            return best;
        }
        const auto [begin, end] = index_.Candidates(HashAt(scan));
        for (const std::uint32_t* p = begin; p != end; ++p) {
            const std::int64_t at = *p;
            if (std::memcmp(old_ + at, new_ + scan, kDeltaWindow) != 0) {
                continue;
            }
            const std::int64_t most = std::min<std::int64_t>(
                {oldSize_ - at, newSize_ - scan, static_cast<std::int64_t>(kLongEnough)});
            std::int64_t length = window;
            while (length < most && old_[at + length] == new_[scan + length]) {
                ++length;
            }
            if (length > best.length ||
                (length == best.length && at - scan == lastOffset_ && best.position != at)) {
                best = {length, at};
            }
            if (length >= static_cast<std::int64_t>(kLongEnough)) {
                break;
            }
        }
        return best;
    }

    // The block from the last alignment up to the match at scan: the last
    // alignment's copy extended forwards and the match's backwards, each as
    // far as more than half of its bytes match, and what lies between added.
    void Emit(std::int64_t scan, std::int64_t position) {
        std::int64_t forward = 0;
        for (std::int64_t i = 0, same = 0, best = 0;
             lastScan_ + i < scan && lastPosition_ + i < oldSize_;) {
            same += old_[lastPosition_ + i] == new_[lastScan_ + i];
            ++i;
            if (same * 2 - i > best * 2 - forward) {
                best = same;
                forward = i;
            }
        }
        std::int64_t backward = 0;
        if (scan < newSize_) {
            for (std::int64_t i = 1, same = 0, best = 0; scan >= lastScan_ + i && position >= i;
                 ++i) {
                same += old_[position - i] == new_[scan - i];
                if (same * 2 - i > best * 2 - backward) {
                    best = same;
                    backward = i;
                }
            }
        }
        if (lastScan_ + forward > scan - backward) {
            // Both extensions cover the same bytes: split them where the
            // forward one matches best against the backward one.
            const std::int64_t overlap = (lastScan_ + forward) - (scan - backward);
            std::int64_t split = 0;
            for (std::int64_t i = 0, score = 0, best = 0; i < overlap; ++i) {
                score += old_[lastPosition_ + forward - overlap + i] ==
                         new_[lastScan_ + forward - overlap + i];
                score -= old_[position - backward + i] == new_[scan - backward + i];
                if (score > best) {
                    best = score;
                    split = i + 1;
                }
            }
            forward += split - overlap;
            backward -= split;
        }
        const std::int64_t add = (scan - backward) - (lastScan_ + forward);
        const std::int64_t seek =
            scan == newSize_ ? 0 : (position - backward) - (lastPosition_ + forward);
        if (forward > 0 || add > 0 || seek != 0) {
            out_.Block(new_ + lastScan_, old_ + lastPosition_, static_cast<std::uint64_t>(forward),
                       static_cast<std::uint64_t>(add), seek);
            ++stats_.blocks;
            stats_.copied += static_cast<std::uint64_t>(forward);
            stats_.added += static_cast<std::uint64_t>(add);
        }
        lastScan_ = scan - backward;
        lastPosition_ = position - backward;
        lastOffset_ = position - scan;
    }

    const unsigned char* old_;
    std::int64_t oldSize_;
    const unsigned char* new_;
    std::int64_t newSize_;
    Index index_;
    Output& out_;
    DeltaStats stats_;
    std::int64_t lastScan_ = 0, lastPosition_ = 0, lastOffset_ = 0;
    std::int64_t hashed_ = -1; // the position hash_ is the window hash of
    std::uint64_t hash_ = 0;
};

} // namespace

DeltaStats EncodeDelta(const unsigned char* previous, std::size_t previousSize,
                       const unsigned char* next, std::size_t nextSize, const DeltaOutput& output) {
    Output out(output);
    return Encoder(previous, previousSize, next, nextSize, out).Run();
}

} // namespace brisel::tools
