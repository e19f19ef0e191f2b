#include "lookup/bgzf_blocks.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <thread>
#include <vector>

namespace {

uint32_t littleEndian(std::string_view s, size_t at, int bytes) {
  uint32_t value = 0;
  for (int k = bytes - 1; k >= 0; --k) value = value << 8 | static_cast<uint8_t>(s[at + k]);
  return value;
}

// What the gzip members in `gz` hold, one after another; false on any error
// or a member cut short.
bool inflateMembers(std::string_view gz, std::string& out) {
  z_stream z{};
  if (inflateInit2(&z, 31) != Z_OK) return false;
  z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(gz.data()));
  z.avail_in = static_cast<uInt>(gz.size());
  bool whole = true;
  int rc = Z_OK;
  while (z.avail_in > 0 && rc == Z_OK) {
    char buffer[1 << 16];
    z.next_out = reinterpret_cast<Bytef*>(buffer);
    z.avail_out = sizeof buffer;
    rc = inflate(&z, Z_NO_FLUSH);
    out.append(buffer, sizeof buffer - z.avail_out);
    whole = rc == Z_STREAM_END;
    if (whole) rc = inflateReset(&z);
  }
  inflateEnd(&z);
  return rc == Z_OK && whole;
}

// Checks that `gz` is `wantBlocks` whole BGZF blocks, each inflating alone,
// full but for the last, and that together they hold `input`.
void expectBlocksOf(std::string_view gz, std::string_view input, size_t wantBlocks) {
  std::string inflated;
  size_t at = 0, nBlocks = 0;
  for (; at + 18 <= gz.size(); ++nBlocks) {
    ASSERT_EQ(gz.substr(at, 4), std::string_view("\x1f\x8b\x08\x04", 4)) << "block at " << at;
    ASSERT_EQ(gz.substr(at + 10, 6), std::string_view("\x06\0BC\x02\0", 6)) << "block at " << at;
    const size_t blockSize = littleEndian(gz, at + 16, 2) + 1;
    ASSERT_LE(at + blockSize, gz.size());
    const std::string_view block = gz.substr(at, blockSize);
    const size_t isize = littleEndian(block, blockSize - 4, 4);
    EXPECT_TRUE(isize == BGZF_BLOCK_INPUT || at + blockSize == gz.size()) << "a short block before the last";
    ASSERT_TRUE(inflateMembers(block, inflated)) << "block at " << at;
    at += blockSize;
  }
  EXPECT_EQ(at, gz.size());
  EXPECT_EQ(nBlocks, wantBlocks);
  EXPECT_TRUE(inflated == input);
  std::string whole;
  EXPECT_TRUE(inflateMembers(gz, whole) && whole == input);
}

// t2 entries, as the table writer makes them.
std::string tableText(size_t size) {
  std::string text;
  for (int k = 0; text.size() < size; ++k)
    text += "#CDS=" + std::to_string(1000 * k + 1) + ".." + std::to_string(1000 * k + 900) + "\n#gene=g" +
            std::to_string(k % 4000) + "\n#nListings=1\n#nAlt=0\n#file=genome" + std::to_string(k / 4000) +
            ".gb\n#contig=1\n#beforeSpace=100\n#afterSpace=99\n#altCDSFirst=" + std::to_string(1000 * k + 1) +
            "\n#altCDSLast=" + std::to_string(1000 * k + 900) + "\n************\n";
  text.resize(size);
  return text;
}

TEST(BgzfBlocks, InflateBackToTheInput) {
  // input bytes, level
  const std::pair<size_t, int> cases[] = {{0, 6},     {1, 6},          {1, 0},          {65280, 1}, {65281, 6},
                                          {65281, 0}, {3000000, 0},    {3000000, 1},    {3000000, 6},
                                          {3000000, 9}, {2 * 65280, 9}};
  for (const auto& [size, level] : cases) {
    SCOPED_TRACE(testing::Message() << size << " bytes at level " << level);
    const std::string input = tableText(size);
    BgzfCompressor compressor(level);
    std::string gz = "kept";
    ASSERT_TRUE(compressor.appendBlocks(input, gz));
    ASSERT_EQ(gz.substr(0, 4), "kept");
    expectBlocksOf(std::string_view(gz).substr(4), input, (size + BGZF_BLOCK_INPUT - 1) / BGZF_BLOCK_INPUT);
    // Level 0 stores; the others shrink table text at least threefold.
    EXPECT_TRUE(size < 1000 || (level == 0 ? gz.size() > size : gz.size() < size / 3)) << gz.size();
  }
}

TEST(BgzfBlocks, LevelsOutOfRangeAreRefused) {
  for (int level : {-1, BGZF_MAX_LEVEL + 1, 12}) {
    BgzfCompressor compressor(level);
    std::string gz = "kept";
    EXPECT_FALSE(compressor.ready()) << level;
    EXPECT_FALSE(compressor.appendBlocks("abc", gz)) << level;
    EXPECT_EQ(gz, "kept");
  }
}

TEST(BgzfBlocks, EndOfFileBlock) {
  EXPECT_EQ(BGZF_EOF_BLOCK.size(), 28u);
  expectBlocksOf(BGZF_EOF_BLOCK, "", 1);
}

// Each thread with its own compressor, at the same time, makes what one
// thread alone makes.
TEST(BgzfBlocks, ThreadsSideBySide) {
  std::vector<std::string> inputs, alone, together(4);
  for (int t = 0; t < 4; ++t) {
    inputs.push_back(tableText(300000 + 70000 * t));
    BgzfCompressor compressor(6);
    ASSERT_TRUE(compressor.appendBlocks(inputs[t], alone.emplace_back()));
  }
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] { BgzfCompressor(6).appendBlocks(inputs[t], together[t]); });
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(together, alone);
}

TEST(BgzfBlocks, GzipAndZcatReadTheFile) {
  if (std::system("command -v gzip >/dev/null 2>&1 && command -v zcat >/dev/null 2>&1") != 0)
    GTEST_SKIP() << "no gzip or zcat";
  const std::string input = tableText(200000), path = testing::TempDir() + "bgzf_blocks_test.gz";
  std::string gz;
  ASSERT_TRUE(BgzfCompressor(6).appendBlocks(input, gz));
  gz += BGZF_EOF_BLOCK;
  std::ofstream(path, std::ios::binary) << gz;
  EXPECT_EQ(std::system(("gzip -t " + path).c_str()), 0);
  ASSERT_EQ(std::system(("zcat " + path + " > " + path + ".out").c_str()), 0);
  std::ifstream back(path + ".out", std::ios::binary);
  EXPECT_TRUE(std::string(std::istreambuf_iterator<char>(back), {}) == input);
  std::remove(path.c_str());
  std::remove((path + ".out").c_str());
}

}  // namespace
