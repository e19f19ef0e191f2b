#include "run/readings.h"

#include "analysis/analyse_genes.h"
#include "analysis/neighbours.h"
#include "pipeline/pipeline.h"
#include "run/batch.h"
#include "run/text_front.h"

#include <algorithm>
#include <memory>
#include <span>
#include <utility>

namespace {

using Emit = Pipeline<Piece>::Emit;

constexpr size_t BATCH_ENTRIES = 4096;  // entries of a listing read whole formatted as one piece

// Pieces in flight at once: enough to keep every thread busy, few enough to
// bound memory by a few blocks and batches a thread.
size_t inFlight(const RunOptions& options) { return 4 * static_cast<size_t>(std::max(options.threads, 1)) + 4; }

Pipeline<Piece>::Source reader(TextFront& text) {
  return [&text](Emit& emit) { return text.read(emit); };
}

// The stages every reading starts with after reading: load, cut, parse.
Pipeline<Piece>& front(Pipeline<Piece>& pipeline, TextFront& text, BlockParse how) {
  return pipeline.parallel([&text](Piece& piece) { text.load(piece); })
      .serial([&text](Piece& piece, Emit& emit) { text.cut(piece, emit); })
      .parallel([how](Piece& piece) {
        const DecodedChunk& chunk = piece.chunk;
        parseListingBlock(chunk.text.view(chunk.begin), how, piece.parsed);
        piece.chunk = DecodedChunk();
      });
}

// The last stage of a reading that writes: pieces' bytes to the sink in
// order; a failed write ends the reading.
struct TableOut {
  TableSink& sink;
  const RunOptions& options;
  Reading& reading;

  void operator()(Piece& piece, Emit& emit) {
    if (!sink.write(piece.bytes.view())) {
      reading.writeFailed = true;
      emit.stop();
      return;
    }
    reading.entries += piece.entries;
    if (options.summaries != nullptr)
      options.summaries->insert(options.summaries->end(), std::make_move_iterator(piece.summaries.begin()),
                                std::make_move_iterator(piece.summaries.end()));
  }
};

}  // namespace

Reading lookAtListing(ListingSource& listing, const RunOptions& options) {
  Reading reading;
  TextFront text(listing, options, "looking");
  LookGather gather;
  Pipeline<Piece> pipeline(reader(text), inFlight(options));
  front(pipeline, text, BlockParse::FILE_NAMES);
  pipeline.serial([&](Piece& piece, Emit&) {
    gather.take(piece.parsed);
    text.cdsRead = gather.count.groups;
  });
  pipeline.run(options.threads);
  reading.count = gather.count;
  reading.readError = text.error();
  return reading;
}

Reading readGrouped(ListingSource& listing, TableSink& sink, const RunOptions& options, bool stopAtComeback) {
  Reading reading;
  TextFront text(listing, options, "reading");
  GroupedGather gather(stopAtComeback);
  Pipeline<Piece> pipeline(reader(text), inFlight(options));
  front(pipeline, text, BlockParse::BY_FILE);
  std::vector<Piece> ready;
  pipeline
      .serial([&](Piece& piece, Emit& emit) {
        if (reading.stoppedAtComeback) return;  // in flight when it stopped
        if (!gather.take(piece.parsed, ready)) {
          reading.stoppedAtComeback = true;
          emit.endSource();
          return;
        }
        if (piece.last) {
          gather.finish(ready);
          if (options.progress) options.progress({listing.consumed(), listing.size(), gather.count.groups, "writing"});
        }
        text.cdsRead = gather.count.groups;
        for (Piece& batch : ready) emit(std::move(batch));
        ready.clear();
      })
      .parallel([&options](Piece& piece) { makeBatch(piece, options); })
      .serial(TableOut{sink, options, reading});
  pipeline.run(options.threads);
  reading.count = gather.count;
  reading.readError = text.error();
  return reading;
}

Reading readWhole(ListingSource& listing, TableSink& sink, const RunOptions& options) {
  Reading reading;
  TextFront text(listing, options, "reading");
  WholeGather gather;
  Pipeline<Piece> pipeline(reader(text), inFlight(options));
  front(pipeline, text, BlockParse::ONE_RUN);
  pipeline.serial([&](Piece& piece, Emit&) {
    gather.take(piece.parsed);
    text.cdsRead = gather.count.groups;
  });
  pipeline.run(options.threads);
  reading.readError = text.error();
  if (!reading.readError.empty() || gather.count.refusedWithin()) {
    reading.count = gather.count;
    return reading;
  }
  const CdsStore store = gather.finish();
  reading.count = gather.count;
  if (options.progress) options.progress({listing.consumed(), listing.size(), reading.count.groups, "writing"});
  // Analysed at once here; the entries are then formatted in batches on
  // every thread, so that the table never stands whole in memory.
  const std::vector<GeneEntry> genes = analyseGenes(store);
  size_t next = 0;
  Pipeline<Piece> table(
      [&](Emit& emit) {
        Piece piece;
        piece.firstEntry = next;
        piece.entryCount = std::min(BATCH_ENTRIES, genes.size() - next);
        next += piece.entryCount;
        emit(std::move(piece));
        return next < genes.size();
      },
      inFlight(options));
  table.parallel([&](Piece& piece) { formatBatch(store, std::span(genes).subspan(piece.firstEntry, piece.entryCount), options, piece); })
      .serial(TableOut{sink, options, reading});
  table.run(options.threads);
  if (!reading.writeFailed && options.summaries != nullptr)
    summariseFiles(store, genes, findNeighbours(store, genes), *options.summaries);
  return reading;
}
