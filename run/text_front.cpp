#include "run/text_front.h"

#include "annotation/flat_file.h"
#include "io/line_feeds.h"

#include <cstring>
#include <new>

namespace {

constexpr size_t GROUP_LINES = 5;
// Room before each piece's text for the unfinished group of the piece before
// it, so that joining them copies the group, not the piece.
constexpr size_t ROOM = 64 << 10;

// Just after the last line feed in text[from..]; 0 when there is none.
size_t afterLastLine(std::string_view text, size_t from) {
  const void* lf = memrchr(text.data() + from, '\n', text.size() - from);
  return lf == nullptr ? 0 : static_cast<size_t>(static_cast<const char*>(lf) - text.data()) + 1;
}

}  // namespace

TextFront::TextFront(std::span<const RunInput> inputs, const RunOptions& options, const char* stage)
    : inputs_(inputs), options_(options), stage_(stage) {
  start(0);
}

void TextFront::start(size_t input) {
  current_ = input;
  readAt_ = 0;
  if (input >= inputs_.size()) return;
  ListingSource& listing = *inputs_[input].bytes;
  decoded_ = std::make_unique<DecodingSource>(listing);
  positional_ = listing.positional();
  if (positional_ && options_.decompress) {
    unsigned char head[SNIFF_BYTES];
    std::string error;
    const ptrdiff_t n = listing.readAt(reinterpret_cast<char*>(head), sizeof head, 0, error);
    positional_ = n >= 0 && !looksCompressed(head, static_cast<size_t>(n));
  }
}

bool TextFront::read(Pipeline<Piece>::Emit& emit) {
  ListingSource& listing = *inputs_[current_].bytes;
  Piece piece;
  piece.input = current_;
  bool more;
  if (positional_) {
    piece.at = readAt_;
    piece.length = static_cast<size_t>(std::min<uint64_t>(options_.blockSize, listing.size() - readAt_));
    readAt_ += piece.length;
    more = readAt_ < listing.size();
  } else if (options_.decompress) {
    more = decoded_->next(piece.chunk, options_.blockSize, ROOM);
    if (!more && !decoded_->error().empty()) piece.error = decoded_->error();
  } else {
    // Read as stored: the dialog's listing, and the tests' plain ones.
    piece.chunk.text.resize(ROOM + options_.blockSize);
    piece.chunk.begin = ROOM;
    size_t got = 0;
    ptrdiff_t n = 1;
    while (got < options_.blockSize &&
           (n = listing.read(piece.chunk.text.data() + ROOM + got, options_.blockSize - got)) > 0)
      got += static_cast<size_t>(n);
    piece.chunk.text.resize(ROOM + got);
    if (n < 0) piece.error = listing.error();
    more = got > 0 && n >= 0;
  }
  piece.lastOfInput = !more;
  if (options_.progress)
    options_.progress({positional_ ? readAt_ : listing.consumed(), listing.size(), cdsRead.load(std::memory_order_relaxed), stage_});
  emit(std::move(piece));
  if (!more) start(current_ + 1);
  return more || current_ < inputs_.size();
}

void TextFront::load(Piece& piece) const {
  DecodedChunk& chunk = piece.chunk;
  if (piece.length > 0) {
    chunk.text.resize(ROOM + piece.length);
    chunk.begin = ROOM;
    size_t got = 0;
    while (got < piece.length) {
      const ptrdiff_t n = inputs_[piece.input].bytes->readAt(chunk.text.data() + ROOM + got, piece.length - got,
                                                             piece.at + got, piece.error);
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

// Where `text` may be cut, by the format of the piece's input: just after the
// last whole group, record or line; 0 when none ends in it. A cut lies at
// `searchFrom` or after it: the text before held none.
size_t TextFront::cutAt(const Piece& piece, std::string_view text, size_t searchFrom) const {
  switch (inputs_[piece.input].format) {
    case InputFormat::LISTING: {
      // Walk back over the line feeds past the one that closes the last group.
      const int64_t keep = piece.lineFeeds / GROUP_LINES * GROUP_LINES;
      if (keep == 0) return 0;
      size_t at = text.size();
      for (int64_t back = piece.lineFeeds - keep; back >= 0; --back)
        at = static_cast<size_t>(static_cast<const char*>(memrchr(text.data(), '\n', at)) - text.data());
      return at + 1;
    }
    case InputFormat::GENBANK:
    case InputFormat::EMBL: {
      const size_t cut = cutAfterLastRecord(text.substr(searchFrom));
      return cut == 0 ? 0 : searchFrom + cut;
    }
    case InputFormat::GFF3:
    case InputFormat::GTF: return afterLastLine(text, searchFrom);
  }
  return 0;
}

void TextFront::cut(Piece& piece, Pipeline<Piece>::Emit& emit) {
  if (!piece.error.empty()) {
    error_ = piece.error;
    failedInput_ = piece.input;
    emit.stop();
    return;
  }
  DecodedChunk& chunk = piece.chunk;
  // A cut can only lie in the carry's last line or after it.
  const size_t searchFrom = carry_.empty() ? 0 : afterLastLine(carry_.view(), 0);
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
  // Listings that follow one another are one text: a group may run on.
  const bool runsOn = piece.lastOfInput && piece.input + 1 < inputs_.size() &&
                      inputs_[piece.input].format == InputFormat::LISTING &&
                      inputs_[piece.input + 1].format == InputFormat::LISTING;
  if (!piece.lastOfInput || runsOn) {
    const size_t cut = cutAt(piece, text, searchFrom);
    // Only a listing's cut needs the line feeds; an annotation's parser counts its own.
    const int64_t feedsAfter = cut == 0 ? piece.lineFeeds : piece.lineFeeds % static_cast<int64_t>(GROUP_LINES);
    if (cut == 0 && chunk.begin == 0) {
      carry_ = std::move(chunk.text);
    } else {
      carry_.append(text.substr(cut));
    }
    carryFeeds_ = feedsAfter;
    piece.lineFeeds -= feedsAfter;
    piece.lastOfInput = false;
    if (cut == 0) return;
    chunk.text.resize(chunk.begin + cut);
  }
  // The last piece of an input goes on even when empty: it tells the
  // gathering that the input has ended.
  if (chunk.text.size() > chunk.begin || piece.lastOfInput) emit(std::move(piece));
}
