// What a reply's file bytes are read from: an open file of the site folder,
// or a test's stand-in that fails or stalls where a disk, a network share or
// a cloud provider can.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace orvane {

class FileBody {
 public:
  virtual ~FileBody() = default;
  // nullopt when the size cannot be read.
  [[nodiscard]] virtual std::optional<std::uint64_t> Length() const = 0;
  // Moves the read position, which is at the start of the file until then.
  virtual bool Seek(std::uint64_t offset) = 0;
  // Bytes read (0 at the end of the file) or -1 on an error.
  virtual std::int64_t Read(char* buffer, std::size_t size) = 0;
  // The native handle for zero-copy sending; -1 when there is none.
  [[nodiscard]] virtual std::intptr_t native() const = 0;
  // True for a placeholder whose bytes a cloud provider still has to bring
  // (the first read waits for it).
  [[nodiscard]] virtual bool in_cloud() const { return false; }
};

}  // namespace orvane
