// libFuzzer target: any bytes as a GFF3 and as a GTF, read as one block and
// as two blocks cut at a line feed the first byte chooses: the same CDSs,
// contigs and error either way. It runs the whole reader: the lines
// (gff_lines), their attributes (gff_attributes), the recognition
// (gff_sniff), the CDSs of a file (gff_file) and their locations
// (gff_location); the values themselves are checked by hand in gff_test.

#include "annotation/gff.h"

#undef NDEBUG
#include <cassert>
#include <algorithm>

namespace {

struct Read {
  std::vector<AnnotatedCds> cds;
  std::vector<AnnotatedContig> contigs;
  AnnotationError error;
};

Read read(std::initializer_list<std::string_view> blocks, GffDialect dialect) {
  GffFile file(dialect);
  for (std::string_view text : blocks) {
    GffBlock block;
    parseGffBlock(text, dialect, block);
    file.add(std::move(block));
  }
  Read r;
  file.finish(r.cds, r.contigs, r.error);
  return r;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t feeds = static_cast<size_t>(std::count(text.begin(), text.end(), '\n'));
  size_t cut = 0;
  for (size_t k = size == 0 || feeds == 0 ? 0 : data[0] % feeds + 1; k > 0; --k) cut = text.find('\n', cut) + 1;
  for (GffDialect dialect : {GffDialect::GFF3, GffDialect::GTF}) {
    const Read whole = read({text}, dialect), two = read({text.substr(0, cut), text.substr(cut)}, dialect);
    assert(whole.error.line == two.error.line && whole.error.message == two.error.message);
    assert((whole.error.line == 0) == whole.error.message.empty());
    assert(whole.error.line == 0 || whole.cds.empty());
    assert(whole.cds.size() == two.cds.size() && whole.contigs.size() == two.contigs.size());
    for (size_t k = 0; k < whole.cds.size(); ++k) {
      const AnnotatedCds &a = whole.cds[k], &b = two.cds[k];
      assert(a.location == b.location && a.gene == b.gene && a.contig == b.contig && a.line == b.line);
      assert(a.contig >= 1 && static_cast<size_t>(a.contig) <= whole.contigs.size());
      assert(k == 0 || whole.cds[k - 1].line < a.line);
    }
    for (size_t k = 0; k < whole.contigs.size(); ++k) {
      const AnnotatedContig &a = whole.contigs[k], &b = two.contigs[k];
      assert(a.name == b.name && a.circular == b.circular && a.length == b.length);
    }
  }
  return 0;
}
