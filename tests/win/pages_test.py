#!/usr/bin/env python3
"""stanzo.exe's pages under wine, in three headless Chromiums open at once.

A phone-sized remote page taps Next; the stand-in player must receive the
slide's two lines byte for byte, and the monitor and the overlay page,
opened before the tap, must show the live line without a reload.

  pages_test.py WINE_RUN WINE_DIR STANDIN STANZO_EXE PRESS_BUTTON_EXE

Chromium is driven over its DevTools pipe (fds 3 and 4, one JSON message
per NUL), so no WebSocket client is needed. Every wait has a deadline;
every process started here is ended on the way out.
"""
import fcntl
import json
import os
import select
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import urllib.request

DEADLINE_S = 60
LINES = ["Lanterns along the river", "Café doors stand open", "And the bridge sleeps"]


def wait_for(condition, what):
    end = time.monotonic() + DEADLINE_S
    while time.monotonic() < end:
        value = condition()
        if value:
            return value
        time.sleep(0.05)
    raise AssertionError("timed out waiting for " + what)


def high_fd(fd):
    """A copy of fd above 9 (close-on-exec), so that moving the browser's
    ends onto 3 and 4 never overwrites one of them."""
    copy = fcntl.fcntl(fd, fcntl.F_DUPFD_CLOEXEC, 10)
    os.close(fd)
    return copy


class Browser:
    def __init__(self, url, width, height, work):
        to_r, self.to_w = map(high_fd, os.pipe())
        self.from_r, from_w = map(high_fd, os.pipe())

        def onto_3_and_4():
            os.dup2(to_r, 3)
            os.dup2(from_w, 4)

        profile = tempfile.mkdtemp(dir=work)
        self.process = subprocess.Popen(
            ["chromium", "--headless", "--no-sandbox", "--disable-gpu", "--no-first-run",
             "--disable-background-networking", "--disable-component-update", "--disable-sync",
             "--user-data-dir=" + profile, f"--window-size={width},{height}",
             "--remote-debugging-pipe", url],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            preexec_fn=onto_3_and_4, pass_fds=(3, 4), start_new_session=True)
        os.close(to_r)
        os.close(from_w)
        self.buffer, self.next_id = b"", 0
        try:
            page = wait_for(lambda: [t for t in self.call("Target.getTargets")["targetInfos"]
                                     if t["type"] == "page"], "the browser's page")[0]
            self.session = self.call("Target.attachToTarget",
                                     {"targetId": page["targetId"], "flatten": True})["sessionId"]
        except BaseException:
            self.close()
            raise

    def call(self, method, params=None, session=None):
        self.next_id += 1
        message = {"id": self.next_id, "method": method, "params": params or {}}
        if session:
            message["sessionId"] = session
        os.write(self.to_w, json.dumps(message).encode() + b"\0")
        end = time.monotonic() + DEADLINE_S
        while True:
            while b"\0" in self.buffer:
                raw, self.buffer = self.buffer.split(b"\0", 1)
                reply = json.loads(raw)
                if reply.get("id") == self.next_id:
                    if "error" in reply:
                        raise AssertionError(f"{method}: {reply['error']}")
                    return reply["result"]
            left = end - time.monotonic()
            if left <= 0 or not select.select([self.from_r], [], [], left)[0]:
                raise AssertionError(method + ": no answer from the browser")
            chunk = os.read(self.from_r, 1 << 16)
            if not chunk:
                raise AssertionError(method + ": the browser ended")
            self.buffer += chunk

    def eval(self, expression):
        result = self.call("Runtime.evaluate", {"expression": expression, "returnByValue": True},
                           self.session)
        return result["result"].get("value")

    def text(self, selector):
        return self.eval(f"(document.querySelector('{selector}') || {{}}).textContent")

    def tap(self, selector):
        x, y = self.eval(f"(r => [r.x + r.width / 2, r.y + r.height / 2])"
                         f"(document.querySelector('{selector}').getBoundingClientRect())")
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent",
                      {"type": kind, "x": x, "y": y, "button": "left", "clickCount": 1},
                      self.session)

    def close(self):
        end(self.process, group=True)
        for fd in (self.to_w, self.from_r):
            os.close(fd)


def end(process, group=False):
    if process.poll() is None:
        if group:
            os.killpg(process.pid, signal.SIGTERM)
        else:
            process.terminate()
        try:
            process.wait(10)
        except subprocess.TimeoutExpired:
            os.killpg(process.pid, signal.SIGKILL) if group else process.kill()
            process.wait()


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def state(url):
    try:
        with urllib.request.urlopen(url + "/api/state", timeout=5) as r:
            return json.load(r)
    except OSError:
        return None


def main(wine_run, wine_dir, standin_exe, stanzo_exe, press_exe):
    work = tempfile.mkdtemp()
    processes, browsers = [], []
    try:
        log = os.path.join(work, "received.txt")
        with open(log, "wb") as out:
            standin = subprocess.Popen([standin_exe, "--port", "0"], stdout=out,
                                       stdin=subprocess.DEVNULL)
        processes.append(standin)

        def received():  # whole lines only: the player may be writing one
            with open(log, "rb") as f:
                return [line.decode() for line in f.read().split(b"\n")[:-1]]

        player_port = wait_for(lambda: received()[:1], "the stand-in player's port")[0]

        # The console in a folder of its own, with its settings and lyrics.
        app = os.path.join(work, "app")
        os.mkdir(app)
        shutil.copy(stanzo_exe, app)
        web_port = free_port()
        with open(os.path.join(app, "stanzo.ini"), "w", newline="") as f:
            f.write(f"[Stanzo]\r\nHost=127.0.0.1:{player_port}\r\n"
                    f"[Remote]\r\nListen=127.0.0.1:{web_port}\r\n")
        with open(os.path.join(app, "Lyrics.txt"), "w", encoding="utf-8", newline="") as f:
            f.write("".join(line + "\r\n" for line in LINES))
        processes.append(subprocess.Popen(
            [wine_run, wine_dir, os.path.join(app, "stanzo.exe")], cwd=app,
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        url = f"http://127.0.0.1:{web_port}"
        wait_for(lambda: state(url), "the console's web server")
        pressed = subprocess.run([wine_run, wine_dir, press_exe, "butConnect", "Disconnect"],
                                 stdin=subprocess.DEVNULL, timeout=3 * DEADLINE_S)
        if pressed.returncode != 0:
            raise AssertionError("Connect did not connect")
        wait_for(lambda: (state(url) or {}).get("connected"), "a connected console")

        phone = Browser(url + "/", 390, 844, work)
        browsers.append(phone)
        monitor = Browser(url + "/monitor", 1280, 720, work)
        browsers.append(monitor)
        overlay = Browser(url + "/overlay", 1280, 720, work)
        browsers.append(overlay)
        # All three live before the tap: the queue listed, the next line up.
        wait_for(lambda: phone.eval("document.querySelectorAll('#queue li').length") == 3,
                 "the remote's queue")
        wait_for(lambda: monitor.text("#upcoming") == LINES[0], "the monitor's next line")
        start = len(received())

        phone.tap("#next")
        want = ["1: @m1 marq-marquee " + LINES[0], "1: @m2 marq-marquee " + LINES[1]]
        wait_for(lambda: len(received()) >= start + 2, "the slide at the player")
        got = received()[start:]
        if got != want:
            raise AssertionError(f"the player received {got!r}, not {want!r}")
        wait_for(lambda: monitor.text("#live") == LINES[0] and
                 monitor.text("#upcoming") == LINES[1], "the monitor's live line")
        wait_for(lambda: overlay.text("#m1") == LINES[0] and overlay.text("#m2") == LINES[1],
                 "the overlay's lines")
        wait_for(lambda: phone.text("#queue li.live") == LINES[0], "the remote's live line")
        print("the remote drove the slide; the monitor and the overlay show it")
    finally:
        for b in browsers:
            b.close()
        for p in reversed(processes):
            end(p)
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    if len(sys.argv) != 6:
        sys.exit(__doc__)
    try:
        main(*sys.argv[1:])
    except AssertionError as e:
        sys.exit("pages_test: " + str(e))
