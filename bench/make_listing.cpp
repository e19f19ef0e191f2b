// make_listing: writes a synthetic, reproducible CDS listing for benchmarking
// tarn2, and optionally the same CDSs as a sorted BED file.
//
// Build: g++ -std=c++20 -O2 -o make_listing bench/make_listing.cpp
// Usage: make_listing [flags] > listing      (run with --help for the flags)
//
// The shape of the data, by --profile:
// - uniform: the CDSs are spread evenly over files x contigs; within a
//   contig, gene loci are laid out left to right with intergenic gaps, a few
//   overlaps with the previous locus, and rarely a gap wider than the
//   10,000,000-base cap the program puts on a reported space. Each contig
//   starts at its own place in the shared pool of --genes names and takes
//   names in turn, so the names on one contig are distinct as long as it has
//   no more loci than the pool has names; past that a name comes back, and
//   tarn2 rightly takes both loci as one gene.
// - genome: a bacterial pan-genome, as users run at millions of CDSs. About
//   4,000 CDSs of about 1 kb a file, 100-base gaps, a few overlaps and joins;
//   a complete genome (a chromosome, a plasmid or two) or a draft of up to
//   --contigs contigs, most CDSs on the first. Every file walks the same pool
//   in order, skipping a few names as strains lack genes; a fixed share of
//   the pool has no name, as unnamed CDSs, so every contig has one large
//   gene of empty name.
// - nested: the worst shape for the neighbour columns and the spaces, --cds
//   genes of names of their own on one contig, each inside the one before
//   (gene k at k+1..2n-k), strands taking turns: every CDS overlaps every
//   other; --files and the other shape flags are ignored.
// - shared-first: the worst case for counting alternatives, one gene listed
//   --cds times, every listing a different CDS with the same first segment:
//   join(1..10,20..30), join(1..10,21..31), ...; --files and the other shape
//   flags are ignored.
// - --interleave alternates 500-CDS blocks of two files (three at the end
//   when the count is odd): no file's CDSs stand together, contigs are
//   split, and the CDSs and the table's entries stay the same.
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
#include <tuple>
#include <utility>
#include <vector>

namespace {

constexpr int64_t MAX_POSITION = 2147483647;  // the largest position tarn2 accepts
constexpr int MAX_SEGMENTS = 500;             // tarn2 refuses a CDS with more
constexpr int64_t BLOCK_CDS = 500;            // CDSs per block that --interleave alternates

// -1: the profile's default, filled in by parseOptions.
struct Options {
  int64_t nCds = 100000;
  int64_t nFiles = -1;
  int64_t contigsPerFile = -1;  // genome: the most of one file
  int64_t nGeneNames = -1;
  int64_t maxListings = -1;
  double repeatFraction = -1;
  double unnamedFraction = -1;
  int64_t maxSegments = -1;
  uint64_t seed = 1;
  bool genome = false;
  bool sharedFirst = false;
  bool nested = false;
  bool interleave = false;
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
  std::fputs(
      "make_listing [flags]: writes a synthetic CDS listing to standard output.\n"
      "Defaults are given as uniform / genome profile.\n"
      "  --profile NAME        uniform, genome, shared-first or nested (uniform)\n"
      "  --interleave          alternate blocks of different files\n"
      "  --cds N               CDSs in all (100000)\n"
      "  --files N             source files, up to 99999 (25 / one per 4,000 CDSs)\n"
      "  --contigs N           contigs per file / most contigs of a file (3 / 75)\n"
      "  --genes N             gene names in the pool shared by all contigs (5000 / 4200)\n"
      "  --unnamed P           share of the pool with an empty name (0 / 0.3)\n"
      "  --listings N          most listings of one gene (4 / 2)\n"
      "  --repeat-fraction P   share of genes listed more than once (0.2 / 0.01)\n"
      "  --max-segments N      most segments of one CDS, 1..500 (4 / 2); uniform draws\n"
      "                        1..N, genome joins 2% of CDSs\n"
      "  --seed N              random seed (1)\n"
      "  --bed PATH            also write the CDSs as BED, sorted as by sort-bed\n"
      "                        and LC_ALL=C sort -k1,1 -k2,2n -k3,3n\n",
      stdout);
}

int64_t parseCount(std::string_view flag, std::string_view text, int64_t lo, int64_t hi) {
  int64_t value = 0;
  auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  if (result.ec != std::errc() || result.ptr != text.data() + text.size() || value < lo || value > hi)
    fail(std::string(flag) + " wants a whole number from " + std::to_string(lo) + " to " + std::to_string(hi));
  return value;
}

double parseFraction(std::string_view flag, std::string_view value) {
  char* end = nullptr;
  std::string text(value);
  double p = std::strtod(text.c_str(), &end);
  if (end != text.c_str() + text.size() || !(p >= 0 && p <= 1)) fail(std::string(flag) + " wants a number from 0 to 1");
  return p;
}

Options parseOptions(int argc, char** argv) {
  Options o;
  for (int i = 1; i < argc; ++i) {
    std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      printHelp();
      std::exit(0);
    }
    if (flag == "--interleave") {
      o.interleave = true;
      continue;
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
    else if (flag == "--repeat-fraction") o.repeatFraction = parseFraction(flag, value);
    else if (flag == "--unnamed") o.unnamedFraction = parseFraction(flag, value);
    else if (flag == "--profile" &&
             (value == "uniform" || value == "genome" || value == "shared-first" || value == "nested")) {
      o.genome = value == "genome";
      o.sharedFirst = value == "shared-first";
      o.nested = value == "nested";
    }
    else fail("unknown flag or value: " + std::string(flag) + " " + std::string(value));
  }
  auto orDefault = [&o](auto& field, auto uniformValue, auto genomeValue) {
    if (field < 0) field = o.genome ? genomeValue : uniformValue;
  };
  orDefault(o.nFiles, 25, std::clamp<int64_t>((o.nCds + 2000) / 4000, 1, 99999));
  orDefault(o.contigsPerFile, 3, 75);
  orDefault(o.nGeneNames, 5000, 4200);
  orDefault(o.maxListings, 4, 2);
  orDefault(o.repeatFraction, 0.2, 0.01);
  orDefault(o.unnamedFraction, 0.0, 0.3);
  orDefault(o.maxSegments, 4, 2);
  if (o.sharedFirst || o.nested) o.nFiles = o.contigsPerFile = 1;
  // Every contig gets a CDS; that also keeps the share arithmetic in main
  // within 64 bits.
  if ((o.genome ? o.nFiles : o.nFiles * o.contigsPerFile) > o.nCds)
    fail(o.genome ? "--files must not exceed --cds" : "--files times --contigs must not exceed --cds");
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
// get the lengths of bacterial genes, for the genome profile skewed as theirs
// are (the least of three draws: 300..3000, mean near 1,000); spliced ones
// shorter exons.
std::vector<Segment> layOutSegments(int64_t start, int64_t nSegments, bool genome) {
  std::vector<Segment> segments;
  int64_t at = start;
  for (int64_t s = 0; s < nSegments; ++s) {
    if (s > 0) at += uniform(40, 400);  // intron
    int64_t length = nSegments > 1 ? uniform(30, 400)
                     : genome      ? 300 + 3 * std::min({uniform(0, 900), uniform(0, 900), uniform(0, 900)})
                                   : uniform(150, 3000);
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

// Splits a file's `target` CDSs over its contigs.
std::vector<int64_t> splitFile(const Options& o, int64_t target) {
  if (!o.genome) {
    std::vector<int64_t> shares(static_cast<size_t>(o.contigsPerFile));
    for (int64_t c = 0; c < o.contigsPerFile; ++c)
      shares[static_cast<size_t>(c)] = target * (c + 1) / o.contigsPerFile - target * c / o.contigsPerFile;
    return shares;
  }
  int64_t most = std::min(target, o.contigsPerFile);
  int64_t k = chance(0.3) ? uniform(1, std::min<int64_t>(3, most)) : uniform(1, most);
  // The chromosome takes 60..95%; every other contig one CDS, then the rest
  // at random, the earlier contigs (the larger plasmids, the longer draft
  // contigs) favoured.
  std::vector<int64_t> shares(static_cast<size_t>(k), 1);
  shares[0] = k == 1 ? target : std::clamp<int64_t>(target * uniform(60, 95) / 100, 1, target - (k - 1));
  for (int64_t rest = target - shares[0] - (k - 1); rest > 0; --rest)
    ++shares[static_cast<size_t>(std::min(uniform(1, k - 1), uniform(1, k - 1)))];
  return shares;
}

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
  int64_t unnamed = 0;      // CDSs of empty gene name
  int64_t contigs = 0;
  int64_t overlaps = 0;     // loci starting before the previous one ends
  int64_t lastPosition = 0;
};

// Whether pool name `index` is empty. A fixed share of the pool, the same
// for every file, is picked by the golden-ratio sequence, whose fractions
// are spread evenly.
bool isUnnamed(const Options& o, int64_t index) {
  return static_cast<double>(static_cast<uint64_t>(index) * 0x9e3779b97f4a7c15ULL) < o.unnamedFraction * 0x1.0p64;
}

// Makes the `target` CDSs of one contig in listing order, taking names from
// the pool at `nameAt`. Every empty name is nameIndex nGeneNames, so that
// namesUsed counts them as the one name they are.
std::vector<Listing> makeContig(const Options& o, int64_t target, Totals& t, int64_t& serial,
                                std::vector<int64_t>& namesUsed, int64_t& nameAt) {
  std::vector<Listing> listings;
  int64_t previousEnd = 0;
  int64_t made = 0;
  for (int64_t locus = 0; made < target; ++locus) {
    int64_t start;
    if (previousEnd > 0 && chance(o.genome ? 0.03 : 0.08)) {
      start = std::max<int64_t>(1, previousEnd - uniform(1, 60));
      ++t.overlaps;
    } else if (!o.genome && chance(0.001)) {
      start = previousEnd + uniform(100000, 15000000);
    } else if (chance(o.genome ? 0.01 : 0.05)) {
      start = previousEnd + uniform(1000, 20000);
    } else {
      start = previousEnd + uniform(1, o.genome ? 200 : 400);
    }
    Listing first{};
    first.orderKey = static_cast<double>(locus);
    first.serial = serial++;
    first.nameIndex = isUnnamed(o, nameAt) ? o.nGeneNames : nameAt;
    nameAt = (nameAt + (o.genome && chance(0.02) ? uniform(2, 4) : 1)) % o.nGeneNames;
    first.complement = chance(0.5);
    // Partial CDSs mostly run off the ends of a contig.
    first.partialLeft = chance(locus == 0 ? 0.5 : o.genome ? 0 : 0.01);
    int64_t nSegments = !o.genome ? uniform(1, o.maxSegments) : o.maxSegments > 1 && chance(0.02) ? uniform(2, o.maxSegments) : 1;
    first.segments = layOutSegments(start, nSegments, o.genome);
    previousEnd = first.segments.back().end;
    if (previousEnd > MAX_POSITION)
      fail("a contig outgrew position 2147483647: give more --files or --contigs");
    t.lastPosition = std::max(t.lastPosition, previousEnd);
    ++t.loci;
    namesUsed.push_back(first.nameIndex);

    int64_t nListings = 1;
    if (o.maxListings > 1 && chance(o.repeatFraction)) nListings = uniform(2, o.maxListings);
    nListings = std::min(nListings, target - made);
    first.partialRight = chance(made + nListings == target ? 0.5 : o.genome ? 0 : 0.01);
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

void writeNested(const Options& o) {
  std::string out;
  Listing l{};
  for (int64_t k = 0; k < o.nCds; ++k) {
    l.segments = {{k + 1, 2 * o.nCds - k}};
    l.complement = k % 2 == 1;
    appendListing(out, l, geneName(k), fileName(0), 1);
    if (out.size() > (1 << 20)) writeAll(stdout, out, "listing");
  }
  writeAll(stdout, out, "listing");
  if (std::fflush(stdout) != 0) fail("cannot write the listing");
  std::fprintf(stderr, "cds=%lld genes=%lld\n", static_cast<long long>(o.nCds), static_cast<long long>(o.nCds));
}

void writeSharedFirst(const Options& o) {
  std::string out;
  Listing l{};
  for (int64_t k = 0; k < o.nCds; ++k) {
    l.segments = {{1, 10}, {20 + k, 30 + k}};
    appendListing(out, l, "altA", fileName(0), 1);
    if (out.size() > (1 << 20)) writeAll(stdout, out, "listing");
  }
  writeAll(stdout, out, "listing");
  if (std::fflush(stdout) != 0) fail("cannot write the listing");
  std::fprintf(stderr, "cds=%lld genes=1 alternative_listings=%lld\n", static_cast<long long>(o.nCds),
               static_cast<long long>(o.nCds - 1));
}

}  // namespace

int main(int argc, char** argv) {
  const Options o = parseOptions(argc, argv);
  if (o.sharedFirst) {
    writeSharedFirst(o);
    return 0;
  }
  if (o.nested) {
    writeNested(o);
    return 0;
  }
  rngState = o.seed;

  std::FILE* bed = nullptr;
  if (!o.bedPath.empty() && (bed = std::fopen(o.bedPath.c_str(), "w")) == nullptr)
    fail("cannot open " + o.bedPath);

  // Names are made once; 1,000,000 loci would otherwise format as many
  // strings. The last one is the empty name.
  std::vector<std::string> names(static_cast<size_t>(o.nGeneNames) + 1);
  for (int64_t k = 0; k < o.nGeneNames; ++k) names[static_cast<size_t>(k)] = geneName(k);

  Totals t;
  int64_t serial = 0;
  std::vector<int64_t> namesUsed;
  // The text of each file waiting to be written, in blocks of BLOCK_CDS
  // CDSs: one file at a time, or the few that --interleave alternates, so
  // memory does not grow with the listing.
  std::vector<std::vector<std::string>> group;
  for (int64_t f = 0; f < o.nFiles; ++f) {
    const std::string file = fileName(f);
    const std::vector<int64_t> shares = splitFile(o, o.nCds * (f + 1) / o.nFiles - o.nCds * f / o.nFiles);
    std::vector<std::string>& blocks = group.emplace_back(1);
    std::vector<BedBlock> bedBlocks;
    int64_t nameAt = 0;
    int64_t inBlock = 0;
    for (size_t c = 0; c < shares.size(); ++c) {
      const int64_t contig = static_cast<int64_t>(c) + 1;
      if (!o.genome) nameAt = uniform(0, o.nGeneNames - 1);
      namesUsed.clear();
      std::vector<Listing> listings = makeContig(o, shares[c], t, serial, namesUsed, nameAt);
      std::sort(namesUsed.begin(), namesUsed.end());
      t.genes += std::unique(namesUsed.begin(), namesUsed.end()) - namesUsed.begin();
      ++t.contigs;
      for (const Listing& l : listings) {
        if (inBlock++ == BLOCK_CDS) {
          blocks.emplace_back();
          inBlock = 1;
        }
        appendListing(blocks.back(), l, names[static_cast<size_t>(l.nameIndex)], file, contig);
        t.complement += l.complement;
        t.partial += l.partialLeft || l.partialRight;
        t.joined += l.segments.size() > 1;
        t.unnamed += l.nameIndex == o.nGeneNames;
      }
      t.cds += static_cast<int64_t>(listings.size());
      if (bed == nullptr) continue;
      // Within a contig: by start, end, then the whole line as bytes, which
      // is where sort falls back to when its keys tie.
      BedBlock block{file + "_" + std::to_string(contig), {}};
      std::vector<std::tuple<int64_t, int64_t, std::string>> lines;
      lines.reserve(listings.size());
      for (const Listing& l : listings) {
        const int64_t start = l.segments.front().start, end = l.segments.back().end;
        lines.emplace_back(start, end,
                           block.chrom + '\t' + std::to_string(start - 1) + '\t' + std::to_string(end) + '\t' +
                               (l.nameIndex == o.nGeneNames ? "." : names[static_cast<size_t>(l.nameIndex)]) + '\n');
      }
      std::sort(lines.begin(), lines.end());
      for (const auto& line : lines) block.lines += std::get<2>(line);
      bedBlocks.push_back(std::move(block));
    }
    // Byte order of the chromosome names, as sort does under LC_ALL=C; the
    // zero-padded file names keep the files in order.
    std::sort(bedBlocks.begin(), bedBlocks.end(),
              [](const BedBlock& a, const BedBlock& b) { return a.chrom < b.chrom; });
    for (BedBlock& block : bedBlocks) writeAll(bed, block.lines, "BED file");

    // Two files a group, three for the last when the count is odd, so that
    // no file is left to stand alone.
    if (o.interleave && f + 1 < o.nFiles && (group.size() < 2 || o.nFiles - f - 1 == 1)) continue;
    size_t most = 0;
    for (const auto& fileBlocks : group) most = std::max(most, fileBlocks.size());
    for (size_t b = 0; b < most; ++b)
      for (auto& fileBlocks : group)
        if (b < fileBlocks.size()) writeAll(stdout, fileBlocks[b], "listing");
    group.clear();
  }
  if (std::fflush(stdout) != 0) fail("cannot write the listing");
  if (bed != nullptr && std::fclose(bed) != 0) fail("cannot write " + o.bedPath);

  const std::pair<const char*, int64_t> counts[] = {
      {"cds", t.cds}, {"genes", t.genes}, {"files", o.nFiles}, {"contigs", t.contigs}, {"loci", t.loci},
      {"repeated_genes", t.repeated}, {"identical_repeats", t.identical}, {"alternative_listings", t.alternative},
      {"complement", t.complement}, {"partial", t.partial}, {"joined", t.joined}, {"unnamed", t.unnamed},
      {"overlaps", t.overlaps}, {"highest_position", t.lastPosition}};
  for (const auto& [key, value] : counts)
    std::fprintf(stderr, "%s%s=%lld", key == counts[0].first ? "" : " ", key, static_cast<long long>(value));
  std::fputc('\n', stderr);
  return 0;
}
