#include "run/batch.h"

#include "lookup/bgzf_blocks.h"
#include "lookup/table_format.h"

#include <new>
#include <utility>

TextBuffer tableBytes(std::string_view text, const RunOptions& options) {
  TextBuffer out;
  if (options.compression < 0) {
    out.append(text);
  } else {
    std::string blocks;
    if (!BgzfCompressor(options.compression).appendBlocks(text, blocks)) throw std::bad_alloc();
    out.append(blocks);
  }
  return out;
}

Sides sidesFor(const RunOptions& options) {
  if (options.neighbours) return Sides::ALL;
  return options.summaries != nullptr ? Sides::SAME_STRAND : Sides::SPACES;
}

void formatBatch(const CdsStore& store, const TableNames& names, std::span<const GeneEntry> genes,
                 std::span<const Neighbours> neighbours, const RunOptions& options, Piece& piece) {
  TextBuffer text;
  appendEntries(store, names, genes, options.format, text, neighbours);
  piece.bytes = options.compression < 0 ? std::move(text) : tableBytes(text.view(), options);
  piece.entries = static_cast<int64_t>(genes.size());
}

void makeBatch(Piece& piece, const RunOptions& options) {
  TextBuffer text;
  for (Together& together : piece.files) {
    CdsStore& store = together.front().store;
    for (size_t k = 1; k < together.size(); ++k) store.append(together[k].store);
    const GeneAnalysis analysis = analyseGenes(store, sidesFor(options));
    if (options.summaries != nullptr) summariseFiles(store, analysis.genes, analysis.neighbours, piece.summaries);
    appendEntries(store, tableNames(store.names, options.format), analysis.genes, options.format, text,
                  options.neighbours ? std::span(analysis.neighbours) : std::span<const Neighbours>());
    piece.entries += static_cast<int64_t>(analysis.genes.size());
    together = Together();  // memory back before the next file
  }
  piece.files.clear();
  piece.bytes = options.compression < 0 ? std::move(text) : tableBytes(text.view(), options);
}
