// Tunables of the service. The defaults are the product's; tests shorten the
// waits and shrink the pool.
#pragma once

#include <functional>

#include "http/listing/folder_listing.h"
#include "http/body_receive.h"
#include "http/core/serving_options.h"
#include "http/worker_pool.h"

namespace orvane {

// The product's ceiling on answered connections drained at the same time
// (ServerOptions::max_lingering).
inline constexpr int kMaxLingering = 128;

struct ServerOptions {
  int slot_count = 500;
  // A request must arrive whole within this time from the accept.
  int receive_deadline_ms = 10000;
  // A send gives up when the client has taken nothing for this long.
  int send_wait_ms = 15000;
  // After an answer, how long the client's leftover bytes are read and
  // dropped before the close (so the close sends no reset over the answer).
  int linger_ms = 2000;
  // At most this many answered connections are drained at the same time.
  // Each drain holds a thread and a socket outside the pool's slots, so
  // without a ceiling clients that never close could pile them up without
  // limit; above it an answered connection is closed at once.
  int max_lingering = kMaxLingering;
  // At most this many folder listings are built at the same time; the
  // others wait their turn within their request's deadline (then 500).
  int max_listings = 4;
  // How long FinalShutdown waits for the workers to end.
  int shutdown_wait_ms = 5000;
  // How slow a request body (an upload) may come before it is given up.
  ReceiveLimits body_limits;

  // Seams for tests, named test_*; the program keeps their defaults.
  // How the pool makes its worker threads; tests make it fail.
  ThreadMaker test_make_thread = &platform::Thread::Create;
  // Both hooks run on a worker's thread and are empty in the program.
  // Between Accept and the recording of the connection in the worker's slot:
  std::function<void()> test_after_accept;
  // Once the request has been read, before its file is opened and read (a
  // hook that does not return stands for a read from a hung network share):
  std::function<void()> test_before_answer;
  // The most entries a listing page shows; tests lower it to reach the line
  // for the rest with a small folder.
  std::size_t test_listing_cap = kListingCap;
};

}  // namespace orvane
