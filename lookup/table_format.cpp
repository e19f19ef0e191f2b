#include "lookup/table_format.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

// Room an entry may need at most: its names as written, each with the slack
// of a 16-byte copy, every segment and number at its longest.
size_t entryBound(const CdsStore& store, const TableNames& names, const GeneEntry& e, const Neighbours* n) {
  const Cds& c = store.cds[e.cds];
  auto room = [&](uint32_t id) { return names.offsets[id + 1] - names.offsets[id] + 16; };
  size_t bound = 320 + 26 * size_t{c.nSegments} + room(c.gene) + room(c.file) + room(store.contigs[c.shape].name);
  if (n != nullptr) bound += 4 * (names.longest + 16);
  return bound;
}

// Every number below 1000 as three digits padded with zeros, then its
// length unpadded: a number is written three digits at a time, a copy each.
constexpr auto DIGITS3 = [] {
  std::array<char, 4 * 1000> table{};
  for (int v = 0; v < 1000; ++v) {
    table[4 * v] = static_cast<char>('0' + v / 100);
    table[4 * v + 1] = static_cast<char>('0' + v / 10 % 10);
    table[4 * v + 2] = static_cast<char>('0' + v % 10);
    table[4 * v + 3] = static_cast<char>(v >= 100 ? 3 : v >= 10 ? 2 : 1);
  }
  return table;
}();

// The leading digits, v < 1000, unpadded. Each copy writes four bytes, up
// to three past the digits, which the room has and later bytes overwrite.
char* putLeading(char* p, uint32_t v) {
  const int n = DIGITS3[4 * v + 3];
  std::memcpy(p, DIGITS3.data() + 4 * v + 3 - n, 4);
  return p + n;
}

char* putThree(char* p, uint32_t v) {
  std::memcpy(p, DIGITS3.data() + 4 * v, 4);
  return p + 3;
}

char* putBillions(char* p, uint64_t v);

// A column's numbers mostly have the same length, so the branches on it are
// foreseen; numbers of ten digits or more, rare in a table, go out of line.
inline char* putDigits(char* p, uint64_t v) {
  if (v >= 1000000000) [[unlikely]]
    return putBillions(p, v);
  const auto u = static_cast<uint32_t>(v);
  if (u < 1000) return putLeading(p, u);
  if (u < 1000000) return putThree(putLeading(p, u / 1000), u % 1000);
  return putThree(putThree(putLeading(p, u / 1000000), u / 1000 % 1000), u % 1000);
}

[[gnu::noinline]] char* putBillions(char* p, uint64_t v) {
  p = putDigits(p, v / 1000000000);
  const auto low = static_cast<uint32_t>(v % 1000000000);
  return putThree(putThree(putThree(p, low / 1000000), low / 1000 % 1000), low % 1000);
}

// Writes into a buffer with room enough, as the bound above guarantees. A
// row is mostly short names and small numbers, so both are written inline.
struct Out {
  char* p;
  const TableNames& names;
  void put(std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    p += text.size();
  }
  void put(char c) { *p++ = c; }
  void number(int64_t value) {
    uint64_t v = static_cast<uint64_t>(value);
    if (value < 0) *p++ = '-', v = 0 - v;
    p = putDigits(p, v);
  }
  // Name `id`, copied 16 bytes at a time: past its end come later names or
  // the padding, and past the copy's end the room has the slack.
  void name(uint32_t id) {
    const char* from = names.bytes.data() + names.offsets[id];
    const size_t n = names.offsets[id + 1] - names.offsets[id];
    size_t k = 0;
    do std::memcpy(p + k, from + k, 16);
    while ((k += 16) < n);
    p += n;
  }
  template <size_t N>
  void line(const char (&key)[N], int64_t value) {
    put(std::string_view(key, N - 1));
    number(value);
    put('\n');
  }
  template <size_t N>
  void nameLine(const char (&key)[N], uint32_t id) {
    put(std::string_view(key, N - 1));
    name(id);
    put('\n');
  }
  void location(const CdsStore& store, const Cds& c) {
    if (c.flags & COMPLEMENT) put("complement(");
    if (c.nSegments > 1) put("join(");
    if (c.flags & PARTIAL_LEFT) put('<');
    const Segment* segment = store.segments.data() + c.firstSegment;
    for (uint32_t s = 0; s < c.nSegments; ++s, ++segment) {
      if (s > 0) put(',');
      number(segment->start);
      put("..");
      number(segment->end);
    }
    if (c.flags & PARTIAL_RIGHT) put('>');
    if (c.nSegments > 1) put(')');
    if (c.flags & COMPLEMENT) put(')');
  }
};

void putT2(Out& out, const CdsStore& store, const GeneEntry& e) {
  const Cds& c = store.cds[e.cds];
  out.put("#CDS=");
  out.location(store, c);
  out.put('\n');
  out.nameLine("#gene=", c.gene);
  out.line("#nListings=", e.nListings);
  out.line("#nAlt=", e.nAlt);
  out.nameLine("#file=", c.file);
  out.line("#contig=", c.contig);
  out.line("#beforeSpace=", e.beforeSpace);
  out.line("#afterSpace=", e.afterSpace);
  out.line("#altCDSFirst=", e.altCDSFirst);
  out.line("#altCDSLast=", e.altCDSLast);
  out.put("************\n");
}

void putNeighbour(Out& out, const Neighbour& n) {
  out.put('\t');
  if (n.found) out.name(n.gene);
  out.put('\t');
  if (n.found) out.number(n.gap);
}

void putTsv(Out& out, const CdsStore& store, const GeneEntry& e, const Neighbours* neighbours) {
  const Cds& c = store.cds[e.cds];
  out.location(store, c);
  out.put('\t');
  out.name(c.gene);
  for (int64_t v : {int64_t{e.nListings}, int64_t{e.nAlt}}) {
    out.put('\t');
    out.number(v);
  }
  out.put('\t');
  out.name(c.file);
  for (int64_t v : {int64_t{c.contig}, int64_t{e.beforeSpace}, int64_t{e.afterSpace}, int64_t{e.altCDSFirst},
                    int64_t{e.altCDSLast}}) {
    out.put('\t');
    out.number(v);
  }
  out.put('\t');
  out.name(store.contigs[c.shape].name);
  if (neighbours != nullptr) {
    out.put('\t');
    out.put(neighbours->complement ? '-' : '+');
    for (const Neighbour* n : {&neighbours->before, &neighbours->after, &neighbours->prevSameStrand, &neighbours->nextSameStrand})
      putNeighbour(out, *n);
  }
  out.put('\n');
}

}  // namespace

// A name may hold any byte but NUL and line feed; those that would break a
// row are escaped.
char* putEscaped(char* to, std::string_view name) {
  for (char c : name) {
    switch (c) {
      case '\t': *to++ = '\\', *to++ = 't'; break;
      case '\n': *to++ = '\\', *to++ = 'n'; break;
      case '\r': *to++ = '\\', *to++ = 'r'; break;
      case '\\': *to++ = '\\', *to++ = '\\'; break;
      default: *to++ = c;
    }
  }
  return to;
}

std::string_view tableHeader(TableFormat format, bool neighbours) {
  if (format == TableFormat::T2) return "";
  return neighbours ? "cds\tgene\tn_listings\tn_alt\tfile\tcontig\tbefore_space\tafter_space\talt_cds_first\talt_cds_last\t"
                      "contig_name\tstrand\tbefore_gene\tbefore_gap\tafter_gene\tafter_gap\tprev_same_strand_gene\t"
                      "prev_same_strand_gap\tnext_same_strand_gene\tnext_same_strand_gap\n"
                    : "cds\tgene\tn_listings\tn_alt\tfile\tcontig\tbefore_space\tafter_space\talt_cds_first\talt_cds_last\t"
                      "contig_name\n";
}

TableNames tableNames(const NameTable& names, TableFormat format) {
  TableNames out;
  size_t total = 0;
  for (uint32_t id = 0; id < names.size(); ++id) total += names.name(id).size();
  out.bytes.resize((format == TableFormat::T2 ? total : 2 * total) + 16);  // escaped, a name at most doubles
  out.offsets.resize(names.size() + 1);
  char* to = out.bytes.data();
  for (uint32_t id = 0; id < names.size(); ++id) {
    const std::string_view name = names.name(id);
    if (format == TableFormat::T2) to = std::copy(name.begin(), name.end(), to);
    else to = putEscaped(to, name);
    out.offsets[id + 1] = static_cast<size_t>(to - out.bytes.data());
    out.longest = std::max(out.longest, out.offsets[id + 1] - out.offsets[id]);
  }
  out.bytes.resize(out.offsets.back() + 16);
  return out;
}

void appendEntries(const CdsStore& store, const TableNames& names, std::span<const GeneEntry> genes,
                   TableFormat format, TextBuffer& out, std::span<const Neighbours> neighbours) {
  // Each entry is written in place, in room enough for the longest it could
  // be; no room is cleared for the worst case of every one.
  out.room(160 * genes.size());
  for (size_t k = 0; k < genes.size(); ++k) {
    const GeneEntry& e = genes[k];
    const Neighbours* n = neighbours.empty() ? nullptr : &neighbours[k];
    char* start = out.room(entryBound(store, names, e, n));
    Out at{start, names};
    if (format == TableFormat::T2) putT2(at, store, e);
    else putTsv(at, store, e, n);
    out.grow(static_cast<size_t>(at.p - start));
  }
}
