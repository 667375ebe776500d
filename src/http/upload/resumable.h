// Answering the resumable upload protocol's requests (tus 1.0.0): options,
// creation (with the first bytes or without), offset, append and end. An
// upload's bytes go to its hidden temporary file as they are read, so a
// connection cut anywhere keeps every byte before the cut; once the offset
// reaches the length the file gets its modification time and its free safe
// name, as a form's file does.
#pragma once

#include <string_view>

#include "http/core/reply.h"
#include "http/core/request.h"
#include "http/core/resolve.h"
#include "http/upload/resumable_store.h"
#include "http/upload/upload_form.h"
#include "net/net_socket.h"

namespace orvane {

// How long a request waits for an upload that another request still holds
// (after interrupting that request's connection).
inline constexpr int kBusyUploadWaitMs = 5000;

// What the resumable target `target` (one of the kResumable kinds) of
// `request` is answered with, the upload's bytes received from `client`
// into `context.folder`. A client that goes, falls silent or drips gets
// nothing (kNothing), and its upload keeps what arrived.
[[nodiscard]] Reply AnswerResumable(net::NetSocket& client, const ParsedRequest& request,
                                    const Target& target, const UploadContext& context,
                                    ResumableStore& store);

}  // namespace orvane
