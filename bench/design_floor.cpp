// The least a server of OrvaneServer's design can do per connection, as a
// yardstick for `./x bench`: 500 threads made suspended (a detached pthread
// waiting on its own start gate, as the POSIX thread layer makes them), one
// of them waiting in accept; the one that accepts resumes the lowest free
// slot's thread, receives once, opens and reads the one file, sends head and
// body in one send, closes, makes a fresh suspended thread for its slot,
// frees the slot and ends. No log, no date, no path mapping, no drain.
//   design-floor FILE PORT
// Listens on 127.0.0.1:PORT with a backlog of 5 until it is killed.
#include <fcntl.h>
#include <netinet/in.h>
#include <pthread.h>
#include <sys/socket.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <string>

namespace {

constexpr int kSlots = 500;

// The start gate of a suspended thread, shared by the thread and its handle.
struct StartGate {
  int slot = 0;
  std::mutex mutex;
  std::condition_variable opened;
  bool open = false;  // guarded by mutex
};

std::mutex pool_lock;
bool slot_busy[kSlots + 1];                          // guarded by pool_lock
std::shared_ptr<StartGate> slot_thread[kSlots + 1];  // guarded by pool_lock
int listener = -1;
const char* file_path = nullptr;

void WorkerMain(int slot);

void* ThreadMain(void* raw) {
  auto* held = static_cast<std::shared_ptr<StartGate>*>(raw);
  std::shared_ptr<StartGate> gate = std::move(*held);
  delete held;
  {
    std::unique_lock<std::mutex> lock(gate->mutex);
    gate->opened.wait(lock, [&] { return gate->open; });
  }
  WorkerMain(gate->slot);
  return nullptr;
}

std::shared_ptr<StartGate> MakeSuspended(int slot) {
  auto gate = std::make_shared<StartGate>();
  gate->slot = slot;
  pthread_attr_t attr;
  pthread_attr_init(&attr);
  pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
  auto* handed = new std::shared_ptr<StartGate>(gate);
  pthread_t id;
  const int rc = pthread_create(&id, &attr, ThreadMain, handed);
  pthread_attr_destroy(&attr);
  if (rc != 0) {
    delete handed;
    return nullptr;
  }
  return gate;
}

void Resume(StartGate& gate) {
  {
    std::lock_guard<std::mutex> lock(gate.mutex);
    gate.open = true;
  }
  gate.opened.notify_one();
}

void WorkerMain(int slot) {
  const int client = accept4(listener, nullptr, nullptr, SOCK_CLOEXEC);
  if (client < 0) return;
  std::shared_ptr<StartGate> next;
  {
    std::lock_guard<std::mutex> lock(pool_lock);
    for (int s = 1; s <= kSlots; ++s) {
      if (!slot_busy[s]) {
        slot_busy[s] = true;
        next = slot_thread[s];
        break;
      }
    }
  }
  if (!next) {  // the pool is exhausted: the floor only closes
    close(client);
    return;
  }
  Resume(*next);
  // On the heap: a fresh thread's stack pages are fresh pages, and touching
  // them costs a page fault each (the C library gives them back at exit).
  std::string request(8191, '\0');
  if (recv(client, request.data(), request.size(), 0) > 0) {
    const int file = open(file_path, O_RDONLY | O_CLOEXEC);
    if (file >= 0) {
      std::string body(16384, '\0');
      const ssize_t got = read(file, body.data(), body.size());
      close(file);
      if (got >= 0) {
        std::string answer = "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(got) +
                             "\r\nContent-Type: text/html\r\n\r\n";
        answer.append(body.data(), static_cast<std::size_t>(got));
        (void)send(client, answer.data(), answer.size(), MSG_NOSIGNAL);
      }
    }
  }
  close(client);
  std::shared_ptr<StartGate> fresh = MakeSuspended(slot);
  std::lock_guard<std::mutex> lock(pool_lock);
  slot_thread[slot] = fresh;
  slot_busy[slot] = fresh == nullptr;  // a slot without a thread stays out of use
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::fprintf(stderr, "usage: design-floor FILE PORT\n");
    return 2;
  }
  file_path = argv[1];
  listener = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
  const int one = 1;
  setsockopt(listener, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(std::atoi(argv[2])));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  if (bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      listen(listener, 5) != 0) {
    std::perror("design-floor");
    return 1;
  }
  {
    std::lock_guard<std::mutex> lock(pool_lock);
    for (int s = 1; s <= kSlots; ++s) {
      slot_thread[s] = MakeSuspended(s);
      slot_busy[s] = slot_thread[s] == nullptr;
    }
  }
  if (!slot_thread[1]) return 1;
  slot_busy[1] = true;
  Resume(*slot_thread[1]);
  for (;;) pause();
}
