#pragma once
// What the gathering of a reading is handed, input by input, in order: a
// listing's parsed blocks as they come, and an annotation's CDSs as one
// block of one source file once the input is whole.

#include "run/annotation_input.h"
#include "run/piece.h"
#include "run/run_types.h"

#include <cstdint>
#include <memory>
#include <span>
#include <vector>

class InputsGather {
 public:
  explicit InputsGather(std::span<const RunInput> inputs) : counts(inputs.size(), 0), inputs_(inputs) {}

  // Hands `take` the blocks of CDSs the piece completes; false once an
  // annotation cannot be read (failure, failedInput).
  template <class Take>
  bool feed(Piece& piece, Take take) {
    if (inputs_[piece.input].format == InputFormat::LISTING) {
      counts[piece.input] += piece.parsed.count;
      take(piece.parsed);
      return true;
    }
    ParsedBlock block;
    if (!assemble(piece, block)) return false;
    if (piece.lastOfInput) take(block);
    return true;
  }
  // The piece is the last of the last input.
  bool ended(const Piece& piece) const { return piece.lastOfInput && piece.input + 1 == inputs_.size(); }

  std::vector<int64_t> counts;  // lines holding "#CDS=" of each listing input
  AnnotationFailure failure;
  size_t failedInput = 0;

 private:
  // Takes an annotation's piece; at its input's end, puts the input's CDSs in `block`.
  bool assemble(Piece& piece, ParsedBlock& block);

  std::span<const RunInput> inputs_;
  std::unique_ptr<AnnotationInput> annotation_;  // the annotation being read
};
