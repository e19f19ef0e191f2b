#include "io/decoding_source.h"
#include "tests/in_memory.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include <bzlib.h>
#include <libdeflate.h>
#include <lzma.h>
#include <zlib.h>
#include <zstd.h>

namespace {

using namespace std::string_literals;  // headers with NUL bytes

// --- each format's data, made with its own library ---------------------------

// With the original file's name in its header, as `gzip FILE` writes it.
std::string gzip(std::string text, std::string name = "") {
  std::string out(text.size() + name.size() + 1000, '\0');  // room for a stored stream's headers
  z_stream z{};
  z.next_in = reinterpret_cast<Bytef*>(text.data());
  z.avail_in = static_cast<uInt>(text.size());
  z.next_out = reinterpret_cast<Bytef*>(out.data());
  z.avail_out = static_cast<uInt>(out.size());
  gz_header header{};
  header.name = reinterpret_cast<Bytef*>(name.data());
  EXPECT_EQ(deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY), Z_OK);
  if (!name.empty()) deflateSetHeader(&z, &header);
  EXPECT_EQ(deflate(&z, Z_FINISH), Z_STREAM_END);
  out.resize(z.total_out);
  deflateEnd(&z);
  return out;
}

uint32_t le16(const char* p) { return static_cast<uint8_t>(p[0]) | static_cast<uint8_t>(p[1]) << 8; }

std::string le(uint32_t value, int bytes) {
  std::string out;
  for (int k = 0; k < bytes; ++k) out += static_cast<char>(value >> 8 * k);
  return out;
}

// Blocks of `blockText` bytes of text, then the empty block bgzip ends with.
std::string bgzf(const std::string& text, size_t blockText = 65280) {
  libdeflate_compressor* c = libdeflate_alloc_compressor(6);
  std::string out;
  std::vector<std::string> parts;
  for (size_t at = 0; at < text.size(); at += blockText) parts.push_back(text.substr(at, blockText));
  parts.emplace_back();
  for (const std::string& part : parts) {
    std::string deflated(libdeflate_deflate_compress_bound(c, part.size()), '\0');
    deflated.resize(libdeflate_deflate_compress(c, part.data(), part.size(), deflated.data(), deflated.size()));
    out += "\x1f\x8b\x08\x04"s + le(0, 4) + "\x00\xff\x06\x00" "BC"s + le(2, 2) + le(18 + deflated.size() + 8 - 1, 2) +
           deflated + le(libdeflate_crc32(0, part.data(), part.size()), 4) + le(part.size(), 4);
  }
  libdeflate_free_compressor(c);
  return out;
}

std::string xz(const std::string& text) {
  std::string out(lzma_stream_buffer_bound(text.size()), '\0');
  size_t size = 0;
  EXPECT_EQ(lzma_easy_buffer_encode(1, LZMA_CHECK_CRC64, nullptr, reinterpret_cast<const uint8_t*>(text.data()),
                                    text.size(), reinterpret_cast<uint8_t*>(out.data()), &size, out.size()), LZMA_OK);
  return out.substr(0, size);
}

std::string zstd(const std::string& text) {
  ZSTD_CCtx* c = ZSTD_createCCtx();
  ZSTD_CCtx_setParameter(c, ZSTD_c_checksumFlag, 1);  // else a flipped literal goes unseen
  std::string out(ZSTD_compressBound(text.size()), '\0');
  out.resize(ZSTD_compress2(c, out.data(), out.size(), text.data(), text.size()));
  ZSTD_freeCCtx(c);
  return out;
}

std::string bzip2(std::string text) {
  std::string out(text.size() + text.size() / 100 + 600, '\0');
  unsigned size = static_cast<unsigned>(out.size());
  EXPECT_EQ(BZ2_bzBuffToBuffCompress(out.data(), &size, text.data(), static_cast<unsigned>(text.size()), 1, 0, 0), BZ_OK);
  return out.substr(0, size);
}

// --- the checker --------------------------------------------------------------

// Short texts as they are, long ones by size and hash, so that a failure prints a line.
std::string shown(const std::string& text) {
  return text.size() < 100 ? text : std::to_string(text.size()) + " bytes #" + std::to_string(std::hash<std::string>{}(text));
}

// The decoded bytes up to a clean end, or the error that ends them, with the
// reason of a corrupt stream shown as "(...)". `chunk` bounds both what the
// raw source hands out and what is asked of the decoder a read.
std::string decoded(const std::string& raw, size_t chunk) {
  StringSource source(raw, chunk);
  DecodingSource decoding(source);
  std::string out, error;
  DecodedChunk piece;
  while (error.empty() && decoding.next(piece, std::min<size_t>(chunk, 100000), 3)) {
    if (piece.bgzf.blocks.empty()) {
      out.append(piece.text.view(piece.begin));
      continue;
    }
    std::string text(piece.bgzf.text, '\0');
    if (const char* reason = inflateBgzfChunk(piece.bgzf, text.data())) error = std::string("corrupt gzip data (") + reason + ")";
    out += text;
  }
  if (error.empty()) error = decoding.error();
  if (error.empty()) return shown(out);
  const size_t reason = error.find(" (");
  return reason != std::string::npos && error.size() > reason + 3 ? error.substr(0, reason) + " (...)" : error;
}

// Barely compressible, so that a compressed stream takes several reads of the buffer.
std::string noise(size_t size) {
  std::string text = "#";
  for (uint32_t x = 1; text.size() < size; x = x * 1103515245 + 12345) text += static_cast<char>(x >> 23);
  return text;
}

struct Case {
  std::string raw, expected;
};

void check(const std::vector<Case>& cases, std::initializer_list<size_t> chunks) {
  for (size_t k = 0; k < cases.size(); ++k)
    for (size_t chunk : chunks)
      EXPECT_EQ(decoded(cases[k].raw, chunk), cases[k].expected) << "case " << k << ", chunk " << chunk;
}

// --- the cases ----------------------------------------------------------------

TEST(DecodingSource, EveryFormatWholeConcatenatedTruncatedCorrupt) {
  const struct {
    const char* name;
    std::function<std::string(const std::string&)> pack;
  } formats[] = {{"gzip", [](const std::string& t) { return gzip(t); }}, {"gzip", [](const std::string& t) { return bgzf(t); }}, {"xz", xz}, {"zstd", zstd}, {"bzip2", bzip2}};
  const std::string text = noise(300000), listing = group("1..2", "a");
  for (const auto& format : formats) {
    const std::string packed = format.pack(text), truncated = std::string("truncated ") + format.name + " data",
                      corrupt = std::string("corrupt ") + format.name + " data (...)";
    std::string flipped = packed;
    flipped[packed.size() / 2] ^= 0x55;
    SCOPED_TRACE(format.name);
    check({{format.pack(""), ""},
           {packed, shown(text)},
           {format.pack(listing) + format.pack("") + format.pack("more"), listing + "more"},
           {packed.substr(0, packed.size() / 2), truncated},
           {packed.substr(0, packed.size() - 1), truncated},
           {flipped, corrupt},
           {format.pack(listing) + "trailing text", corrupt}},
          {1, 3, 7, SIZE_MAX});
  }
}

TEST(DecodingSource, BgzfBlocksAndMembers) {
  // Several batches: more text than one batch, more blocks than one input buffer holds.
  const std::string as(5000000, 'a'), text = noise(3000000) + as, listing = group("1..2", "a");
  // The first block's CRC and text size altered, and two bytes slipped in after its deflate data.
  std::string badCrc = bgzf(listing + listing), badSize = badCrc, slack = badCrc;
  const size_t end = 1 + le16(badCrc.data() + 16);
  badCrc[end - 8] ^= 1;
  badSize[end - 4] ^= 1;
  slack.insert(end - 8, "\0\0"s);
  slack[16] = static_cast<char>(slack[16] + 2);
  const std::vector<Case> cases = {
      {bgzf(text), shown(text)},
      {bgzf(text, 1000), shown(text)},
      {bgzf(as, as.size()), shown(as)},  // one block with more text than a batch: streamed
      {bgzf(listing) + gzip("plain member ") + bgzf(listing), listing + "plain member " + listing},
      {bgzf(text).substr(0, 2500000), "truncated gzip data"},
      // Cut at a block's end: gzip sees whole members; only the missing empty block tells.
      {bgzf(listing).substr(0, bgzf(listing).size() - bgzf("").size()), "truncated BGZF data (...)"},
      {bgzf(listing) + bgzf(listing), listing + listing},
      // A header longer than the first bytes looked at: read whole, then inflated.
      {gzip(listing, std::string(40, 'n')) + gzip(listing, std::string(50000, 'n')), listing + listing},
      {badCrc, "corrupt gzip data (...)"},
      {badSize, "corrupt gzip data (...)"},
      {slack, "corrupt gzip data (...)"},
  };
  check(cases, {7, SIZE_MAX});
}

}  // namespace
