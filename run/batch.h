#pragma once
// A batch: CDSs analysed, formatted and compressed together on a pool
// thread, then handed to the ordered output.

#include "analysis/analyse_genes.h"
#include "run/make_table.h"
#include "run/ordered_output.h"
#include "run/parse_block.h"

#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

// CDSs analysed together: one source file, or, for a listing read whole,
// every CDS.
using Together = std::vector<FileRun>;

// Analyses, formats and compresses whole source files, and puts the result
// in the output as batch `number`.
void makeBatch(std::vector<Together> batch, uint64_t number, OrderedOutput& output, const RunOptions& options);
// Formats (and compresses) entries of a store analysed already.
void formatBatch(const CdsStore& store, std::span<const GeneEntry> genes, const RunOptions& options,
                 BatchResult& result);
// Puts bytes that belong to no batch (a tsv header) in order, compressed as
// the table is.
void putBytes(OrderedOutput& output, std::string_view bytes, const RunOptions& options);
