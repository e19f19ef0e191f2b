#include "analysis/alternatives.h"

#include <vector>

// A later listing matches a known list when the list starts with the
// listing's segments, or when the list is shorter and the listing's segments
// past its end are all (0, 0). With the known lists kept as a trie of
// segments, one walk down the listing's own segments answers for all of them
// at once: the time grows with the gene's segments, not with the number of
// its lists, which one gene of many different CDSs (empty names on a contig,
// say) would otherwise make quadratic.

namespace {

bool isZero(const Segment& s) { return s.start == 0 && s.end == 0; }

// The known segment lists of one gene. Node 0 is the empty list; every other
// node extends its parent's list by one segment, and every node lies on some
// known list. The edges are kept in one open-addressing table keyed by
// (parent, segment), rather than a map per node.
class KnownLists {
 public:
  KnownLists() : slots_(16), endsHere_(1, 0) {}

  // Whether some known list matches the `n` segments at `s`.
  bool matches(const Segment* s, uint32_t n) const {
    uint32_t zeroTail = n;  // s[zeroTail..n) are all (0, 0)
    while (zeroTail > 0 && isZero(s[zeroTail - 1])) --zeroTail;
    uint32_t node = 0;
    for (uint32_t r = 0;; ++r) {
      if (r >= zeroTail && endsHere_[node]) return true;  // a list ending here reads (0, 0) for the rest
      if (r == n) return true;                            // some list runs on through this node
      node = slots_[slotOf(node, s[r])].child;
      if (node == 0) return false;
    }
  }

  void add(const Segment* s, uint32_t n) {
    uint32_t node = 0;
    for (uint32_t r = 0; r < n; ++r) {
      size_t slot = slotOf(node, s[r]);
      if (slots_[slot].child == 0) {
        // Half full at most, so that a probe meets a free slot soon.
        if (2 * (endsHere_.size() + 1) > slots_.size()) {
          grow();
          slot = slotOf(node, s[r]);
        }
        slots_[slot] = {node, static_cast<uint32_t>(endsHere_.size()), s[r]};
        endsHere_.push_back(0);
      }
      node = slots_[slot].child;
    }
    endsHere_[node] = 1;
  }

 private:
  struct Edge {
    uint32_t parent;
    uint32_t child;  // 0: a free slot, as the root is nobody's child
    Segment segment;
  };

  // The slot of the edge from `parent` by `s`, or the free slot where it belongs.
  size_t slotOf(uint32_t parent, const Segment& s) const {
    uint64_t h = (uint64_t{parent} << 32 ^ static_cast<uint32_t>(s.start)) * 0x9e3779b97f4a7c15ULL;
    h = (h ^ static_cast<uint32_t>(s.end) ^ h >> 29) * 0xbf58476d1ce4e5b9ULL;
    const size_t mask = slots_.size() - 1;
    for (size_t at = (h ^ h >> 32) & mask;; at = (at + 1) & mask) {
      const Edge& e = slots_[at];
      if (e.child == 0 || (e.parent == parent && e.segment.start == s.start && e.segment.end == s.end)) return at;
    }
  }

  void grow() {
    std::vector<Edge> old(slots_.size() * 2);
    old.swap(slots_);
    for (const Edge& e : old)
      if (e.child != 0) slots_[slotOf(e.parent, e.segment)] = e;
  }

  std::vector<Edge> slots_;        // size a power of two
  std::vector<uint8_t> endsHere_;  // per node: 1 when a known list ends there
};

}  // namespace

int32_t countAlternatives(const CdsStore& store, const uint32_t* members, uint32_t count) {
  if (count == 1) return 0;
  auto segmentsOf = [&store](uint32_t i) { return store.segments.data() + store.cds[i].firstSegment; };
  KnownLists known;
  known.add(segmentsOf(members[0]), store.cds[members[0]].nSegments);
  int32_t nAlt = 0;
  for (uint32_t k = 1; k < count; ++k) {
    const uint32_t n = store.cds[members[k]].nSegments;
    if (known.matches(segmentsOf(members[k]), n)) continue;
    known.add(segmentsOf(members[k]), n);
    ++nAlt;
  }
  return nAlt;
}
