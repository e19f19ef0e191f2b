#pragma once
// The lookup table: one entry per gene, as eleven-line t2 entries or as
// tab-separated rows under a header.

#include "analysis/gene_entry.h"
#include "cds/cds_store.h"
#include "io/text_buffer.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TableFormat { T2, TSV };

// Writes `name` at `to` so that it stays within one cell of a tab-separated
// row: a tab, line feed, carriage return or backslash becomes \t, \n, \r,
// \\; every other byte is kept. `to` needs room for twice name's size.
// Returns the end of what was written.
char* putEscaped(char* to, std::string_view name);

// The line that heads a table: the column names for tsv (with the neighbour
// columns when `neighbours`), nothing for t2.
std::string_view tableHeader(TableFormat format, bool neighbours = false);

// Every name of a store as the table writes it (escaped in tsv, as it is in
// t2), back to back, with room after the last to copy any of them 16 bytes
// at a time. Made once for a store, whatever the number of batches.
struct TableNames {
  std::string bytes;
  std::vector<size_t> offsets;  // name k is bytes[offsets[k], offsets[k+1])
  size_t longest = 0;           // bytes of the longest
};
TableNames tableNames(const NameTable& names, TableFormat format);

// Appends one entry per gene to `out`, in order; `names` are
// tableNames(store.names, format). An entry's location is
// rebuilt from its first listing: "complement(" and "join(" as needed, '<'
// before the first start and '>' after the last end wherever the listing had
// them, single positions as 7..7. In tsv a tab, line feed, carriage return or
// backslash inside a name is written as \t, \n, \r, \\.
// A tsv row ends with its contig's name (empty for a listing's), then, when
// `neighbours` holds one per entry, the entry's strand and its neighbours:
// each a gene name and a signed gap, both empty when there is none.
void appendEntries(const CdsStore& store, const TableNames& names, std::span<const GeneEntry> genes,
                   TableFormat format, TextBuffer& out, std::span<const Neighbours> neighbours = {});
