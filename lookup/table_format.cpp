#include "lookup/table_format.h"

#include <algorithm>
#include <charconv>
#include <cstring>

namespace {

// Room an entry of `c` may need at most: every name escaped, every number
// and segment at its longest.
size_t entryBound(const Cds& c) { return 1024 + 24 * size_t{c.nSegments}; }

// Writes into a buffer with room enough, as the bound above guarantees.
struct Out {
  char* p;
  void put(std::string_view text) {
    std::memcpy(p, text.data(), text.size());
    p += text.size();
  }
  void put(char c) { *p++ = c; }
  void number(int64_t value) { p = std::to_chars(p, p + 24, value).ptr; }
  template <size_t N>
  void line(const char (&key)[N], int64_t value) {
    put(std::string_view(key, N - 1));
    number(value);
    put('\n');
  }
  template <size_t N>
  void line(const char (&key)[N], std::string_view value) {
    put(std::string_view(key, N - 1));
    put(value);
    put('\n');
  }
  void escaped(std::string_view value) { p = putEscaped(p, value); }
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
  out.line("#gene=", store.names.name(c.gene));
  out.line("#nListings=", e.nListings);
  out.line("#nAlt=", e.nAlt);
  out.line("#file=", store.names.name(c.file));
  out.line("#contig=", c.contig);
  out.line("#beforeSpace=", e.beforeSpace);
  out.line("#afterSpace=", e.afterSpace);
  out.line("#altCDSFirst=", e.altCDSFirst);
  out.line("#altCDSLast=", e.altCDSLast);
  out.put("************\n");
}

void putNeighbour(Out& out, const CdsStore& store, const Neighbour& n) {
  out.put('\t');
  if (n.found) out.escaped(store.names.name(n.gene));
  out.put('\t');
  if (n.found) out.number(n.gap);
}

void putTsv(Out& out, const CdsStore& store, const GeneEntry& e, const Neighbours* neighbours) {
  const Cds& c = store.cds[e.cds];
  out.location(store, c);
  out.put('\t');
  out.escaped(store.names.name(c.gene));
  for (int64_t v : {int64_t{e.nListings}, int64_t{e.nAlt}}) {
    out.put('\t');
    out.number(v);
  }
  out.put('\t');
  out.escaped(store.names.name(c.file));
  for (int64_t v : {int64_t{c.contig}, int64_t{e.beforeSpace}, int64_t{e.afterSpace}, int64_t{e.altCDSFirst},
                    int64_t{e.altCDSLast}}) {
    out.put('\t');
    out.number(v);
  }
  out.put('\t');
  out.escaped(store.names.name(store.contigs[c.shape].name));
  if (neighbours != nullptr) {
    out.put('\t');
    out.put(neighbours->complement ? '-' : '+');
    for (const Neighbour* n : {&neighbours->before, &neighbours->after, &neighbours->prevSameStrand, &neighbours->nextSameStrand})
      putNeighbour(out, store, *n);
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

void appendEntries(const CdsStore& store, std::span<const GeneEntry> genes, TableFormat format, TextBuffer& out,
                   std::span<const Neighbours> neighbours) {
  // Each entry is written in place, in room enough for the longest it could
  // be; no room is cleared for the worst case of every one.
  out.room(160 * genes.size());
  for (size_t k = 0; k < genes.size(); ++k) {
    const GeneEntry& e = genes[k];
    char* start = out.room(entryBound(store.cds[e.cds]));
    Out at{start};
    if (format == TableFormat::T2) putT2(at, store, e);
    else putTsv(at, store, e, neighbours.empty() ? nullptr : &neighbours[k]);
    out.grow(static_cast<size_t>(at.p - start));
  }
}
