#include "run/batch.h"

#include "lookup/bgzf_blocks.h"
#include "lookup/table_format.h"

#include <new>
#include <utility>

std::string tableBytes(std::string_view text, const RunOptions& options) {
  if (options.compression < 0) return std::string(text);
  std::string out;
  if (!BgzfCompressor(options.compression).appendBlocks(text, out)) throw std::bad_alloc();
  return out;
}

void formatBatch(const CdsStore& store, std::span<const GeneEntry> genes, const RunOptions& options, Piece& piece) {
  std::string text;
  appendEntries(store, genes, options.format, text);
  piece.bytes = options.compression < 0 ? std::move(text) : tableBytes(text, options);
  piece.entries = static_cast<int64_t>(genes.size());
}

void makeBatch(Piece& piece, const RunOptions& options) {
  std::string text;
  for (Together& together : piece.files) {
    CdsStore& store = together.front().store;
    for (size_t k = 1; k < together.size(); ++k) store.append(together[k].store);
    const std::vector<GeneEntry> genes = analyseGenes(store);
    if (options.summaries != nullptr) summariseFiles(store, genes, piece.summaries);
    appendEntries(store, genes, options.format, text);
    piece.entries += static_cast<int64_t>(genes.size());
    together = Together();  // memory back before the next file
  }
  piece.files.clear();
  piece.bytes = options.compression < 0 ? std::move(text) : tableBytes(text, options);
}
