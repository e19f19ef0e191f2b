#pragma once
// The per-file summaries as two tab-separated files that R and pandas read
// (comment lines start with '#') and that MultiQC takes as custom content
// (its settings are YAML in those comment lines): a table with one row per
// source file, and the genes' after-spaces, and their gaps to the next entry
// on the same strand, by bin as a stacked bar per file.

#include "lookup/file_summary.h"

#include <string>
#include <vector>

// What the files are called: the user's prefix, then these.
constexpr const char* SUMMARY_TABLE_SUFFIX = "_summary_mqc.tsv";
constexpr const char* GAPS_TABLE_SUFFIX = "_gaps_mqc.tsv";
constexpr const char* STRAND_GAPS_TABLE_SUFFIX = "_strand_gaps_mqc.tsv";

// Rows in the order given; names escaped as in the tsv lookup table; the
// quantile cells empty for a file without a gap.
std::string renderSummaryTable(const std::vector<FileSummary>& summaries);
std::string renderGapsTable(const std::vector<FileSummary>& summaries);
std::string renderStrandGapsTable(const std::vector<FileSummary>& summaries);
