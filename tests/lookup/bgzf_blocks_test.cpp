#include "lookup/bgzf_blocks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdlib>
#include <fstream>

namespace {

// What the gzip members in `gz` hold one after another; false on an error or a member cut short.
bool inflateMembers(std::string_view gz, std::string& out) {
  z_stream z{};
  if (inflateInit2(&z, 31) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  z.avail_in = static_cast<uInt>(gz.size());
  int rc = Z_STREAM_END;  // as after a whole member
  while (z.avail_in > 0 && (rc == Z_OK || rc == Z_STREAM_END)) {
    if (rc == Z_STREAM_END) inflateReset(&z);
    char buffer[1 << 16];
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
  }
  inflateEnd(&z);
  return rc == Z_STREAM_END;
}

// `gz` is `nBlocks` BGZF blocks that hold `input`, each full but the last and each inflating alone.
void expectBlocks(std::string_view gz, std::string_view input, size_t nBlocks) {
  std::string inflated;
  size_t at = 0;
  for (; at < gz.size(); --nBlocks) {
    ASSERT_EQ(gz.substr(at, 16), std::string_view("\x1f\x8b\x08\x04\0\0\0\0\0\xff\x06\0BC\x02\0", 16)) << at;
    const size_t size = (static_cast<uint8_t>(gz[at + 17]) << 8 | static_cast<uint8_t>(gz[at + 16])) + 1;
    ASSERT_LE(at + size, gz.size());
    ASSERT_TRUE(inflateMembers(gz.substr(at, size), inflated)) << at;
    EXPECT_TRUE(inflated.size() % BGZF_BLOCK_INPUT == 0 || at + size == gz.size()) << "short block at " << at;
    at += size;
  }
  EXPECT_EQ(nBlocks, 0u);
  EXPECT_TRUE(inflated == input);
}

// t2 entries of made-up genes, `size` bytes.
std::string tableText(size_t size) {
  std::string text;
  for (int k = 0; text.size() < size; ++k)
    text += "#CDS=" + std::to_string(997 * k) + "..1\n#gene=g" + std::to_string(k % 4000) + "\n#nListings=1\n#nAlt=0\n"
            "#file=genome.gb\n#contig=1\n#beforeSpace=" + std::to_string(k % 300) + "\n#afterSpace=9\n************\n";
  return text.substr(0, size);
}

TEST(BgzfBlocks, InflateBackToTheInput) {
  // input bytes, level
  const std::pair<size_t, int> cases[] = {{0, 6},     {1, 6},       {1, 0},       {65280, 1},   {65281, 6},
                                          {65281, 0}, {3000000, 0}, {3000000, 1}, {3000000, 9}, {130560, 9}};
  for (const auto& [size, level] : cases) {
    const std::string input = tableText(size);
    std::string gz = "kept";
    ASSERT_TRUE(BgzfCompressor(level).appendBlocks(input, gz)) << size << " at " << level;
    ASSERT_EQ(gz.substr(0, 4), "kept");
    expectBlocks(std::string_view(gz).substr(4), input, (size + BGZF_BLOCK_INPUT - 1) / BGZF_BLOCK_INPUT);
    // Level 0 stores; the others shrink table text at least threefold.
    EXPECT_TRUE(size < 1000 || (level == 0 ? gz.size() > size : gz.size() < size / 3)) << size << " at " << level;
  }
}

TEST(BgzfBlocks, EndOfFileAndLevelsOutOfRange) {
  EXPECT_EQ(BGZF_EOF_BLOCK.size(), 28u);
  expectBlocks(BGZF_EOF_BLOCK, "", 1);
  for (int level : {-1, BGZF_MAX_LEVEL + 1}) {
    std::string gz = "kept";
    EXPECT_FALSE(BgzfCompressor(level).appendBlocks("abc", gz) || gz != "kept") << level;
  }
}

}  // namespace
