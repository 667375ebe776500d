// A file body for the decisions' tests: only its size is real (nullopt: the
// size cannot be read); it reads as empty.
#pragma once

#include <cstdint>
#include <optional>

#include "http/core/body_source.h"

namespace orvane::testing {

struct StandInFile : BodySource {
  explicit StandInFile(std::optional<std::uint64_t> size_ = 0) : size(size_) {}
  std::optional<std::uint64_t> size;
  [[nodiscard]] std::optional<std::uint64_t> Length() const override { return size; }
  bool Seek(std::uint64_t) override { return true; }
  std::int64_t Read(char*, std::size_t) override { return 0; }
  [[nodiscard]] std::intptr_t native() const override { return -1; }
};

}  // namespace orvane::testing
