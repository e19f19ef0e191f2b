#include "run/readings.h"

#include "analysis/analyse_genes.h"
#include "pipeline/pipeline.h"
#include "run/batch.h"
#include "run/inputs_gather.h"
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
size_t inFlight(const RunOptions& options) { return 2 * static_cast<size_t>(std::max(options.threads, 1)) + 2; }

Pipeline<Piece>::Source reader(TextFront& text) {
  return [&text](Emit& emit) { return text.read(emit); };
}

// Parses a block by its input's format: a listing's as `how` says, an
// annotation's whole.
void parse(Piece& piece, InputFormat format, BlockParse how) {
  const std::string_view text = piece.chunk.text.empty() ? std::string_view() : piece.chunk.text.view(piece.chunk.begin);
  switch (format) {
    case InputFormat::LISTING: parseListingBlock(text, how, piece.parsed); break;
    case InputFormat::GENBANK: parseFlatFile(text, FlatFormat::GENBANK, piece.flat); break;
    case InputFormat::EMBL: parseFlatFile(text, FlatFormat::EMBL, piece.flat); break;
    case InputFormat::GFF3: parseGffBlock(text, GffDialect::GFF3, piece.gff); break;
    case InputFormat::GTF: parseGffBlock(text, GffDialect::GTF, piece.gff); break;
  }
  piece.chunk = DecodedChunk();
}

// The stages every reading starts with after reading: load, cut, parse.
Pipeline<Piece>& front(Pipeline<Piece>& pipeline, TextFront& text, std::span<const RunInput> inputs, BlockParse how) {
  return pipeline.parallel([&text](Piece& piece) { text.load(piece); })
      .serial([&text](Piece& piece, Emit& emit) { text.cut(piece, emit); })
      .parallel([inputs, how](Piece& piece) { parse(piece, inputs[piece.input].format, how); });
}

// What every reading keeps of what failed and what it counted.
void noteEnd(Reading& reading, const TextFront& text, const InputsGather& inputs) {
  reading.readError = text.error();
  reading.failedInput = text.error().empty() ? inputs.failedInput : text.failedInput();
  reading.annotation = inputs.failure;
  reading.counts = inputs.counts;
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

Reading lookAtListing(std::span<const RunInput> inputs, const RunOptions& options) {
  Reading reading;
  TextFront text(inputs, options, "looking");
  InputsGather each(inputs);
  LookGather gather;
  Pipeline<Piece> pipeline(reader(text), inFlight(options));
  front(pipeline, text, inputs, BlockParse::FILE_NAMES);
  pipeline.serial([&](Piece& piece, Emit& emit) {
    if (!each.feed(piece, [&](ParsedBlock& block) { gather.take(block); })) emit.stop();
    text.cdsRead = gather.count.groups;
  });
  pipeline.run(options.threads);
  gather.finish();
  reading.count = gather.count;
  noteEnd(reading, text, each);
  return reading;
}

Reading readGrouped(std::span<const RunInput> inputs, TableSink& sink, const RunOptions& options, bool stopAtComeback) {
  Reading reading;
  TextFront text(inputs, options, "reading");
  InputsGather each(inputs);
  GroupedGather gather(stopAtComeback);
  Pipeline<Piece> pipeline(reader(text), inFlight(options));
  front(pipeline, text, inputs, BlockParse::BY_FILE);
  std::vector<Piece> ready;
  pipeline
      .serial([&](Piece& piece, Emit& emit) {
        if (reading.stoppedAtComeback) return;  // in flight when it stopped
        bool goOn = true;
        if (!each.feed(piece, [&](ParsedBlock& block) { goOn = goOn && gather.take(block, ready); })) {
          emit.stop();
          return;
        }
        const bool ended = goOn && each.ended(piece);
        if (ended) goOn = gather.finish(ready);
        if (!goOn) {
          reading.stoppedAtComeback = true;
          emit.endSource();
          return;
        }
        if (ended && options.progress) options.progress({0, 0, gather.count.groups, "writing"});
        text.cdsRead = gather.count.groups;
        for (Piece& batch : ready) emit(std::move(batch));
        ready.clear();
      })
      .parallel([&options](Piece& piece) { makeBatch(piece, options); })
      .serial(TableOut{sink, options, reading});
  pipeline.run(options.threads);
  reading.count = gather.count;
  noteEnd(reading, text, each);
  return reading;
}

Reading readWhole(std::span<const RunInput> inputs, TableSink& sink, const RunOptions& options) {
  Reading reading;
  TextFront text(inputs, options, "reading");
  InputsGather each(inputs);
  WholeGather gather;
  Pipeline<Piece> pipeline(reader(text), inFlight(options));
  front(pipeline, text, inputs, BlockParse::ONE_RUN);
  pipeline.serial([&](Piece& piece, Emit& emit) {
    if (!each.feed(piece, [&](ParsedBlock& block) { gather.take(block); })) emit.stop();
    text.cdsRead = gather.count.groups;
  });
  pipeline.run(options.threads);
  noteEnd(reading, text, each);
  if (!reading.readError.empty() || reading.annotation.line > 0 || gather.count.refusedWithin()) {
    reading.count = gather.count;
    return reading;
  }
  const CdsStore store = gather.finish();
  reading.count = gather.count;
  if (options.progress) options.progress({0, 0, reading.count.groups, "writing"});
  // Analysed at once here; the entries are then formatted in batches on
  // every thread, so that the table never stands whole in memory.
  const GeneAnalysis analysis = analyseGenes(store, sidesFor(options));
  const std::vector<GeneEntry>& genes = analysis.genes;
  const std::vector<Neighbours>& neighbours = analysis.neighbours;
  const TableNames names = tableNames(store.names, options.format);
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
  table
      .parallel([&](Piece& piece) {
        formatBatch(store, names, std::span(genes).subspan(piece.firstEntry, piece.entryCount),
                    options.neighbours ? std::span(neighbours).subspan(piece.firstEntry, piece.entryCount)
                                       : std::span<const Neighbours>(),
                    options, piece);
      })
      .serial(TableOut{sink, options, reading});
  table.run(options.threads);
  if (!reading.writeFailed && options.summaries != nullptr) summariseFiles(store, genes, neighbours, *options.summaries);
  return reading;
}
