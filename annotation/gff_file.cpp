#include "annotation/gff.h"
#include "annotation/gff_location.h"

#include <algorithm>
#include <utility>

namespace {

constexpr uint32_t NONE = UINT32_MAX;

// What a feature's Parent chain, the feature included, gives a CDS below it:
// the first gene attribute, the first gene's Name, the first locus_tag.
struct Inherited {
  uint32_t gene = 0, geneName = 0, locusTag = 0;
};

// Each feature's inheritance, every chain walked once; `cycleLine` gets the
// first line of the earliest cycle, 0 when there is none.
std::vector<Inherited> inherit(const std::vector<GffFile::Feature>& features, const std::vector<uint32_t>& featureOf,
                               int64_t& cycleLine) {
  std::vector<Inherited> inherited(features.size());
  std::vector<uint8_t> state(features.size(), 0);  // 0 not seen, 1 on the walk, 2 done
  std::vector<uint32_t> walk;
  cycleLine = 0;
  auto parentOf = [&](uint32_t f) { return features[f].parent == 0 ? NONE : featureOf[features[f].parent]; };
  for (uint32_t first = 0; first < features.size(); ++first) {
    walk.clear();
    uint32_t at = first;
    for (; at != NONE && state[at] == 0; at = parentOf(at)) {
      state[at] = 1;
      walk.push_back(at);
    }
    Inherited above;
    if (at != NONE && state[at] == 2) above = inherited[at];
    if (at != NONE && state[at] == 1) {
      int64_t line = features[at].line;
      for (size_t k = walk.size(); walk[--k] != at;) line = std::min(line, features[walk[k]].line);
      if (cycleLine == 0 || line < cycleLine) cycleLine = line;
    }
    for (size_t k = walk.size(); k-- > 0;) {
      const GffFile::Feature& f = features[walk[k]];
      Inherited& own = inherited[walk[k]];
      own.gene = f.gene != 0 ? f.gene : above.gene;
      own.geneName = f.name != 0 ? f.name : above.geneName;
      own.locusTag = f.locusTag != 0 ? f.locusTag : above.locusTag;
      state[walk[k]] = 2;
      above = own;
    }
  }
  return inherited;
}

// Puts the lines whose `key` (0: none) is the same, when there are at least
// `least` of them, in one group named by its first line in `groupFirst`, and
// marks them in `grouped`.
template <typename Key>
void groupBy(size_t n, Key key, size_t least, std::vector<uint32_t>& groupFirst, std::vector<uint8_t>& grouped) {
  std::vector<std::pair<uint64_t, uint32_t>> keyed;
  for (uint32_t i = 0; i < n; ++i)
    if (const uint64_t k = key(i); k != 0) keyed.push_back({k, i});
  std::sort(keyed.begin(), keyed.end());
  for (size_t from = 0, to; from < keyed.size(); from = to) {
    for (to = from + 1; to < keyed.size() && keyed[to].first == keyed[from].first;) ++to;
    if (to - from < least) continue;
    for (size_t k = from; k < to; ++k) {
      groupFirst[keyed[k].second] = keyed[from].second;
      grouped[keyed[k].second] = 1;
    }
  }
}

}  // namespace

void GffFile::add(GffBlock&& block) {
  if (stopped_) return;
  auto name = [&](GffText t) {
    return t.size == 0 ? 0 : names_.intern(std::string_view(block.text).substr(t.offset, t.size));
  };
  std::vector<uint32_t> seqids;
  seqids.reserve(block.seqids.size());
  for (GffText t : block.seqids) {
    const uint32_t id = name(t);
    if (id >= contigOf_.size()) contigOf_.resize(std::max<size_t>(id + 1, 2 * contigOf_.size()), 0);
    if (contigOf_[id] == 0) {
      contigNames_.push_back(id);
      contigOf_[id] = static_cast<uint32_t>(contigNames_.size());
    }
    seqids.push_back(id);
  }
  for (const GffCdsLine& c : block.cds)
    cds_.push_back({c.line + linesBefore_, c.start, c.end, seqids[c.seqid], name(c.id), name(c.group), name(c.gene),
                    name(c.locusTag), c.marks});
  for (const GffFeature& f : block.features)
    features_.push_back({f.line + linesBefore_, name(f.id), name(f.parent), name(f.gene), name(f.name), name(f.locusTag)});
  for (const GffRegion& r : block.regions) regions_.push_back({name(r.seqid), r.end, r.circular, r.directive});
  if (block.error.line != 0) {
    error_ = std::move(block.error);
    error_.line += linesBefore_;
    stopped_ = true;
  }
  stopped_ = stopped_ || block.fastaSeen;
  linesBefore_ += block.lines;
}

void GffFile::finish(std::vector<AnnotatedCds>& cds, std::vector<AnnotatedContig>& contigs, AnnotationError& error) {
  cds.clear();
  contigs.clear();
  error = error_;
  contigs.resize(contigNames_.size());
  std::vector<uint8_t> known(contigNames_.size(), 0);  // 1: a ##sequence-region's length, 2: a region line's
  for (const Region& r : regions_) {
    const uint32_t contig = r.seqid < contigOf_.size() ? contigOf_[r.seqid] : 0;
    if (contig == 0 || known[contig - 1] == 2 || (r.directive && known[contig - 1] == 1)) continue;
    contigs[contig - 1].length = r.end;
    contigs[contig - 1].circular = !r.directive && r.circular;
    known[contig - 1] = r.directive ? 1 : 2;
  }
  for (size_t k = 0; k < contigNames_.size(); ++k) contigs[k].name = names_.name(contigNames_[k]);

  std::vector<uint32_t> featureOf(names_.size(), NONE);
  for (uint32_t f = 0; f < features_.size(); ++f)
    if (featureOf[features_[f].id] == NONE) featureOf[features_[f].id] = f;
  int64_t cycleLine = 0;
  const std::vector<Inherited> inherited = inherit(features_, featureOf, cycleLine);
  if (cycleLine != 0) error = {cycleLine, "Parent chain runs in a cycle"};
  if (error.line != 0) return;

  // CDS lines that share an ID on a sequence are one CDS; the others join
  // those under the same Parent (GTF: the same transcript_id) on it.
  const size_t n = cds_.size();
  std::vector<uint32_t> groupFirst(n);
  for (uint32_t i = 0; i < n; ++i) groupFirst[i] = i;
  auto onSequence = [&](uint32_t seqid, uint32_t value) { return value == 0 ? 0 : uint64_t{seqid} << 32 | value; };
  std::vector<uint8_t> sharesId(n, 0), unused(n, 0);
  groupBy(n, [&](uint32_t i) { return onSequence(cds_[i].seqid, cds_[i].id); }, 2, groupFirst, sharesId);
  groupBy(n, [&](uint32_t i) { return sharesId[i] ? 0 : onSequence(cds_[i].seqid, cds_[i].group); }, 1, groupFirst,
          unused);
  // Each CDS's lines together, CDSs in the order of their first lines.
  std::vector<uint32_t> groupOf(n), starts;
  for (uint32_t i = 0; i < n; ++i) {
    if (groupFirst[i] == i) {
      groupOf[i] = static_cast<uint32_t>(starts.size());
      starts.push_back(0);
    }
    groupOf[i] = groupOf[groupFirst[i]];
    ++starts[groupOf[i]];
  }
  uint32_t total = 0;
  for (uint32_t& s : starts) total += std::exchange(s, total);
  std::vector<uint32_t> members(n);
  std::vector<uint32_t> filled = starts;
  for (uint32_t i = 0; i < n; ++i) members[filled[groupOf[i]]++] = i;

  cds.reserve(starts.size());
  std::vector<GffSegment> segments;
  for (size_t g = 0; g < starts.size(); ++g) {
    const uint32_t from = starts[g], to = g + 1 < starts.size() ? starts[g + 1] : static_cast<uint32_t>(n);
    const CdsLine& first = cds_[members[from]];
    segments.clear();
    uint8_t marks = 0;
    for (uint32_t k = from; k < to; ++k) {
      const CdsLine& c = cds_[members[k]];
      segments.push_back({c.start, c.end});
      marks |= c.marks;
    }
    const uint32_t contig = contigOf_[first.seqid];
    const AnnotatedContig& shape = contigs[contig - 1];
    AnnotatedCds out;
    out.location = cdsLocation(segments, marks, shape.circular, shape.length);
    // A GTF's group is a transcript_id, no feature's ID.
    const uint32_t parent = first.group == 0 || dialect_ == GffDialect::GTF ? NONE : featureOf[first.group];
    const Inherited up = parent == NONE ? Inherited{} : inherited[parent];
    for (uint32_t gene : {first.gene, up.gene, up.geneName, first.locusTag, up.locusTag})
      if (gene != 0) {
        out.gene = names_.name(gene);
        break;
      }
    out.contig = contig;
    out.line = first.line;
    cds.push_back(std::move(out));
  }
}
