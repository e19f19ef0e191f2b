// libFuzzer target: any bytes as a block of a GenBank and of an EMBL flat
// file. The values must be sane, the cut must be where a plain line-by-line
// search puts it, and the text parsed in two pieces cut there must give what
// it gives whole.

#include "annotation/flat_file.h"

#undef NDEBUG
#include <algorithm>
#include <cassert>

namespace {

// After the line feed ending the last line that starts with "//"; 0 if none.
size_t plainCut(std::string_view text) {
  size_t cut = 0;
  for (size_t start = 0; start < text.size();) {
    const size_t feed = text.find('\n', start);
    if (feed == std::string_view::npos) break;
    if (text.substr(start).starts_with("//")) cut = feed + 1;
    start = feed + 1;
  }
  return cut;
}

void checkSane(std::string_view text, const FlatFileBlock& b) {
  assert(b.lines == std::count(text.begin(), text.end(), '\n'));
  assert((b.error.line == 0) == b.error.message.empty());
  assert(b.error.line >= 0 && b.error.line <= b.lines + 1);
  int64_t lastLine = 0, lastContig = 1;
  for (const AnnotatedCds& c : b.cds) {
    assert(c.contig >= lastContig && c.contig <= static_cast<int64_t>(b.records.size()));
    assert(c.line > lastLine && c.line <= b.lines + 1);
    assert(b.error.line == 0 || c.line < b.error.line);
    lastLine = c.line;
    lastContig = c.contig;
  }
}

bool same(const AnnotatedCds& a, const AnnotatedCds& b, int64_t contigs, int64_t lines) {
  return a.location == b.location && a.gene == b.gene && a.contig == b.contig + contigs && a.line == b.line + lines;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const size_t cut = cutAfterLastRecord(text);
  assert(cut == plainCut(text));
  for (FlatFormat format : {FlatFormat::GENBANK, FlatFormat::EMBL}) {
    FlatFileBlock whole, head, tail;
    parseFlatFile(text, format, whole);
    checkSane(text, whole);
    parseFlatFile(text.substr(0, cut), format, head);
    parseFlatFile(text.substr(cut), format, tail);
    // The head ends outside every record, so the tail is parsed as whole.
    const bool headFailed = head.error.line != 0;
    const size_t n = head.cds.size() + (headFailed ? 0 : tail.cds.size());
    assert(whole.cds.size() == n);
    for (size_t k = 0; k < n; ++k)
      assert(k < head.cds.size() ? same(whole.cds[k], head.cds[k], 0, 0)
                                 : same(whole.cds[k], tail.cds[k - head.cds.size()],
                                        static_cast<int64_t>(head.records.size()), head.lines));
    assert(whole.records.size() == head.records.size() + (headFailed ? 0 : tail.records.size()));
    assert(whole.error.message == (headFailed ? head.error.message : tail.error.message));
    assert(whole.error.line == (headFailed ? head.error.line : tail.error.line ? tail.error.line + head.lines : 0));
  }
  return 0;
}
