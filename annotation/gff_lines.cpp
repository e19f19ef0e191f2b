#include "annotation/gff.h"
#include "annotation/gff_attributes.h"

#include <cstring>
#include <limits>
#include <unordered_map>

namespace {

constexpr int COLUMNS = 9;

bool parseNumber(std::string_view digits, int64_t& value) {
  if (digits.empty()) return false;
  value = 0;
  for (char c : digits) {
    if (c < '0' || c > '9') return false;
    if (value > (std::numeric_limits<int64_t>::max() - (c - '0')) / 10) return false;
    value = value * 10 + (c - '0');
  }
  return true;
}

// Why a start or end column is refused; empty when it is a number.
const char* numberProblem(std::string_view digits, int64_t& value) {
  if (parseNumber(digits, value)) return "";
  for (char c : digits)
    if (c < '0' || c > '9') return "is not a number";
  return digits.empty() ? "is not a number" : "is too large";
}

struct Parser {
  GffDialect dialect;
  GffBlock& out;
  std::unordered_map<std::string_view, uint32_t> seqidIndex;  // views into the text parsed
  std::string_view lastSeqid;
  uint32_t lastIndex = UINT32_MAX;

  GffText keep(std::string_view value, bool decode) {
    GffText kept{out.text.size(), 0};
    if (decode) appendPercentDecoded(value, out.text);
    else out.text.append(value);
    kept.size = out.text.size() - kept.offset;
    return kept;
  }

  uint32_t seqid(std::string_view name) {
    if (lastIndex != UINT32_MAX && name == lastSeqid) return lastIndex;
    auto [it, added] = seqidIndex.try_emplace(name, static_cast<uint32_t>(out.seqids.size()));
    if (added) out.seqids.push_back(keep(name, false));
    lastSeqid = name;
    return lastIndex = it->second;
  }

  void fail(int64_t line, std::string message) {
    out.error.line = line;
    out.error.message = std::move(message);
  }

  // Reads a start and end column; false after an error.
  bool positions(int64_t line, std::string_view what, std::string_view start, std::string_view end, int64_t& first,
                 int64_t& last) {
    if (const char* problem = numberProblem(start, first); *problem)
      return fail(line, std::string(what) + " start " + problem), false;
    if (const char* problem = numberProblem(end, last); *problem)
      return fail(line, std::string(what) + " end " + problem), false;
    if (first > last) return fail(line, std::string(what) + " start is after its end"), false;
    return true;
  }

  void sequenceRegion(std::string_view line) {
    // "##sequence-region ID START END", blanks between.
    std::string_view words[4];
    size_t at = 0;
    for (std::string_view& word : words) {
      while (at < line.size() && (line[at] == ' ' || line[at] == '\t')) ++at;
      const size_t from = at;
      while (at < line.size() && line[at] != ' ' && line[at] != '\t') ++at;
      word = line.substr(from, at - from);
    }
    int64_t end = 0;
    if (words[0] == "##sequence-region" && !words[1].empty() && parseNumber(words[3], end))
      out.regions.push_back({keep(words[1], false), end, false, true});
  }

  // Reads one line; false when the features end with it.
  bool parse(std::string_view text, int64_t line) {
    if (text.empty()) return true;
    if (text[0] == '#') {
      if (text.starts_with("##FASTA")) return out.fastaSeen = true, false;
      if (text.starts_with("##sequence-region")) sequenceRegion(text);
      return true;
    }
    if (text[0] == '>') return out.fastaSeen = true, false;
    std::string_view columns[COLUMNS];
    int64_t n = 0;
    for (size_t at = 0;;) {
      const size_t tab = text.find('\t', at);
      const size_t end = tab == std::string_view::npos ? text.size() : tab;
      if (n < COLUMNS) columns[n] = text.substr(at, end - at);
      ++n;
      if (tab == std::string_view::npos) break;
      at = tab + 1;
    }
    const bool isCds = n >= 3 && columns[2] == "CDS";
    if (n != COLUMNS) {
      fail(line, std::string(isCds ? "CDS" : "feature") + " line has " + std::to_string(n) +
                     (n == 1 ? " column" : " columns") + ", want 9");
      return false;
    }
    const uint32_t seq = seqid(columns[0]);
    const bool gtf = dialect == GffDialect::GTF;
    if (isCds) {
      GffCdsLine cds;
      cds.line = line;
      cds.seqid = seq;
      if (!positions(line, "CDS", columns[3], columns[4], cds.start, cds.end)) return false;
      const std::string_view strand = columns[6];
      if (strand != "+" && strand != "-" && strand != "." && strand != "?")
        return fail(line, "CDS strand is not +, -, . or ?"), false;
      if (strand == "-") cds.marks |= GFF_MINUS;
      std::string_view id, group, gene, locusTag;
      forEachAttribute(columns[8], gtf, [&](std::string_view key, std::string_view value) {
        std::string_view* slot = nullptr;
        if (gtf ? key == "transcript_id" : key == "Parent") slot = &group;
        else if (gtf ? key == "gene_name" : key == "gene") slot = &gene;
        else if (gtf ? key == "gene_id" : key == "locus_tag") slot = &locusTag;
        else if (!gtf && key == "ID") slot = &id;
        else if (key == "start_range") {
          if (firstValue(value) == ".") cds.marks |= GFF_LOWER_PARTIAL;
        } else if (key == "end_range") {
          const size_t comma = value.find(',');
          if (comma != std::string_view::npos && value.substr(comma + 1) == ".") cds.marks |= GFF_UPPER_PARTIAL;
        } else if (key == "partial" && value.size() == 2) {
          if (value[0] == '1') cds.marks |= GFF_LOWER_PARTIAL;
          if (value[1] == '1') cds.marks |= GFF_UPPER_PARTIAL;
        }
        if (slot != nullptr && slot->data() == nullptr) *slot = gtf ? value : firstValue(value);
      });
      cds.id = keep(id, !gtf);
      cds.group = keep(group, !gtf);
      cds.gene = keep(gene, !gtf);
      cds.locusTag = keep(locusTag, !gtf);
      out.cds.push_back(cds);
      return true;
    }
    const bool isRegion = columns[2] == "region";
    GffRegion region;
    if (isRegion) {
      int64_t start = 0;
      if (!positions(line, "region", columns[3], columns[4], start, region.end)) return false;
    }
    if (gtf && !isRegion) return true;
    std::string_view id, parent, gene, name, locusTag, circular;
    forEachAttribute(columns[8], gtf, [&](std::string_view key, std::string_view value) {
      std::string_view* slot = nullptr;
      if (key == "ID") slot = &id;
      else if (key == "Parent") slot = &parent;
      else if (key == "gene") slot = &gene;
      else if (key == "Name") slot = &name;
      else if (key == "locus_tag") slot = &locusTag;
      else if (key == "Is_circular") slot = &circular;
      if (slot != nullptr && slot->data() == nullptr) *slot = firstValue(value);
    });
    if (isRegion) {
      region.circular = circular == "true";
      region.seqid = out.seqids[seq];
      out.regions.push_back(region);
    }
    if (gtf || id.empty()) return true;
    GffFeature feature;
    feature.line = line;
    feature.isGene = columns[2] == "gene";
    feature.id = keep(id, true);
    feature.parent = keep(parent, true);
    feature.gene = keep(gene, true);
    if (feature.isGene) feature.name = keep(name, true);
    feature.locusTag = keep(locusTag, true);
    out.features.push_back(feature);
    return true;
  }
};

}  // namespace

void parseGffBlock(std::string_view text, GffDialect dialect, GffBlock& out) {
  out = GffBlock();
  Parser parser{dialect, out, {}, {}, UINT32_MAX};
  for (size_t at = 0; at < text.size();) {
    const void* feed = std::memchr(text.data() + at, '\n', text.size() - at);
    const size_t end = feed == nullptr ? text.size() : static_cast<const char*>(feed) - text.data();
    std::string_view line = text.substr(at, end - at);
    if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
    at = end + 1;
    if (!parser.parse(line, ++out.lines)) return;
  }
}
