#include "run/batch.h"

#include "analysis/neighbours.h"
#include "lookup/bgzf_blocks.h"
#include "lookup/table_format.h"

#include <new>
#include <utility>

namespace {

// Puts `text` into the batch's bytes, compressed when the table is.
void compressInto(std::string& text, const RunOptions& options, BatchResult& result) {
  if (options.compression < 0) {
    result.bytes += text;
    return;
  }
  BgzfCompressor compressor(options.compression);
  if (!compressor.appendBlocks(text, result.bytes)) throw std::bad_alloc();
}

}  // namespace

void formatBatch(const CdsStore& store, std::span<const GeneEntry> genes, const RunOptions& options,
                 BatchResult& result) {
  try {
    std::string text;
    appendEntries(store, genes, options.format, text);
    compressInto(text, options, result);
  } catch (...) {
    result.thrown = std::current_exception();
  }
}

void makeBatch(std::vector<Together> batch, uint64_t number, OrderedOutput& output, const RunOptions& options) {
  BatchResult result;
  try {
    std::string text;
    for (Together& together : batch) {
      CdsStore& store = together.front().store;
      for (size_t k = 1; k < together.size(); ++k) store.append(together[k].store);
      const std::vector<GeneEntry> genes = analyseGenes(store);
      if (options.summaries != nullptr) summariseFiles(store, genes, findNeighbours(store, genes), result.summaries);
      appendEntries(store, genes, options.format, text);
      result.entries += static_cast<int64_t>(genes.size());
      together = Together();  // memory back before the next file
    }
    compressInto(text, options, result);
  } catch (...) {
    result.thrown = std::current_exception();
  }
  output.put(number, std::move(result));
}

void putBytes(OrderedOutput& output, std::string_view bytes, const RunOptions& options) {
  BatchResult result;
  if (options.compression < 0) result.bytes = bytes;
  else if (!BgzfCompressor(options.compression).appendBlocks(bytes, result.bytes)) throw std::bad_alloc();
  if (!bytes.empty()) output.put(output.number(), std::move(result));
}
