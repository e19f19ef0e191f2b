#include "run/annotation_input.h"

#include "listing/group_values.h"

#include <utility>

AnnotationInput::AnnotationInput(InputFormat format, std::string fileName) {
  run_.file = std::move(fileName);
  if (format == InputFormat::GFF3 || format == InputFormat::GTF)
    gff_ = std::make_unique<GffFile>(format == InputFormat::GFF3 ? GffDialect::GFF3 : GffDialect::GTF);
}

void AnnotationInput::addContig(const AnnotatedContig& contig) {
  run_.store.contigs.push_back({run_.store.names.intern(contig.name), contig.circular, contig.length});
}

// `contigs` and `lines`: those of the blocks before the CDS's own.
bool AnnotationInput::add(const AnnotatedCds& cds, int64_t contigs, int64_t lines) {
  ParsedCds parsed;
  Problem problem{};
  if (!readGroupValues(cds.location, cds.gene, run_.file, contigs + cds.contig, parsed, problem)) {
    failure = {lines + cds.line, "", true, problem};
    return false;
  }
  run_.store.add(parsed);
  // Contig k of the input is its k-th shape: contigs[0] is a listing's.
  run_.store.cds.back().shape = static_cast<uint32_t>(contigs + cds.contig);
  ++run_.groups;
  return true;
}

bool AnnotationInput::take(Piece& piece) {
  if (gff_) {
    gff_->add(std::move(piece.gff));
    return true;
  }
  FlatFileBlock& block = piece.flat;
  for (const AnnotatedContig& record : block.records) addContig(record);
  for (const AnnotatedCds& cds : block.cds)
    if (!add(cds, records_, lines_)) return false;
  if (block.error.line > 0) {
    failure = {lines_ + block.error.line, block.error.message, false, {}};
    return false;
  }
  records_ += static_cast<int64_t>(block.records.size());
  lines_ += block.lines;
  return true;
}

bool AnnotationInput::finish(FileRun& run) {
  if (gff_) {
    std::vector<AnnotatedCds> cds;
    std::vector<AnnotatedContig> contigs;
    AnnotationError error;
    gff_->finish(cds, contigs, error);
    if (error.line > 0) {
      failure = {error.line, error.message, false, {}};
      return false;
    }
    for (const AnnotatedContig& contig : contigs) addContig(contig);
    for (const AnnotatedCds& c : cds)
      if (!add(c, 0, 0)) return false;
  }
  run = std::move(run_);
  return true;
}
