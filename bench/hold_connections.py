#!/usr/bin/env python3
"""Opens COUNT connections to 127.0.0.1:PORT, sends half a request on each and
holds them for SECONDS, then closes them all. Prints how many connected.

usage: hold_connections.py PORT COUNT SECONDS
"""
import socket
import sys
import time


def main() -> int:
    port, count, seconds = int(sys.argv[1]), int(sys.argv[2]), float(sys.argv[3])
    held = []
    deadline = time.monotonic() + seconds
    try:
        for _ in range(count):
            if time.monotonic() >= deadline:
                break
            s = socket.create_connection(("127.0.0.1", port), timeout=5)
            # No line end yet: the server keeps waiting for the rest.
            s.sendall(b"GET /small.htm HT")
            held.append(s)
            # The server accepts one connection at a time and hands the
            # waiting role on; with its backlog of 5 an unpaced burst of
            # connects overflows the queue and costs a 1 s SYN retry.
            time.sleep(0.001)
        print(len(held), flush=True)
        time.sleep(max(0.0, deadline - time.monotonic()))
    finally:
        for s in held:
            s.close()
    return 0 if len(held) == count else 1


if __name__ == "__main__":
    sys.exit(main())
