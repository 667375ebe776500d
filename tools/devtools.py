"""Headless Chromium driven over its DevTools protocol with Python's standard
library alone: the browser started on a DevTools port of its own choosing
(read back from DevToolsActivePort in a fresh profile folder), one page's
WebSocket spoken by a small client (text frames only, as DevTools sends
them), and the browser stopped by its process id. Every wait is bounded.
Used by the upload page's browser test and by ./x screenshot."""
import base64
import json
import os
import signal
import socket
import struct
import subprocess
import sys
import time
import urllib.parse
import urllib.request

CHROMIUM_FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-quic",
    "--no-first-run",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
]


class DevToolsError(Exception):
    pass


class WebSocket:
    """A client's end of a WebSocket: masked text frames out, whole messages
    in (fragments joined, pings answered)."""

    def __init__(self, url, timeout):
        parts = urllib.parse.urlsplit(url)
        self.sock = socket.create_connection((parts.hostname, parts.port), timeout=timeout)
        key = base64.b64encode(os.urandom(16)).decode()
        self.sock.sendall(
            (
                f"GET {parts.path} HTTP/1.1\r\nHost: {parts.netloc}\r\nUpgrade: websocket\r\n"
                f"Connection: Upgrade\r\nSec-WebSocket-Key: {key}\r\n"
                "Sec-WebSocket-Version: 13\r\n\r\n"
            ).encode()
        )
        self.pending = b""
        while b"\r\n\r\n" not in self.pending:
            self.pending += self._recv()
        head, self.pending = self.pending.split(b"\r\n\r\n", 1)
        if not head.startswith(b"HTTP/1.1 101"):
            raise DevToolsError("no WebSocket: " + head.split(b"\r\n")[0].decode(errors="replace"))

    def _recv(self):
        data = self.sock.recv(1 << 16)
        if not data:
            raise DevToolsError("the browser closed the connection")
        return data

    def _take(self, count):
        while len(self.pending) < count:
            self.pending += self._recv()
        data, self.pending = self.pending[:count], self.pending[count:]
        return data

    def _send_frame(self, opcode, payload):
        length = len(payload)
        if length < 126:
            head = struct.pack("!BB", 0x80 | opcode, 0x80 | length)
        elif length < 1 << 16:
            head = struct.pack("!BBH", 0x80 | opcode, 0x80 | 126, length)
        else:
            head = struct.pack("!BBQ", 0x80 | opcode, 0x80 | 127, length)
        mask = os.urandom(4)
        masked = bytes(byte ^ mask[i & 3] for i, byte in enumerate(payload))
        self.sock.sendall(head + mask + masked)

    def send(self, text):
        self._send_frame(0x1, text.encode())

    def receive(self):
        message = b""
        while True:
            first, second = self._take(2)
            length = second & 0x7F
            if length == 126:
                (length,) = struct.unpack("!H", self._take(2))
            elif length == 127:
                (length,) = struct.unpack("!Q", self._take(8))
            payload = self._take(length)
            opcode = first & 0x0F
            if opcode == 0x8:
                raise DevToolsError("the browser closed the WebSocket")
            if opcode == 0x9:
                self._send_frame(0xA, payload)
                continue
            if opcode in (0x0, 0x1, 0x2):
                message += payload
                if first & 0x80:
                    return message.decode()

    def close(self):
        self.sock.close()


class Chromium:
    """One headless Chromium with a fresh profile in `profile` (a new,
    empty folder) and its first page, driven over DevTools."""

    def __init__(self, profile, extra_flags=(), timeout=30):
        os.makedirs(profile, exist_ok=True)
        self.process = subprocess.Popen(
            ["chromium", *CHROMIUM_FLAGS, f"--user-data-dir={profile}", "--remote-debugging-port=0",
             *extra_flags, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            start_new_session=True)
        self.socket = None
        self.serial = 0
        # The events the page sent (those of a domain a caller enabled,
        # such as Network), in order, as {"method", "params"}.
        self.events = []
        try:
            port = self._devtools_port(os.path.join(profile, "DevToolsActivePort"), timeout)
            page = self._first_page(port, timeout)
            self.socket = WebSocket(page, timeout)
        except BaseException:
            self.stop()
            raise

    def _devtools_port(self, path, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise DevToolsError(f"chromium ended with {self.process.returncode}")
            try:
                with open(path) as lines:
                    port = lines.readline().strip()
                if port:
                    return int(port)
            except OSError:
                pass
            time.sleep(0.1)
        raise DevToolsError("chromium wrote no DevToolsActivePort")

    def _first_page(self, port, timeout):
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            with urllib.request.urlopen(f"http://127.0.0.1:{port}/json/list", timeout=5) as answer:
                targets = json.load(answer)
            for target in targets:
                if target.get("type") == "page":
                    return target["webSocketDebuggerUrl"]
            time.sleep(0.1)
        raise DevToolsError("chromium has no page")

    def call(self, method, params=None, timeout=30):
        """Runs one DevTools command on the page; its result, or DevToolsError."""
        self.serial += 1
        serial = self.serial
        self.socket.send(json.dumps({"id": serial, "method": method, "params": params or {}}))
        deadline = time.monotonic() + timeout
        while True:
            left = deadline - time.monotonic()
            if left <= 0:
                raise DevToolsError(f"{method}: no answer within {timeout} s")
            self.socket.sock.settimeout(left)
            try:
                message = json.loads(self.socket.receive())
            except socket.timeout:
                raise DevToolsError(f"{method}: no answer within {timeout} s") from None
            if message.get("id") != serial:
                if "method" in message:
                    self.events.append(message)
                continue
            if "error" in message:
                raise DevToolsError(f"{method}: {message['error']}")
            return message.get("result", {})

    def evaluate(self, expression):
        """The value of a JavaScript expression in the page (JSON-like)."""
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True})
        if "exceptionDetails" in result:
            raise DevToolsError(f"{expression}: {result['exceptionDetails'].get('text')}")
        return result["result"].get("value")

    def wait_for(self, expression, timeout, what):
        """Polls `expression` until it is true; its last value, else
        DevToolsError naming `what` and that value."""
        deadline = time.monotonic() + timeout
        value = None
        while time.monotonic() < deadline:
            value = self.evaluate(expression)
            if value:
                return value
            time.sleep(0.1)
        raise DevToolsError(f"{what}: not within {timeout} s (last: {value!r})")

    def open(self, url, timeout=30):
        """Goes to `url` and waits until the page that ends up there (after
        any redirect) has loaded."""
        self.call("Page.navigate", {"url": url})
        self.wait_for(
            "document.readyState == 'complete' && location.href != 'about:blank'", timeout,
            f"the page at {url}")

    def set_files(self, selector, paths):
        """Puts files into the file field `selector`, as picking them would."""
        root = self.call("DOM.getDocument")["root"]["nodeId"]
        node = self.call("DOM.querySelector", {"nodeId": root, "selector": selector})["nodeId"]
        if not node:
            raise DevToolsError(f"no {selector} on the page")
        self.call("DOM.setFileInputFiles", {"nodeId": node, "files": [os.path.abspath(p) for p in paths]})

    def click(self, selector):
        """A mouse click (press and release) in the middle of `selector`."""
        box = self.evaluate(
            f"(function(){{var r=document.querySelector({json.dumps(selector)})"
            f".getBoundingClientRect();return [r.left+r.width/2,r.top+r.height/2];}})()")
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent",
                      {"type": kind, "x": box[0], "y": box[1], "button": "left", "clickCount": 1})

    def screenshot(self, path):
        """The page's viewport as a PNG file at `path`."""
        data = self.call("Page.captureScreenshot", {"format": "png"})["data"]
        with open(path, "wb") as picture:
            picture.write(base64.b64decode(data))

    def stop(self):
        """Ends the browser by its process id (and its helper processes, in
        the process group it was started in), waiting at most 15 s."""
        if self.socket is not None:
            self.socket.close()
            self.socket = None
        if self.process.poll() is None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait(5)
        try:
            os.killpg(self.process.pid, signal.SIGKILL)
        except ProcessLookupError:
            pass

    def __enter__(self):
        return self

    def __exit__(self, *exc):
        self.stop()


def run_main(main):
    """Runs a script's main: a DevTools failure ends it with its message, and
    one ended from outside (a timeout) still stops its browser on the way out."""
    signal.signal(signal.SIGTERM, lambda *_: sys.exit("ended from outside"))
    try:
        main()
    except DevToolsError as error:
        sys.exit(str(error))
