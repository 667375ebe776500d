// What a reply's body is read from: an open file of the site folder, a body
// made as it is sent, or a test's stand-in that fails or stalls where a disk,
// a network share or a cloud provider can. The one send loop drains it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace orvane {

// A piece of a body for a send loop that hands file bytes to the system
// (sendfile): bytes the source made, or a range of one of its open files.
struct BodySpan {
  enum class Kind { kBytes, kFile, kEnd, kFailed };
  Kind kind = Kind::kEnd;
  std::string_view bytes;    // kBytes
  std::intptr_t file = -1;   // kFile: the native handle
  std::uint64_t offset = 0;  // kFile: the first byte's offset in that file
  std::uint64_t count = 0;   // kFile
};

class BodySource {
 public:
  virtual ~BodySource() = default;
  // nullopt when the size cannot be read.
  [[nodiscard]] virtual std::optional<std::uint64_t> Length() const = 0;
  // Moves the read position, which is at the start of the body until then.
  virtual bool Seek(std::uint64_t offset) = 0;
  // Bytes read (0 at the end of the body) or -1 on an error.
  virtual std::int64_t Read(char* buffer, std::size_t size) = 0;
  // The native handle for zero-copy sending; -1 when there is none.
  [[nodiscard]] virtual std::intptr_t native() const = 0;
  // True for a placeholder whose bytes a cloud provider still has to bring
  // (the first read waits for it).
  [[nodiscard]] virtual bool in_cloud() const { return false; }
  // How long the first read of such a placeholder may wait (it grows with
  // the file's size); 0 for every other source.
  [[nodiscard]] virtual int first_read_limit_ms() const { return 0; }
  // A file's last write when it was opened, in seconds since 1970 UTC (with
  // its length, what tells a changed file); nullopt for a body made here.
  [[nodiscard]] virtual std::optional<std::int64_t> changed_unix_seconds() const {
    return std::nullopt;
  }
  // True for a body made as it is sent (an archive), which the send loop
  // reads in larger pieces than a file's.
  [[nodiscard]] virtual bool made_as_sent() const { return false; }
  // A body made of files and bytes of its own (an archive) may be given as
  // spans: the next one from the read position, at most `max` bytes (kEnd
  // at the end, kFailed where Read would fail), valid until Advance moves
  // the read position by what was sent. nullopt: no spans, Read is the way.
  virtual std::optional<BodySpan> NextSpan(std::uint64_t /*max*/) { return std::nullopt; }
  virtual void Advance(std::uint64_t /*sent*/) {}
};

// Where a request's body goes as it is read: each piece in order, as it
// arrives. False stops the reading (the bytes cannot be kept).
class BodySink {
 public:
  virtual ~BodySink() = default;
  virtual bool Take(std::string_view bytes) = 0;
};

}  // namespace orvane
