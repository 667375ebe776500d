// Resumable uploads as the tus 1.0.0 protocol has them (its core, with the
// creation, creation-with-upload, termination and expiration extensions):
// what a request asks and the status that refuses it, the metadata, the id
// of an upload and its address, when an idle upload is paused or removed,
// the head of each answer and the operator's lines. Pure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "http/core/reply.h"
#include "http/core/request.h"

namespace orvane {

inline constexpr std::string_view kTusVersion = "1.0.0";
inline constexpr std::string_view kTusExtensions =
    "creation,creation-with-upload,termination,expiration";
// The type of an upload's bytes in a PATCH (and a creation that brings some).
inline constexpr std::string_view kOffsetStreamType = "application/offset+octet-stream";
// At most this many uploads are unfinished at once.
inline constexpr std::size_t kMaxUnfinishedUploads = 64;
// An upload that brought no byte for this long is paused (the operator is
// told once), and for this long it is removed.
inline constexpr std::int64_t kPausedAfterMs = 60 * 1000;
inline constexpr std::int64_t kExpiresAfterMs = 60 * 60 * 1000;
// An upload's id is this many random bytes, written as lower-case hex.
inline constexpr std::size_t kUploadIdBytes = 16;

// The id made of `random` (kUploadIdBytes bytes from the system's source).
[[nodiscard]] std::string UploadIdFrom(std::string_view random);
// True for an id UploadIdFrom makes: 2 * kUploadIdBytes lower-case hex digits.
[[nodiscard]] bool IsUploadId(std::string_view id);
// The address of the upload `id`: kUploadPath, "/", the id.
[[nodiscard]] std::string UploadAddress(std::string_view id);

// Base64 as RFC 4648 writes it: the standard alphabet, padded to a multiple
// of four, the bits the padding leaves unused zero; nullopt for anything
// else (blanks and line breaks included).
[[nodiscard]] std::optional<std::string> DecodeBase64(std::string_view text);

// What an upload's metadata says of its file.
struct UploadMetadata {
  std::string filename;  // UTF-8, not empty
  // When the file was last changed, in milliseconds since 1970 UTC; nullopt
  // when not given, or given as something other than a whole number of
  // milliseconds from 1601 to 9999 (the file then keeps its own time).
  std::optional<std::int64_t> last_modified_ms;
};

// Upload-Metadata: pairs "KEY BASE64" (or a KEY alone, an empty value)
// separated by commas, blanks around a pair allowed. nullopt, to be refused
// with 400, for a value that is not base64, an empty key or one given twice,
// and for a filename that is missing, empty or not UTF-8.
[[nodiscard]] std::optional<UploadMetadata> ParseUploadMetadata(
    std::optional<std::string_view> header);

// A new upload as its creation asks for it.
struct CreationAsk {
  std::uint64_t length = 0;  // Upload-Length
  UploadMetadata metadata;
  bool with_upload = false;  // its first bytes are the creation's body
};
// The creation (a POST with Tus-Resumable), or the status that refuses it:
// 412 for a Tus-Resumable other than 1.0.0, 400 for an Upload-Length that is
// missing or not digits and for metadata ParseUploadMetadata refuses, and
// for a body: 415 when it is not kOffsetStreamType, then the framing's
// status (431, 400, 411; see FramingOf).
struct CreationCheck {
  std::string_view refusal;  // empty when the creation may go on
  CreationAsk ask;
};
[[nodiscard]] CreationCheck CheckCreation(const ParsedRequest& request);

// 412 for a request without "Tus-Resumable: 1.0.0"; empty when it has it.
[[nodiscard]] std::string_view VersionRefusal(const ParsedRequest& request);

// A PATCH to an upload now at `offset`: 415 for a type other than
// kOffsetStreamType, 400 for an Upload-Offset missing or not digits, 409
// for another offset than `offset`, then the framing's status (431, 400,
// 411); empty when its body may be appended.
[[nodiscard]] std::string_view AppendRefusal(const ParsedRequest& request, std::uint64_t offset);

// What an idle upload calls for once it has brought no byte for `idle_ms`:
// removal past kExpiresAfterMs, the operator's line past kPausedAfterMs
// unless `told` already, else nothing.
enum class IdleStep { kNothing, kTellPaused, kRemove };
[[nodiscard]] IdleStep StepForIdle(std::int64_t idle_ms, bool told);

// Upload-Expires for an upload idle for `idle_ms` at `now_unix_seconds`:
// the HTTP date when it will have been idle for kExpiresAfterMs.
[[nodiscard]] std::string ExpiresText(std::int64_t now_unix_seconds, std::int64_t idle_ms);

// The answers. Each carries "Tus-Resumable: 1.0.0" and no body.
// A refusal or a bare answer with `status` (412 adds Tus-Version).
[[nodiscard]] Reply ResumableReply(std::string_view status);
// OPTIONS: 204 with the version, the extensions and, when known, the
// largest upload there is room for (Tus-Max-Size).
[[nodiscard]] Reply OptionsReply(std::optional<std::uint64_t> max_size);
// A creation: 201 with the upload's Location, Upload-Expires unless empty
// (an upload already whole) and, after a creation that brought bytes, its
// Upload-Offset.
[[nodiscard]] Reply CreatedReply(std::string_view id, std::optional<std::uint64_t> offset,
                                 std::string_view expires);
// HEAD: 200 with Upload-Offset, Upload-Length, Upload-Expires, never cached.
[[nodiscard]] Reply OffsetReply(std::uint64_t offset, std::uint64_t length,
                                std::string_view expires);
// A PATCH appended: `status` (204; 400 for a body past the length) with the
// new Upload-Offset and, while the upload is unfinished, Upload-Expires.
[[nodiscard]] Reply AppendedReply(std::string_view status, std::uint64_t offset,
                                  std::string_view expires);

// The operator's lines, in GBK (`name` already in the log's text):
// "上传已暂停: NAME (N%)" and "未完成的上传已删除: NAME", each with CR LF.
[[nodiscard]] std::string PausedLogLine(std::string_view name, std::uint64_t offset,
                                        std::uint64_t length);
[[nodiscard]] std::string RemovedLogLine(std::string_view name);

}  // namespace orvane
