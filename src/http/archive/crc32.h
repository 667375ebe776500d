// CRC-32 as ZIP, gzip and PNG use it (the reflected polynomial 0xEDB88320).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace orvane {

// The CRC-32 of everything `crc` covered followed by `size` bytes at `data`;
// start from 0. Folds 64 bytes a step with carry-less multiplication where
// the processor has it (PCLMULQDQ, SSE4.1), else slices by eight with tables.
[[nodiscard]] std::uint32_t Crc32Update(std::uint32_t crc, const void* data, std::size_t size);

[[nodiscard]] inline std::uint32_t Crc32Of(std::string_view bytes) {
  return Crc32Update(0, bytes.data(), bytes.size());
}

// The table method alone, whatever the processor: the reference the folding
// method is checked against.
[[nodiscard]] std::uint32_t Crc32UpdateByTables(std::uint32_t crc, const void* data,
                                                std::size_t size);

}  // namespace orvane
