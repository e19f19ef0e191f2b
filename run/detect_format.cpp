#include "run/detect_format.h"

#include "annotation/flat_file.h"
#include "annotation/gff.h"
#include "io/decoding_source.h"

namespace {

constexpr size_t HEAD = 64 << 10;  // enough for a GenBank release header or a GFF's comments

}  // namespace

bool detectFormat(ListingSource& input, bool decompress, InputFormat& format, std::string& error) {
  format = InputFormat::LISTING;
  std::string head;
  if (decompress) {
    DecodingSource decoded(input);
    DecodedChunk chunk;
    while (head.size() < HEAD && decoded.next(chunk, HEAD - head.size(), 0)) {
      if (!chunk.bgzf.blocks.empty()) {
        std::string text(chunk.bgzf.text, '\0');
        if (inflateBgzfChunk(chunk.bgzf, text.data()) != nullptr) break;  // the reading says why
        head += text;
      } else {
        head.append(chunk.text.view(chunk.begin));
      }
    }
  }
  if (!input.rewind()) {
    error = input.error();
    return false;
  }
  if (looksLikeFlatFile(head, FlatFormat::GENBANK)) format = InputFormat::GENBANK;
  else if (looksLikeFlatFile(head, FlatFormat::EMBL)) format = InputFormat::EMBL;
  else if (looksLikeGff(head, GffDialect::GFF3)) format = InputFormat::GFF3;
  else if (looksLikeGff(head, GffDialect::GTF)) format = InputFormat::GTF;
  return true;
}
