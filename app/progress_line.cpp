#include "app/progress_line.h"

#include "app/signal_cleanup.h"

#include <cstdio>

#include <unistd.h>

ProgressLine::ProgressLine(bool wanted) : shown_(wanted && isatty(STDERR_FILENO)) {}

void ProgressLine::show(const RunProgress& p) {
  if (!shown_) return;
  const auto now = std::chrono::steady_clock::now();
  const bool newStage = p.stage != stage_;
  if (now - start_ < std::chrono::seconds(1) || (!newStage && now - last_ < std::chrono::milliseconds(200))) return;
  last_ = now;
  stage_ = p.stage;
  written_ = true;
  noteProgressLine(true);
  if (p.bytesTotal > 0)
    std::fprintf(stderr, "\rtarn2: %s: %d%% of the listing read, %lld CDSs\033[K", p.stage,
                 static_cast<int>(100 * p.bytesRead / p.bytesTotal), static_cast<long long>(p.cdsRead));
  else
    std::fprintf(stderr, "\rtarn2: %s: %lld CDSs read\033[K", p.stage, static_cast<long long>(p.cdsRead));
}

void ProgressLine::clear() {
  if (written_) std::fputs("\r\033[K", stderr);
  written_ = false;
  noteProgressLine(false);
}
