#include "run/text_front.h"

#include "io/line_feeds.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t GROUP_LINES = 5;
// Room before each piece's text for the unfinished group of the piece before
// it, so that joining them copies the group, not the piece.
constexpr size_t ROOM = 64 << 10;

}  // namespace

TextFront::TextFront(ListingSource& listing, const RunOptions& options, const char* stage)
    : listing_(listing), options_(options), stage_(stage), decoded_(listing), positional_(listing.positional()) {
  if (positional_ && options.decompress) {
    unsigned char head[SNIFF_BYTES];
    std::string error;
    const ptrdiff_t n = listing.readAt(reinterpret_cast<char*>(head), sizeof head, 0, error);
    positional_ = n >= 0 && !looksCompressed(head, static_cast<size_t>(n));
  }
}

bool TextFront::read(Pipeline<Piece>::Emit& emit) {
  Piece piece;
  bool more;
  if (positional_) {
    piece.at = readAt_;
    piece.length = static_cast<size_t>(std::min<uint64_t>(options_.blockSize, listing_.size() - readAt_));
    readAt_ += piece.length;
    more = readAt_ < listing_.size();
  } else if (options_.decompress) {
    more = decoded_.next(piece.chunk, options_.blockSize, ROOM);
    if (!more && !decoded_.error().empty()) piece.error = decoded_.error();
  } else {
    // Read as stored: the dialog's listing, and the tests' plain ones.
    piece.chunk.text.resize(ROOM + options_.blockSize);
    piece.chunk.begin = ROOM;
    size_t got = 0;
    ptrdiff_t n = 1;
    while (got < options_.blockSize && (n = listing_.read(piece.chunk.text.data() + ROOM + got, options_.blockSize - got)) > 0)
      got += static_cast<size_t>(n);
    piece.chunk.text.resize(ROOM + got);
    if (n < 0) piece.error = listing_.error();
    more = got > 0 && n >= 0;
  }
  piece.last = !more;
  if (options_.progress)
    options_.progress({positional_ ? readAt_ : listing_.consumed(), listing_.size(), cdsRead, stage_});
  emit(std::move(piece));
  return more;
}

void TextFront::load(Piece& piece) const {
  DecodedChunk& chunk = piece.chunk;
  if (piece.length > 0) {
    chunk.text.resize(ROOM + piece.length);
    chunk.begin = ROOM;
    size_t got = 0;
    while (got < piece.length) {
      const ptrdiff_t n = listing_.readAt(chunk.text.data() + ROOM + got, piece.length - got, piece.at + got, piece.error);
      if (n < 0) return;
      if (n == 0) {
        piece.error = "changed while it was read";  // shorter than when the run began
        return;
      }
      got += static_cast<size_t>(n);
    }
  } else if (!chunk.bgzf.blocks.empty()) {
    chunk.text.resize(ROOM + chunk.bgzf.text);
    chunk.begin = ROOM;
    if (const char* reason = inflateBgzfChunk(chunk.bgzf, chunk.text.data() + ROOM)) {
      piece.error = std::string("corrupt gzip data (") + reason + ")";
      return;
    }
    chunk.bgzf = BgzfChunk();
  }
  piece.lineFeeds = static_cast<int64_t>(countLineFeeds(chunk.text.view(chunk.begin)));
}

void TextFront::cut(Piece& piece, Pipeline<Piece>::Emit& emit) {
  if (!piece.error.empty()) {
    error_ = piece.error;
    emit.stop();
    return;
  }
  DecodedChunk& chunk = piece.chunk;
  if (carry_.size() <= chunk.begin) {
    chunk.begin -= carry_.size();
    if (!carry_.empty()) std::memcpy(chunk.text.data() + chunk.begin, carry_.data(), carry_.size());
  } else {
    // A group longer than the room grows in the carry, which doubles as it
    // must: a long group costs its length, not its length squared.
    carry_.append(chunk.text.view(chunk.begin));
    chunk.text = std::move(carry_);
    chunk.begin = 0;
  }
  carry_.clear();
  piece.lineFeeds += carryFeeds_;
  carryFeeds_ = 0;
  const std::string_view text = chunk.text.view(chunk.begin);
  if (!piece.last) {
    // Just after the line feed that closes the last whole group: walk back
    // over the line feeds past it.
    const int64_t keep = piece.lineFeeds / GROUP_LINES * GROUP_LINES;
    size_t at = text.size();
    for (int64_t back = piece.lineFeeds - keep; keep > 0 && back >= 0; --back)
      at = static_cast<size_t>(static_cast<const char*>(memrchr(text.data(), '\n', at)) - text.data());
    const size_t cut = keep > 0 ? at + 1 : 0;
    if (cut == 0 && chunk.begin == 0) carry_ = std::move(chunk.text);
    else carry_.clear(), carry_.append(text.substr(cut));
    carryFeeds_ = piece.lineFeeds - keep;
    if (cut == 0) return;
    chunk.text.resize(chunk.begin + cut);
    piece.lineFeeds = keep;
  }
  // The last piece goes on even when empty: it tells the gathering that the listing has ended.
  if (chunk.text.size() > chunk.begin || piece.last) emit(std::move(piece));
}
