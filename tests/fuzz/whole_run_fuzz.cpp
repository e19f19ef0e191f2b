// libFuzzer target: any bytes as a whole listing, read, analysed and written
// in memory as a run does. A refusal is fine; anything else must give a
// table of whole eleven-line entries, one per gene, the same whether the
// table could be taken back or not.

#include "run/make_table.h"
#include "tests/in_memory.h"

#undef NDEBUG
#include <cassert>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  StringSource listing(std::string(reinterpret_cast<const char*>(data), size), 1000);
  StringSink table;
  const RunOutcome outcome = makeTable(listing, table, RunOptions{TableFormat::T2, false, 1, {}});
  assert(outcome.kind == RunOutcome::DONE || outcome.kind == RunOutcome::REFUSED);
  assert(outcome.kind == RunOutcome::DONE || (outcome.refusedCds >= 1 && outcome.refusedCds <= outcome.nCds));
  if (outcome.kind == RunOutcome::REFUSED) return 0;
  assert(outcome.nGenes <= outcome.nCds);
  int64_t lines = 0, entries = 0;
  for (size_t at = 0, end; at < table.bytes.size(); at = end + 1, ++lines) {
    end = table.bytes.find('\n', at);
    assert(end != std::string::npos);  // no table ends inside a line
    const std::string_view line = std::string_view(table.bytes).substr(at, end - at);
    assert((lines % 11 != 1 && lines % 11 != 4) || line.size() <= 6 + MAX_NAME_LENGTH);  // "#gene=" or "#file=", a name
    entries += lines % 11 == 10 && line == "************";
  }
  assert(lines == 11 * outcome.nGenes && entries == outcome.nGenes);
  StringSource again(std::string(reinterpret_cast<const char*>(data), size), 1000);
  StringSink pipe(SIZE_MAX, false);
  RunOptions cut{TableFormat::T2, false, 2, {}};
  cut.blockSize = size % 2 != 0 ? 1 + size % 61 : 4096;  // groups straddle blocks, or many share one
  const RunOutcome piped = makeTable(again, pipe, cut);
  assert(piped.kind == RunOutcome::DONE && pipe.bytes == table.bytes && pipe.written == pipe.bytes.size());
  assert(piped.returnsAt == outcome.returnsAt && piped.returningFile == outcome.returningFile);
  return 0;
}
