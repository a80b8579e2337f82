// Compresses blocks of data with libdeflate on several threads and joins them into one zlib stream.
#include "region/picture/ZlibBlocks.h"

#include <libdeflate.h>
#include <zlib.h>

#include <algorithm>
#include <array>
#include <memory>
#include <optional>
#include <stdexcept>
#include <system_error>
#include <thread>
#include <vector>

#include "region/picture/DeflateWalk.h"

namespace orandu {

namespace {

constexpr int kFastestLevel = 1;
// The zlib header: deflate with a 32 KiB window, compressed at the fastest level, no dictionary.
constexpr std::array<std::uint8_t, 2> kZlibHeader = {0x78, 0x01};
// An empty stored block's length and its complement, after its 3 header bits (all zero when the
// block is not the final one) and the padding to a byte.
constexpr std::array<std::uint8_t, 4> kEmptyStoredLengths = {0x00, 0x00, 0xff, 0xff};
constexpr std::size_t kStoredHeaderBits = 3;

struct CompressorDeleter {
  void operator()(libdeflate_compressor* compressor) const {
    libdeflate_free_compressor(compressor);
  }
};
using Compressor = std::unique_ptr<libdeflate_compressor, CompressorDeleter>;

// One block on its way: the data, then its compressed piece and the data's checksum.
struct BlockWork {
  std::vector<std::uint8_t> data;
  std::size_t dataBytes = 0;
  std::vector<std::uint8_t> piece;
  std::uint32_t adler = 1;
  bool failed = false;
};

// Compresses a block into its piece of the stream: the final one stays final, the others end
// in a sync flush so that the next block's deflate stream continues the same stream. libdeflate
// marks the last deflate block it writes as final and does not say where that block starts or
// where its last bit is, so the piece is walked to find both.
void CompressBlock(libdeflate_compressor* compressor, bool last, BlockWork& work) {
  const std::span<const std::uint8_t> data(work.data.data(), work.dataBytes);
  work.adler = libdeflate_adler32(1, data.data(), data.size());
  // Within the capacity reserved beforehand: nothing is allocated on a helper thread.
  work.piece.resize(work.piece.capacity());
  const std::size_t compressed = libdeflate_deflate_compress(compressor, data.data(), data.size(),
                                                             work.piece.data(), work.piece.size());
  work.failed = compressed == 0;
  if (work.failed) return;
  work.piece.resize(compressed);
  if (last) return;
  const std::optional<FinalBlockBits> final = FindFinalBlock(work.piece);
  work.failed = !final || (final->end + 7) / 8 != compressed;
  if (work.failed) return;
  work.piece[final->header / 8] &= static_cast<std::uint8_t>(~(1u << (final->header % 8)));
  // The empty stored block's header goes right after the stream's last bit, which leaves the
  // rest of the last byte zero; when the header does not fit there it takes one more byte.
  const std::size_t usedBits = final->end - (compressed - 1) * 8;
  work.piece.back() &= static_cast<std::uint8_t>((1u << usedBits) - 1);
  if (usedBits + kStoredHeaderBits > 8) work.piece.push_back(0);
  work.piece.insert(work.piece.end(), kEmptyStoredLengths.begin(), kEmptyStoredLengths.end());
}

}  // namespace

bool WriteZlibBlocks(std::size_t totalBytes, std::size_t blockBytes, unsigned threads,
                     const BlockSource& fillBlock, const PieceSink& writePiece) {
  if (totalBytes == 0 || blockBytes == 0) throw std::invalid_argument("WriteZlibBlocks: no data");
  const std::size_t blockCount = (totalBytes + blockBytes - 1) / blockBytes;
  const std::size_t lanes = std::clamp<std::size_t>(threads, 1, blockCount);
  std::vector<Compressor> compressors;
  std::vector<BlockWork> works(lanes);
  for (std::size_t lane = 0; lane < lanes; ++lane) {
    compressors.emplace_back(libdeflate_alloc_compressor(kFastestLevel));
    if (!compressors.back()) throw std::bad_alloc();
    works[lane].data.resize(std::min(blockBytes, totalBytes));
    works[lane].piece.reserve(
        libdeflate_deflate_compress_bound(compressors.back().get(), works[lane].data.size()) + 1 +
        kEmptyStoredLengths.size());
  }
  if (!writePiece(kZlibHeader)) return false;
  std::uint32_t adler = 1;
  // A round fills one block a lane on this thread, compresses them all at once (this thread
  // takes the first), and writes them in order.
  for (std::size_t first = 0; first < blockCount; first += lanes) {
    const std::size_t roundBlocks = std::min(lanes, blockCount - first);
    for (std::size_t lane = 0; lane < roundBlocks; ++lane) {
      const std::size_t index = first + lane;
      BlockWork& work = works[lane];
      work.dataBytes = std::min(blockBytes, totalBytes - index * blockBytes);
      fillBlock(index, std::span(work.data).first(work.dataBytes));
    }
    // Memory running out on a helper thread is carried back to this one.
    std::vector<char> outOfMemory(roundBlocks, 0);
    const auto compress = [&](std::size_t lane) {
      try {
        CompressBlock(compressors[lane].get(), first + lane == blockCount - 1, works[lane]);
      } catch (const std::bad_alloc&) {
        outOfMemory[lane] = 1;
      }
    };
    {
      std::vector<std::jthread> helpers;
      for (std::size_t lane = 1; lane < roundBlocks; ++lane) {
        try {
          helpers.emplace_back(compress, lane);
        } catch (const std::system_error&) {  // no thread to be had: this one does the work
          compress(lane);
        }
      }
      compress(0);
    }
    for (std::size_t lane = 0; lane < roundBlocks; ++lane) {
      const BlockWork& work = works[lane];
      if (outOfMemory[lane] != 0) throw std::bad_alloc();
      if (work.failed) throw std::runtime_error("WriteZlibBlocks: a block did not compress");
      if (!writePiece(work.piece)) return false;
      adler = static_cast<std::uint32_t>(
          adler32_combine(adler, work.adler, static_cast<z_off_t>(work.dataBytes)));
    }
  }
  const std::array<std::uint8_t, 4> checksum = {
      static_cast<std::uint8_t>(adler >> 24), static_cast<std::uint8_t>(adler >> 16),
      static_cast<std::uint8_t>(adler >> 8), static_cast<std::uint8_t>(adler)};
  return writePiece(checksum);
}

}  // namespace orandu
