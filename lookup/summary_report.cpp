#include "lookup/summary_report.h"

#include "lookup/table_format.h"

#include <string_view>

namespace {

// A column of the summary table: its name in the header line, and what
// MultiQC shows of it.
struct Column {
  const char* name;
  const char* title;
  const char* description;
};

// Every column after "file" holds a count or a number of bases.
constexpr Column SUMMARY_COLUMNS[] = {
    {"contigs", "Contigs", "Distinct contig numbers of the CDSs of the file"},
    {"cds", "CDSs", "CDSs listed"},
    {"genes", "Genes", "Genes: entries of the lookup table"},
    {"multi_listed", "Multi-listed", "Genes listed more than once"},
    {"with_alternatives", "With alternatives", "Genes with an alternative CDS"},
    {"partial_cds", "Partial CDSs", "CDSs with a < or > in their location"},
    {"cds_without_segments", "No segments", "CDSs whose location holds no complete segment"},
    {"overlapping_genes", "Overlapping", "Genes overlapping another gene on either side"},
    {"abutting_genes", "Abutting", "Genes abutting another gene on either side, overlapping none"},
    {"isolated_genes", "Isolated", "Genes with no other gene within 10,000,000 bases on either side"},
    {"gap_q1", "Gap Q1", "Bases after a gene to the next gene: first quartile (nearest rank) over the genes that have a next gene"},
    {"gap_median", "Gap median", "Bases after a gene to the next gene: median (nearest rank)"},
    {"gap_q3", "Gap Q3", "Bases after a gene to the next gene: third quartile (nearest rank)"},
};

// MultiQC reads the YAML of the leading '#' lines: the section, the plot and
// the columns. "file_format" spares it guessing from the first lines, which
// a file name holding commas could mislead.
constexpr std::string_view SUMMARY_HEAD =
    "# id: 'tarn2_summary'\n"
    "# section_name: 'TARN2 source files'\n"
    "# description: 'CDSs and genes of each source file of the listing, and the bases between neighbouring genes.'\n"
    "# plot_type: 'table'\n"
    "# file_format: 'tsv'\n"
    "# pconfig:\n"
    "#     id: 'tarn2_summary_table'\n"
    "#     title: 'TARN2: source files'\n"
    "#     sortRows: false\n"
    "# headers:\n";

constexpr std::string_view GAPS_HEAD =
    "# id: 'tarn2_gaps'\n"
    "# section_name: 'TARN2 gaps between genes'\n"
    "# description: 'Genes of each source file by the bases from the gene to the next gene on its contig: "
    "overlap is -1, abutting 0, none no next gene within 10,000,000 bases.'\n"
    "# plot_type: 'bargraph'\n"
    "# file_format: 'tsv'\n"
    "# pconfig:\n"
    "#     id: 'tarn2_gaps_plot'\n"
    "#     title: 'TARN2: gaps between genes'\n"
    "#     ylab: 'Genes'\n"
    "#     cpswitch_counts_label: 'Genes'\n"
    "# categories:\n";

constexpr std::string_view STRAND_GAPS_HEAD =
    "# id: 'tarn2_strand_gaps'\n"
    "# section_name: 'TARN2 gaps on the same strand'\n"
    "# description: 'Genes of each source file by the bases from the gene to the next gene on the same strand of "
    "its contig, on around the origin of a circular contig of known length: overlap >4 is an overlap of more than 4 "
    "bases, overlap 1-4 of 1 to 4 bases, 0 is abutting, none no next gene on that strand.'\n"
    "# plot_type: 'bargraph'\n"
    "# file_format: 'tsv'\n"
    "# pconfig:\n"
    "#     id: 'tarn2_strand_gaps_plot'\n"
    "#     title: 'TARN2: gaps to the next gene on the same strand'\n"
    "#     ylab: 'Genes'\n"
    "#     cpswitch_counts_label: 'Genes'\n"
    "# categories:\n";

void putName(std::string& out, std::string_view name) {
  const size_t at = out.size();
  out.resize(at + 2 * name.size());
  out.resize(static_cast<size_t>(putEscaped(out.data() + at, name) - out.data()));
}

void putCell(std::string& out, int64_t value) { out.append("\t").append(std::to_string(value)); }

// A stacked bar per file: one category per bin, in the order given.
template <size_t N>
std::string renderBars(std::string_view head, const std::array<const char*, N>& labels,
                       std::array<int64_t, N> FileSummary::*counts, const std::vector<FileSummary>& summaries) {
  std::string out(head);
  for (const char* label : labels) out.append("#     '").append(label).append("':\n#         name: '").append(label).append("'\n");
  out.append("file");
  for (const char* label : labels) out.append("\t").append(label);
  out.append("\n");
  for (const FileSummary& s : summaries) {
    putName(out, s.file);
    for (int64_t count : s.*counts) putCell(out, count);
    out.append("\n");
  }
  return out;
}

}  // namespace

std::string renderSummaryTable(const std::vector<FileSummary>& summaries) {
  std::string out(SUMMARY_HEAD);
  int placement = 0;  // MultiQC orders the columns by name otherwise
  for (const Column& c : SUMMARY_COLUMNS) {
    out.append("#     ").append(c.name).append(":\n");
    out.append("#         placement: ").append(std::to_string(placement += 10)).append("\n");
    out.append("#         title: '").append(c.title).append("'\n");
    out.append("#         description: '").append(c.description).append("'\n");
    out.append("#         format: '{:,.0f}'\n");
  }
  out.append("file");
  for (const Column& c : SUMMARY_COLUMNS) out.append("\t").append(c.name);
  out.append("\n");
  for (const FileSummary& s : summaries) {
    putName(out, s.file);
    for (int64_t value : {s.contigs, s.cds, s.genes, s.multiListed, s.withAlternatives, s.partialCds,
                          s.cdsWithoutSegments, s.overlappingGenes, s.abuttingGenes, s.isolatedGenes})
      putCell(out, value);
    if (s.nGaps > 0) {
      for (int64_t value : {s.gapQ1, s.gapMedian, s.gapQ3}) putCell(out, value);
    } else {
      out.append("\t\t\t");
    }
    out.append("\n");
  }
  return out;
}

std::string renderGapsTable(const std::vector<FileSummary>& summaries) {
  return renderBars(GAPS_HEAD, GAP_BIN_LABELS, &FileSummary::gapBins, summaries);
}

std::string renderStrandGapsTable(const std::vector<FileSummary>& summaries) {
  return renderBars(STRAND_GAPS_HEAD, STRAND_GAP_BIN_LABELS, &FileSummary::strandGapBins, summaries);
}
