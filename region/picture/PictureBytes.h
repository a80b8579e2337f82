// A picture file's bytes as decoders read them: in ranges, so a decoder reads only what it uses.
#pragma once

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>

#include "region/files/Errors.h"

namespace orandu {

class PictureBytes {
 public:
  virtual ~PictureBytes() = default;

  // The file's size, fixed when it was opened.
  virtual std::uint64_t size() const = 0;

  // Reads up to out.size() bytes from the offset and returns how many were read: fewer only
  // where the file ends.
  virtual std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) = 0;
};

// Bytes already in memory.
class PictureBytesInMemory : public PictureBytes {
 public:
  explicit PictureBytesInMemory(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}
  std::uint64_t size() const override { return bytes_.size(); }
  std::size_t ReadAt(std::uint64_t offset, std::span<std::uint8_t> out) override {
    if (offset >= bytes_.size()) return 0;
    const std::size_t count = std::min<std::uint64_t>(out.size(), bytes_.size() - offset);
    std::memcpy(out.data(), bytes_.data() + offset, count);
    return count;
  }

 private:
  std::span<const std::uint8_t> bytes_;
};

// Reads a stretch of the bytes front to back through a small buffer, up to an end offset.
class PictureByteStream {
 public:
  PictureByteStream(PictureBytes& bytes, std::uint64_t start, std::uint64_t end)
      : bytes_(bytes), position_(start), end_(std::min(end, bytes.size())) {}

  std::uint64_t Position() const { return position_ - (filled_ - next_); }
  bool AtEnd() { return next_ == filled_ && !Refill(); }

  // The next byte; the stream read error when the stretch has ended.
  std::uint8_t Next() {
    if (next_ == filled_ && !Refill()) throw OranduError(std::string(kStreamReadErrorMessage));
    return buffer_[next_++];
  }

  // Reads up to out.size() bytes; fewer only where the stretch ends.
  std::size_t Read(std::span<std::uint8_t> out) {
    std::size_t done = 0;
    while (done < out.size()) {
      const std::span<const std::uint8_t> piece = Available();
      if (piece.empty()) break;
      const std::size_t count = std::min(piece.size(), out.size() - done);
      std::memcpy(out.data() + done, piece.data(), count);
      Consume(count);
      done += count;
    }
    return done;
  }

  // Moves on by `count` bytes without reading them; false when that passes the end.
  bool Skip(std::uint64_t count) {
    const std::size_t buffered = filled_ - next_;
    if (count <= buffered) {
      next_ += static_cast<std::size_t>(count);
      return true;
    }
    count -= buffered;
    next_ = filled_ = 0;
    if (count > end_ - position_) {
      position_ = end_;
      return false;
    }
    position_ += count;
    return true;
  }

  // The bytes in the buffer from the current one on, reading more when it is empty; empty at
  // the end. The caller takes what it uses with Consume.
  std::span<const std::uint8_t> Available() {
    if (next_ == filled_) Refill();
    return std::span<const std::uint8_t>(buffer_.data() + next_, filled_ - next_);
  }
  void Consume(std::size_t count) { next_ += count; }

 private:
  bool Refill() {
    next_ = filled_ = 0;
    if (position_ >= end_) return false;
    const std::size_t wanted = std::min<std::uint64_t>(buffer_.size(), end_ - position_);
    filled_ = bytes_.ReadAt(position_, std::span(buffer_.data(), wanted));
    position_ += filled_;
    if (filled_ == 0) end_ = position_;  // the file shrank since it was opened
    return filled_ > 0;
  }

  PictureBytes& bytes_;
  std::uint64_t position_;  // of the byte after the buffer's last
  std::uint64_t end_;
  std::array<std::uint8_t, 65536> buffer_;
  std::size_t next_ = 0;
  std::size_t filled_ = 0;
};

}  // namespace orandu
