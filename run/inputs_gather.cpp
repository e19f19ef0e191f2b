#include "run/inputs_gather.h"

bool InputsGather::assemble(Piece& piece, ParsedBlock& block) {
  const RunInput& input = inputs_[piece.input];
  if (!annotation_) annotation_ = std::make_unique<AnnotationInput>(input.format, input.fileName);
  bool read = annotation_->take(piece);
  if (read && piece.lastOfInput) {
    block.runs.emplace_back();
    read = annotation_->finish(block.runs.back());
    block.groups = block.count = block.runs.back().groups;
    counts[piece.input] = block.count;
    if (block.count == 0) block.runs.clear();
  }
  if (!read) {
    failure = annotation_->failure;
    failedInput = piece.input;
  }
  if (!read || piece.lastOfInput) annotation_.reset();
  return read;
}
