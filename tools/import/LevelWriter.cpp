// The level files of a native import: block means streamed out a row of blocks at a time.
#include "tools/import/LevelWriter.h"

#include <bit>
#include <cstring>
#include <system_error>

#include "region/grid/LevelFiles.h"

namespace orandu {
namespace {

std::size_t IndexOf(int factor) {
  return static_cast<std::size_t>(std::countr_zero(static_cast<unsigned>(factor)) - 1);
}

int FactorOf(std::size_t index) {
  return 2 << index;
}

}  // namespace

LevelWriter::LevelWriter(const std::filesystem::path& grid, std::size_t columns)
    : grid_(grid),
      columns_(columns),
      finestRow_(columns),
      builder_(static_cast<int>(columns), [this](int factor, std::span<const std::int16_t> row) {
        if constexpr (std::endian::native == std::endian::little) {
          files_[IndexOf(factor)]->Write(
              std::span(reinterpret_cast<const std::uint8_t*>(row.data()), row.size() * 2));
        } else {
          rowBytes_.resize(row.size() * 2);
          for (std::size_t i = 0; i < row.size(); ++i) {
            const auto raw = static_cast<std::uint16_t>(row[i]);
            rowBytes_[2 * i] = static_cast<std::uint8_t>(raw);
            rowBytes_[2 * i + 1] = static_cast<std::uint8_t>(raw >> 8);
          }
          files_[IndexOf(factor)]->Write(rowBytes_);
        }
      }) {
  for (std::size_t index = 0; index < files_.size(); ++index) {
    files_[index] = std::make_unique<AtomicFileWriter>(LevelFilePath(grid, FactorOf(index)));
  }
}

void LevelWriter::AddRows(std::span<const std::uint8_t> rows, std::size_t count) {
  for (std::size_t row = 0; row < count; ++row) {
    const std::uint8_t* from = rows.data() + row * columns_ * 2;
    if constexpr (std::endian::native == std::endian::little) {
      std::memcpy(finestRow_.data(), from, columns_ * 2);
    } else {
      for (std::size_t column = 0; column < columns_; ++column) {
        finestRow_[column] =
            static_cast<std::int16_t>(from[2 * column] | from[2 * column + 1] << 8);
      }
    }
    builder_.AddRow(std::span<const std::int16_t>(finestRow_));
  }
}

void LevelWriter::Finish() {
  builder_.Complete();
}

bool LevelWriter::Ok() const {
  for (const auto& file : files_) {
    if (!file->Ok()) return false;
  }
  return true;
}

std::filesystem::path LevelWriter::Failed() const {
  if (!failed_.empty()) return failed_;
  for (std::size_t index = 0; index < files_.size(); ++index) {
    if (!files_[index]->Ok()) return LevelFilePath(grid_, FactorOf(index));
  }
  return {};
}

bool LevelWriter::RemoveEarlier() {
  for (std::size_t index = 0; index < files_.size(); ++index) {
    const auto path = LevelFilePath(grid_, FactorOf(index));
    std::error_code error;
    std::filesystem::remove(path, error);
    if (error) {
      failed_ = path;
      return false;
    }
  }
  return true;
}

bool LevelWriter::Commit() {
  for (std::size_t index = 0; index < files_.size(); ++index) {
    if (files_[index]->Commit()) continue;
    failed_ = LevelFilePath(grid_, FactorOf(index));
    for (std::size_t renamed = 0; renamed < index; ++renamed) {
      std::error_code ignored;
      std::filesystem::remove(LevelFilePath(grid_, FactorOf(renamed)), ignored);
    }
    return false;
  }
  return true;
}

}  // namespace orandu
