#pragma once
// The CDS record table and the reader that fills it from a CDS listing.

#include <cstdint>
#include <string_view>

// Record capacities: a listing beyond them is refused, never truncated.
constexpr int MAX_SEGMENTS = 500;     // segments of one CDS location
constexpr int GENE_NAME_SIZE = 61;    // 60 characters and the terminator
constexpr int SOURCE_NAME_SIZE = 61;  // 60 characters and the terminator
constexpr int32_t MAX_POSITION = 2147483647;  // largest number a listing may hold

struct Segment {
  int32_t start;  // first base as written
  int32_t end;    // last base as written; equal to start for a single position
};

// One CDS group of the listing. Allocated zero-filled, which every empty
// string and zero count below relies on.
struct CdsRecord {
  Segment segments[MAX_SEGMENTS];  // location, in written order (readCdsData)
  int32_t isComplement;            // "complement" stands in the #CDS= line (readCdsData)
  int32_t partialLeft;             // a '<' stands in the location (readCdsData)
  int32_t partialRight;            // a '>' stands in the location (readCdsData)
  char gene[GENE_NAME_SIZE];       // gene name (readCdsData)
  char file[SOURCE_NAME_SIZE];     // source file the CDS came from (readCdsData)
  int32_t contig;                  // contig number (readCdsData)
  int32_t nSegments;               // complete segments in `segments` (readCdsData)
  int32_t beforeSpace;             // gap to the nearest upstream gene (calculateGeneSpacing)
  int32_t afterSpace;              // gap to the nearest downstream gene (calculateGeneSpacing)
  int32_t altCDSFirst;             // lowest first position of the gene (calculateGeneSpacing)
  int32_t altCDSLast;              // highest last position of the gene (calculateGeneSpacing)
  int32_t nListings;               // records listing this gene (findMultipleListings)
  int32_t nAlt;                    // alternative CDSs beyond the first (findMultipleListings)
  int32_t isFirstListing;          // 1 for the gene's first record, 0 if merged (findMultipleListings)
};

// global variables
extern CdsRecord* records;  // the record table, in listing order (allocateRecords)
extern int32_t nCds;        // records in the table (countCds)

// Counts the "#CDS=" lines of the listing named inputName into nCds.
void countCds();
// Allocates nCds zero-filled records; halts with "NOT ENOUGH MEMORY." when
// the table cannot be had.
void allocateRecords();
// Reads 5 * nCds lines from inputStream into the record table.
void readCdsData();

// Parses the location of a "#CDS=" line (everything from index 5 on) into the
// record's segments, nSegments, partialLeft and partialRight.
// Every run of decimal digits is a number; a start pairs with the next number
// unless ',' or ')' or the end of the line follows it, which makes it a single
// position (start == end). '<' and '>' set the partial flags wherever they
// stand; every other character is skipped. A start left without its end is
// stored but not counted in nSegments.
// Refuses (returns what is over the limit, writing nothing past the record's
// capacity) a number above MAX_POSITION or a segment beyond MAX_SEGMENTS;
// returns nullptr when the location fits.
const char* parseLocation(std::string_view line, CdsRecord& record);

// Asks for record i's first segment, names and counts ahead of a pass that
// walks the table in order: records lie 4 KB apart, past what the hardware
// prefetcher follows, and a large table is far beyond any cache.
constexpr int32_t PREFETCH_DISTANCE = 8;  // records ahead
inline void prefetchRecord(int32_t i) {
  if (i >= nCds) return;
  __builtin_prefetch(&records[i].segments[0]);
  __builtin_prefetch(&records[i].gene[0]);
  __builtin_prefetch(&records[i].file[0]);
  __builtin_prefetch(&records[i].isFirstListing);
}

// first and last position of a record with at least one segment
inline int32_t firstPosition(const CdsRecord& r) { return r.segments[0].start; }
inline int32_t lastPosition(const CdsRecord& r) { return r.segments[r.nSegments - 1].end; }
