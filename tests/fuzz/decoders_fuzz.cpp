// libFuzzer target: any bytes as a listing that may be compressed (gzip,
// BGZF, xz, zstd, bzip2, or none), run whole in memory on one thread and on
// two with blocks of a few bytes, where BGZF blocks are inflated on every
// thread. Both runs must end the same way: the same table, the same refused
// CDS, the same kind of read failure.

#include "run/make_table.h"
#include "tests/in_memory.h"

#undef NDEBUG
#include <cassert>

namespace {

RunOutcome run(const uint8_t* data, size_t size, int threads, size_t blockSize, std::string& table) {
  StringSource listing(std::string(reinterpret_cast<const char*>(data), size), 1 + size % 997);
  StringSink sink;
  RunOptions options{TableFormat::T2, true, threads, {}};
  options.blockSize = blockSize;
  const RunOutcome outcome = makeTable(listing, sink, options);
  table = std::move(sink.bytes);
  return outcome;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string alone, shared;
  const RunOutcome one = run(data, size, 1, size_t{1} << 20, alone);
  const RunOutcome two = run(data, size, 2, 1 + size % 61, shared);
  assert(one.kind == two.kind);
  assert(one.kind != RunOutcome::WRITE_FAILED);
  if (one.kind == RunOutcome::DONE) assert(alone == shared);
  if (one.kind == RunOutcome::REFUSED) assert(one.refusedCds == two.refusedCds);
  if (one.kind == RunOutcome::REFUSED) assert(one.problem == two.problem);
  // A library's reason may change with the room it decodes into ("Data
  // corruption detected", "Destination buffer is too small"); what failed may not.
  auto what = [](const std::string& error) { return error.substr(0, error.find(" (")); };
  if (one.kind == RunOutcome::READ_FAILED) assert(what(one.error) == what(two.error));
  return 0;
}
