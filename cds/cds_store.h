#pragma once
// The CDSs of a listing, or of one source file's share of it, as the reader
// keeps them: a small fixed part per CDS, every segment in one pool and every
// name once.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Capacities. Other programs read the tables and may hold the same limits,
// so a listing beyond them is refused, never truncated.
constexpr int MAX_SEGMENTS = 500;           // complete segments of one location
constexpr int MAX_NAME_LENGTH = 60;         // bytes of a gene or source file name
constexpr int32_t MAX_NUMBER = 2147483647;  // largest position or contig number

// What puts a CDS beyond the capacities of cds_store.h.
enum class Problem {
  TOO_MANY_SEGMENTS,
  POSITION_TOO_LARGE,
  GENE_NAME_TOO_LONG,
  FILE_NAME_TOO_LONG,
  CONTIG_TOO_LARGE,
};

struct Segment {
  int32_t start;  // first base as written
  int32_t end;    // last base as written; equal to start for a single position
};

enum CdsFlag : uint8_t {
  COMPLEMENT = 1,     // "complement" stands in the #CDS= line
  PARTIAL_LEFT = 2,   // a '<' stands in the location
  PARTIAL_RIGHT = 4,  // a '>' stands in the location
};

// One CDS group as the reader parses it, before it joins a store.
struct ParsedCds {
  std::vector<Segment> segments;  // complete segments in written order
  uint8_t flags = 0;              // CdsFlag bits
  std::string gene;               // at most MAX_NAME_LENGTH bytes
  std::string file;               // at most MAX_NAME_LENGTH bytes
  int32_t contig = 0;
};

// Every distinct name once, numbered in order of first appearance; the
// empty name is always number 0.
class NameTable {
 public:
  NameTable() { intern(""); }
  uint32_t intern(std::string_view name);
  std::string_view name(uint32_t id) const {
    return std::string_view(bytes_).substr(offsets_[id], offsets_[id + 1] - offsets_[id]);
  }
  // Names held.
  size_t size() const { return offsets_.size() - 1; }

 private:
  std::string bytes_;                   // the names back to back
  std::vector<uint32_t> offsets_{0};    // name k is bytes_[offsets_[k] .. offsets_[k+1])
  std::vector<uint32_t> slots_;         // open addressing: name number + 1, 0 when free
  std::vector<uint32_t> hashes_;        // of each name, so that growing hashes no name again
};

struct Cds {
  uint32_t firstSegment;  // index of its first segment in CdsStore::segments
  uint16_t nSegments;     // complete segments, 0..MAX_SEGMENTS
  uint8_t flags;          // CdsFlag bits
  uint32_t gene;          // number of its gene name in CdsStore::names
  uint32_t file;          // number of its source file name in CdsStore::names
  int32_t contig;
  uint32_t shape = 0;     // its contig's name and topology: an index in CdsStore::contigs
};

// What an annotation says of a contig beyond its number; a listing says
// nothing, so its CDSs all have contigs[0]: no name, linear.
struct ContigShape {
  uint32_t name = 0;      // number of its name (LOCUS, EMBL ID, GFF seqid) in CdsStore::names
  bool circular = false;  // the record says so
  int64_t length = 0;     // bases, as the record gives them; 0 when not known
};

struct CdsStore {
  std::vector<Cds> cds;            // in listing order
  std::vector<Segment> segments;   // of all CDSs, each CDS's together
  NameTable names;                 // gene, file and contig names alike
  std::vector<ContigShape> contigs{ContigShape{}};  // [0]: a listing's contig

  void add(const ParsedCds& parsed);
  // Adds every CDS of `other` after those held, in order.
  void append(const CdsStore& other);
};

// A CDS's first and last position; only for a CDS with a complete segment.
inline int32_t firstPosition(const CdsStore& s, const Cds& c) { return s.segments[c.firstSegment].start; }
inline int32_t lastPosition(const CdsStore& s, const Cds& c) { return s.segments[c.firstSegment + c.nSegments - 1].end; }
