// make_listing: writes a synthetic, reproducible CDS listing for benchmarking
// tarn2, and optionally the same CDSs as a sorted BED file.
//
// Build: g++ -std=c++20 -O2 -o make_listing bench/make_listing.cpp
// Usage: make_listing [flags] > listing      (run with --help for the flags)
//
// The shape of the data:
// - The CDSs are spread evenly over files x contigs; within a contig, gene
//   loci are laid out left to right with intergenic gaps, a few overlaps with
//   the previous locus, and rarely a gap wider than the 10,000,000-base cap
//   the program puts on a reported space.
// - Gene names come from one pool of --genes names shared by every contig, as
//   related genomes share their gene names. Each contig starts at its own
//   place in the pool and takes names in turn, so the names on one contig are
//   distinct as long as it has no more loci than the pool has names; past
//   that a name comes back, and tarn2 rightly takes both loci as one gene.
// - A share of the genes (--repeat-fraction) is listed 2..--listings times;
//   each later listing is, with even odds, an identical repeat or an
//   alternative segment list (a skipped exon or another start codon). Later
//   listings are put a few loci downstream of the first, so that they are
//   not always next to it in the listing.
//
// On standard error it reports the counts that a run of tarn2 can be checked
// against, above all the number of distinct (gene, file, contig) triples,
// which is the number of entries the lookup table must hold.
//
// The random numbers come from a splitmix64 written out here rather than the
// standard distributions, whose results differ between library vendors: a
// seed gives the same listing on every machine.

#include <algorithm>
#include <charconv>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace {

constexpr int64_t MAX_POSITION = 2147483647;  // the largest position tarn2 accepts
constexpr int MAX_SEGMENTS = 500;             // tarn2 refuses a CDS with more

struct Options {
  int64_t nCds = 100000;
  int64_t nFiles = 25;
  int64_t contigsPerFile = 3;
  int64_t nGeneNames = 5000;
  int64_t maxListings = 4;
  double repeatFraction = 0.2;
  int64_t maxSegments = 4;
  uint64_t seed = 1;
  std::string bedPath;  // empty: no BED file
};

struct Segment {
  int64_t start;
  int64_t end;
};

// One listing of a gene, waiting in its contig to be written in order.
struct Listing {
  double orderKey;  // the locus number, plus a delay for later listings
  int64_t serial;   // keeps equal keys in the order they were made
  int64_t nameIndex;
  bool complement;
  bool partialLeft;
  bool partialRight;
  std::vector<Segment> segments;
};

uint64_t rngState;

uint64_t nextRandom() {
  uint64_t z = (rngState += 0x9e3779b97f4a7c15ULL);
  z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
  z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
  return z ^ (z >> 31);
}

// Uniform in lo..hi inclusive; the modulo bias is far below what matters here.
int64_t uniform(int64_t lo, int64_t hi) {
  return lo + static_cast<int64_t>(nextRandom() % static_cast<uint64_t>(hi - lo + 1));
}

bool chance(double p) { return static_cast<double>(nextRandom() >> 11) * 0x1.0p-53 < p; }

[[noreturn]] void fail(const std::string& message) {
  std::fprintf(stderr, "make_listing: %s\n", message.c_str());
  std::exit(2);
}

void printHelp() {
  std::printf(
      "make_listing [flags]: writes a synthetic CDS listing to standard output.\n"
      "  --cds N               CDSs in all (100000)\n"
      "  --files N             source files, up to 99999 (25)\n"
      "  --contigs N           contigs per file (3)\n"
      "  --genes N             gene names in the pool shared by all contigs (5000)\n"
      "  --listings N          most listings of one gene (4)\n"
      "  --repeat-fraction P   share of genes listed more than once (0.2)\n"
      "  --max-segments N      most segments of one CDS, 1..500; each CDS draws 1..N (4)\n"
      "  --seed N              random seed (1)\n"
      "  --bed PATH            also write the CDSs as BED, sorted as by\n"
      "                        LC_ALL=C sort -k1,1 -k2,2n\n");
}

int64_t parseCount(std::string_view flag, std::string_view text, int64_t lo, int64_t hi) {
  int64_t value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < lo || value > hi)
    fail(std::string(flag) + " wants a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return value;
}

Options parseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      printHelp();
      std::exit(0);
    }
    if (i + 1 >= argc) fail("unknown flag or missing value: " + std::string(flag));
    std::string_view value = argv[++i];
    if (flag == "--cds") o.nCds = parseCount(flag, value, 1, INT32_MAX);
    else if (flag == "--files") o.nFiles = parseCount(flag, value, 1, 99999);
    else if (flag == "--contigs") o.contigsPerFile = parseCount(flag, value, 1, INT32_MAX);
    else if (flag == "--genes") o.nGeneNames = parseCount(flag, value, 1, INT32_MAX);
    else if (flag == "--listings") o.maxListings = parseCount(flag, value, 1, 1000000);
    else if (flag == "--max-segments") o.maxSegments = parseCount(flag, value, 1, MAX_SEGMENTS);
    else if (flag == "--seed") o.seed = static_cast<uint64_t>(parseCount(flag, value, 0, INT64_MAX));
    else if (flag == "--bed") o.bedPath = value;
    else if (flag == "--repeat-fraction") {
      char* end = nullptr;
      std::string text(value);
      o.repeatFraction = std::strtod(text.c_str(), &end);
      if (end != text.c_str() + text.size() || !(o.repeatFraction >= 0 && o.repeatFraction <= 1))
        fail("--repeat-fraction wants a number from 0 to 1");
    } else {
      fail("unknown flag: " + std::string(flag));
    }
  }
  // Every contig gets a CDS; that also keeps the share arithmetic in main
  // within 64 bits.
  if (o.nFiles * o.contigsPerFile > o.nCds) fail("--files times --contigs must not exceed --cds");
  return o;
}

// Short names in the style of bacterial genes (thrA, dnaK): three small
// letters and a capital give 456,976 names; a larger pool numbers the rest.
std::string geneName(int64_t index) {
  std::string name;
  int64_t k = index % 456976;
  name += static_cast<char>('a' + k / 17576);
  name += static_cast<char>('a' + k / 676 % 26);
  name += static_cast<char>('a' + k / 26 % 26);
  name += static_cast<char>('A' + k % 26);
  if (index >= 456976) name += "_" + std::to_string(index / 456976);
  return name;
}

// Zero-padded so that byte order of the BED chromosome names follows the
// file numbers.
std::string fileName(int64_t index) {
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, "genome%05lld.gb", static_cast<long long>(index + 1));
  return buffer;
}

// Exons and introns of a new locus starting at `start`. Single-segment genes
// get the lengths of bacterial genes; spliced ones shorter exons.
std::vector<Segment> layOutSegments(int64_t start, int64_t nSegments) {
  std::vector<Segment> segments;
  int64_t at = start;
  for (int64_t s = 0; s < nSegments; ++s) {
    if (s > 0) at += uniform(40, 400);  // intron
    int64_t length = nSegments == 1 ? uniform(150, 3000) : uniform(30, 400);
    segments.push_back({at, at + length - 1});
    at += length;
  }
  return segments;
}

// Another CDS of the same gene: an exon skipped, or the start codon moved
// (at the low end, or at the high end for a gene on the complement strand).
// When neither fits, the copy stays identical, which tarn2 must then merge.
std::vector<Segment> alternativeOf(const std::vector<Segment>& original, bool complement) {
  std::vector<Segment> alt = original;
  if (alt.size() >= 3 && chance(0.5)) {
    alt.erase(alt.begin() + uniform(1, static_cast<int64_t>(alt.size()) - 2));
    return alt;
  }
  int64_t shift = 3 * uniform(1, 20);
  Segment& edge = complement ? alt.back() : alt.front();
  if (edge.end - edge.start + 1 > shift + 3) {
    if (complement) edge.end -= shift;
    else edge.start += shift;
  } else if (!complement && edge.start > shift) {
    edge.start -= shift;  // too short to trim: lengthen instead
  } else if (complement && edge.end + shift <= MAX_POSITION) {
    edge.end += shift;
  }
  return alt;
}

void appendNumber(std::string& out, int64_t value) {
  char digits[24];
  auto result = std::to_chars(digits, digits + sizeof digits, value);
  out.append(digits, result.ptr);
}

// Feature-table notation, partial marks beside the outermost positions:
// complement(join(<1..100,200..>300)).
void appendListing(std::string& out, const Listing& l, const std::string& name, const std::string& file,
                   int64_t contig) {
  out += "#CDS=";
  if (l.complement) out += "complement(";
  if (l.segments.size() > 1) out += "join(";
  for (size_t s = 0; s < l.segments.size(); ++s) {
    if (s > 0) out += ',';
    if (s == 0 && l.partialLeft) out += '<';
    appendNumber(out, l.segments[s].start);
    out += "..";
    if (s + 1 == l.segments.size() && l.partialRight) out += '>';
    appendNumber(out, l.segments[s].end);
  }
  if (l.segments.size() > 1) out += ')';
  if (l.complement) out += ')';
  out += "\n#gene=";
  out += name;
  out += "\n#file=";
  out += file;
  out += "\n#contig=";
  appendNumber(out, contig);
  out += "\nend\n";
}

void writeAll(std::FILE* f, std::string& buffer, const char* what) {
  if (!buffer.empty() && std::fwrite(buffer.data(), 1, buffer.size(), f) != buffer.size())
    fail(std::string("cannot write the ") + what);
  buffer.clear();
}

struct BedBlock {
  std::string chrom;
  std::string lines;
};

struct Totals {
  int64_t cds = 0;
  int64_t genes = 0;        // distinct (gene, file, contig) triples
  int64_t loci = 0;
  int64_t repeated = 0;     // genes listed more than once
  int64_t identical = 0;    // later listings equal to the gene's first
  int64_t alternative = 0;  // later listings with a changed segment list
  int64_t complement = 0;
  int64_t partial = 0;
  int64_t joined = 0;       // CDSs of more than one segment
  int64_t overlaps = 0;     // loci starting before the previous one ends
  int64_t lastPosition = 0;
};

// Makes the `target` CDSs of one contig in listing order.
std::vector<Listing> makeContig(const Options& o, int64_t target, Totals& t, int64_t& serial,
                                std::vector<int64_t>& namesUsed) {
  std::vector<Listing> listings;
  int64_t nameAt = uniform(0, o.nGeneNames - 1);
  int64_t previousEnd = 0;
  int64_t made = 0;
  for (int64_t locus = 0; made < target; ++locus) {
    int64_t start;
    if (previousEnd > 0 && chance(0.08)) {
      start = std::max<int64_t>(1, previousEnd - uniform(1, 60));
      ++t.overlaps;
    } else if (chance(0.001)) {
      start = previousEnd + uniform(100000, 15000000);
    } else if (chance(0.05)) {
      start = previousEnd + uniform(1000, 20000);
    } else {
      start = previousEnd + uniform(1, 400);
    }
    Listing first{};
    first.orderKey = static_cast<double>(locus);
    first.serial = serial++;
    first.nameIndex = nameAt;
    nameAt = (nameAt + 1) % o.nGeneNames;
    first.complement = chance(0.5);
    // Partial CDSs mostly run off the ends of a contig.
    first.partialLeft = chance(locus == 0 ? 0.5 : 0.01);
    first.segments = layOutSegments(start, uniform(1, o.maxSegments));
    previousEnd = first.segments.back().end;
    if (previousEnd > MAX_POSITION)
      fail("a contig outgrew position 2147483647: give more --files or --contigs");
    t.lastPosition = std::max(t.lastPosition, previousEnd);
    ++t.loci;
    namesUsed.push_back(first.nameIndex);

    int64_t nListings = 1;
    if (o.maxListings > 1 && chance(o.repeatFraction)) nListings = uniform(2, o.maxListings);
    nListings = std::min(nListings, target - made);
    if (made + nListings == target) first.partialRight = chance(0.5);
    else first.partialRight = chance(0.01);
    if (nListings > 1) ++t.repeated;
    for (int64_t k = 1; k < nListings; ++k) {
      Listing later = first;
      later.orderKey = static_cast<double>(locus) + 0.5 + static_cast<double>(uniform(0, 8));
      later.serial = serial++;
      if (chance(0.5)) {
        later.segments = alternativeOf(first.segments, first.complement);
        ++t.alternative;
      } else {
        ++t.identical;
      }
      listings.push_back(std::move(later));
    }
    listings.push_back(std::move(first));
    made += nListings;
  }
  std::sort(listings.begin(), listings.end(), [](const Listing& a, const Listing& b) {
    return a.orderKey != b.orderKey ? a.orderKey < b.orderKey : a.serial < b.serial;
  });
  return listings;
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parseOptions(argc, argv);
  rngState = o.seed;
  const int64_t nContigs = o.nFiles * o.contigsPerFile;

  std::FILE* bed = nullptr;
  if (!o.bedPath.empty() && (bed = std::fopen(o.bedPath.c_str(), "w")) == nullptr)
    fail("cannot open " + o.bedPath);
  std::vector<BedBlock> bedBlocks;

  // Names are made once; 1,000,000 loci would otherwise format as many strings.
  std::vector<std::string> names(static_cast<size_t>(o.nGeneNames));
  for (int64_t k = 0; k < o.nGeneNames; ++k) names[static_cast<size_t>(k)] = geneName(k);

  Totals t;
  int64_t serial = 0;
  std::string out;
  std::vector<int64_t> namesUsed;
  for (int64_t q = 0; q < nContigs; ++q) {
    // An even share for each contig, the rounding spread so the sum is exact.
    const int64_t target = o.nCds * (q + 1) / nContigs - o.nCds * q / nContigs;
    const std::string file = fileName(q / o.contigsPerFile);
    const int64_t contig = q % o.contigsPerFile + 1;
    namesUsed.clear();
    std::vector<Listing> listings = makeContig(o, target, t, serial, namesUsed);

    std::sort(namesUsed.begin(), namesUsed.end());
    t.genes += std::unique(namesUsed.begin(), namesUsed.end()) - namesUsed.begin();
    for (const Listing& l : listings) {
      const std::string& name = names[static_cast<size_t>(l.nameIndex)];
      appendListing(out, l, name, file, contig);
      t.complement += l.complement;
      t.partial += l.partialLeft || l.partialRight;
      t.joined += l.segments.size() > 1;
    }
    t.cds += static_cast<int64_t>(listings.size());
    if (out.size() >= (1 << 20)) writeAll(stdout, out, "listing");

    if (bed != nullptr) {
      // Within a contig: by start, then by the whole line as bytes, which is
      // where sort falls back to when its keys tie.
      BedBlock block{file + "_" + std::to_string(contig), {}};
      std::vector<std::pair<int64_t, std::string>> lines;
      lines.reserve(listings.size());
      for (const Listing& l : listings) {
        std::string line = block.chrom;
        line += '\t';
        appendNumber(line, l.segments.front().start - 1);
        line += '\t';
        appendNumber(line, l.segments.back().end);
        line += '\t';
        line += names[static_cast<size_t>(l.nameIndex)];
        line += '\n';
        lines.emplace_back(l.segments.front().start, std::move(line));
      }
      std::sort(lines.begin(), lines.end());
      for (const auto& line : lines) block.lines += line.second;
      bedBlocks.push_back(std::move(block));
    }
  }
  writeAll(stdout, out, "listing");
  if (std::fflush(stdout) != 0) fail("cannot write the listing");

  if (bed != nullptr) {
    // Byte order of the chromosome names, as sort does under LC_ALL=C.
    std::sort(bedBlocks.begin(), bedBlocks.end(),
              [](const BedBlock& a, const BedBlock& b) { return a.chrom < b.chrom; });
    for (BedBlock& block : bedBlocks) writeAll(bed, block.lines, "BED file");
    if (std::fclose(bed) != 0) fail("cannot write " + o.bedPath);
  }

  std::fprintf(stderr,
               "cds=%lld genes=%lld loci=%lld repeated_genes=%lld identical_repeats=%lld "
               "alternative_listings=%lld complement=%lld partial=%lld joined=%lld overlaps=%lld "
               "highest_position=%lld\n",
               static_cast<long long>(t.cds), static_cast<long long>(t.genes), static_cast<long long>(t.loci),
               static_cast<long long>(t.repeated), static_cast<long long>(t.identical),
               static_cast<long long>(t.alternative), static_cast<long long>(t.complement),
               static_cast<long long>(t.partial), static_cast<long long>(t.joined),
               static_cast<long long>(t.overlaps), static_cast<long long>(t.lastPosition));
  return 0;
}
