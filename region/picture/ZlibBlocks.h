// Compressing data a block at a time into one zlib stream, the blocks on several cores at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace orandu {

// Fills the data's block `index` (0 first); every block is blockBytes long but the last.
using BlockSource = std::function<void(std::size_t index, std::span<std::uint8_t> block)>;
// Takes the stream's next piece, in order; false stops the compression.
using PieceSink = std::function<bool(std::span<const std::uint8_t> piece)>;

// Writes totalBytes of data as one zlib stream made of independently compressed blocks (libdeflate
// at its fastest level): each block is a raw deflate stream whose last deflate block is made
// non-final and followed by an empty stored block, as a sync flush does, and the Adler-32 of the
// whole data ends the stream. The sink gets the zlib header first, then each block's piece, then
// the checksum. Blocks are asked for in order, from the calling thread only; up to `threads` of
// them are compressed at once. Returns false when the sink refused a piece; what the block source
// throws passes, once the other threads are finished. totalBytes and blockBytes must be above 0.
bool WriteZlibBlocks(std::size_t totalBytes, std::size_t blockBytes, unsigned threads,
                     const BlockSource& fillBlock, const PieceSink& writePiece);

}  // namespace orandu
