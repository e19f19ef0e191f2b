#pragma once
// The lookup table: one entry per gene, as eleven-line t2 entries or as
// tab-separated rows under a header.

#include "analysis/analyse_genes.h"
#include "lookup/byte_sink.h"
#include "listing/cds_store.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TableFormat { T2, TSV };

// Writes `name` at `to` so that it stays within one cell of a tab-separated
// row: a tab, line feed, carriage return or backslash becomes \t, \n, \r,
// \\; every other byte is kept. `to` needs room for twice name's size.
// Returns the end of what was written.
char* putEscaped(char* to, std::string_view name);

// Gathers entries into blocks for the sink. An entry's location is rebuilt
// from its first listing: "complement(" and "join(" as needed, '<' before the
// first start and '>' after the last end wherever the listing had them,
// single positions as 7..7. In tsv a tab, line feed, carriage return or
// backslash inside a name is written as \t, \n, \r, \\.
class TableWriter {
 public:
  TableWriter(ByteSink& sink, TableFormat format);
  // Adds one entry per gene, in order; false once a write has failed.
  bool add(const CdsStore& store, const std::vector<GeneEntry>& genes);
  // Writes what is held back; false when a write failed.
  bool finish();
  // Starts the table again, for a sink that dropped what it was given.
  void restart();
  int64_t entries() const { return entries_; }

 private:
  bool flush();
  void begin();

  ByteSink& sink_;
  TableFormat format_;
  std::vector<char> block_ = std::vector<char>(1 << 18);  // entries gathered for one write of this size
  size_t used_ = 0;                                     // bytes of block_ in use
  int64_t entries_ = 0;
  bool failed_ = false;
};
