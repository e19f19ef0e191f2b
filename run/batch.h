#pragma once
// A batch of the table: CDSs analysed, formatted and compressed together, on
// any thread.

#include "analysis/analyse_genes.h"
#include "lookup/table_format.h"
#include "run/piece.h"
#include "run/run_types.h"

#include <span>
#include <string>
#include <string_view>

// What of each entry's sides the run needs: the neighbour columns, the
// summaries' same-strand gaps, or the spaces alone.
Sides sidesFor(const RunOptions& options);
// Analyses the piece's whole source files, one at a time, and puts their
// entries in its bytes (compressed when the table is) and, when wanted,
// their summaries.
void makeBatch(Piece& piece, const RunOptions& options);
// Formats (and compresses) entries of a store analysed already, with their
// neighbours when the table has them.
void formatBatch(const CdsStore& store, const TableNames& names, std::span<const GeneEntry> genes,
                 std::span<const Neighbours> neighbours, const RunOptions& options, Piece& piece);
// `text` as the table holds it: as it is, or as BGZF blocks.
TextBuffer tableBytes(std::string_view text, const RunOptions& options);
