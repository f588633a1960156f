#!/usr/bin/env python3
"""road.py BUILD ROAD: one road of the program under Wine, worked by keys, read by
morva-probe.exe and the screen; screenshots in BUILD/e2e/ROAD"""
import os, re, shutil, struct, subprocess, sys, time
from subprocess import DEVNULL, PIPE
from pathlib import Path
from types import SimpleNamespace

SOURCE = os.path.abspath(__file__ + "/../../..")
WINE64, CONVERT = "/usr/lib/wine/wine64", "/usr/bin/convert"  # not a stand-in in /usr/local
PATIENCE = 60  # seconds for any one event on a loaded machine
TITLE, MODIFIED = "モルバツール ver.2", "(更新)"
MRV_DIALOG, BMP_DIALOG = "モルバファイル (*.mrv) を開く", "ビットマップファイル (*.bmp) を開く"


def check(condition, message):
    if not condition:
        raise AssertionError(message)


def wait(what, fetch, accept=bool):
    deadline = time.monotonic() + PATIENCE
    while not accept(value := fetch()):
        check(time.monotonic() < deadline, f"gave up waiting for {what}; last seen: {value!r}")
        time.sleep(0.1)
    return value


def run(*command, env=None, check=True):  # its output; Wine's and xdotool's chatter dropped
    return subprocess.run(command, env=env, stdin=DEVNULL, stdout=PIPE, check=check,
                          stderr=env and DEVNULL, timeout=PATIENCE).stdout


def winpath(path):  # Z: is the root
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def grey(pictures):  # as ImageMagick decodes them, rows top-down
    return run(CONVERT, *pictures, "-depth", "8", "gray:-")


def frames_of(path, work):  # and their width and height
    data = Path(path).read_bytes()
    count, width, height = struct.unpack_from("<Iii", data, 4)
    palette, names = b"".join(bytes([v, v, v, 0]) for v in range(256)), []
    os.makedirs(work)
    for i in range(count):
        offset, size = struct.unpack_from("<II", data, 20 + 8 * i)
        names.append(f"{work}/{i:03}.bmp")
        Path(names[-1]).write_bytes(struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 1078 + size, 0, 0,
                                                1078, 40, width, height, 1, 8, 1, size, 0, 0, 256,
                                                0) + palette + data[offset:offset + size])
    levels, size = grey(names), width * height
    return [levels[i * size:(i + 1) * size] for i in range(count)], width, height


class Screenshot:  # the whole screen as 8-bit RGB
    def __init__(self, env):
        self.ppm = run("import", "-window", "root", "-depth", "8", "ppm:-", env=env)
        header = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", self.ppm)
        self.width, self.rgb = int(header.group(1)), memoryview(self.ppm)[header.end():]

    def area(self, box):
        left, top, right, bottom = box
        return b"".join(bytes(self.rgb[3 * (y * self.width + left):3 * (y * self.width + right)])
                        for y in range(top, bottom))


class Program:
    def __init__(self, build, work, environment):
        state = os.path.join(build, "e2e", environment)
        display = Path(state + "/wine-env/display").read_text().strip()
        # Without a window manager a dialog opened too soon after the last may stay hidden.
        self.bare = not os.path.exists(state + "/wine-env/openbox.pid")
        self.env = dict(os.environ, DISPLAY=display, WINEPREFIX=state + "/wineprefix",
                        WINEDEBUG="-all,err+seh", WINEDLLOVERRIDES="mscoree,mshtml=",
                        LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8")
        self.windows, self.work, self.process, self.shots = build + "/windows/", work, None, 0

    def start(self):
        self.stderr = f"{self.work}/program-stderr-{self.shots}.txt"
        with open(self.stderr, "wb") as stderr:
            self.process = subprocess.Popen([WINE64, self.windows + "app/morva.exe"], env=self.env,
                                            cwd=self.work, stdin=DEVNULL, stdout=DEVNULL,
                                            stderr=stderr)
        self.window = wait("the main window", lambda: self.shown(TITLE))[0]
        return wait("the program to be ready", self.probe, lambda r: r.log is not None)

    def exit(self, *keys):
        self.keys(*keys)
        code = wait("the program to end", self.process.poll, lambda code: code is not None)
        said = Path(self.stderr).read_bytes()  # Wine may swallow an access violation
        check(b"ignoring exception" not in said, "see " + self.stderr)
        check(code == 0, f"the exit code after {keys} is {code}")

    def xdotool(self, *arguments):
        return run("xdotool", *arguments, env=self.env, check=False).decode()

    def shown(self, title):
        return self.xdotool("search", "--onlyvisible", "--name", f"^{re.escape(title)}$").split()

    def title(self):
        return self.xdotool("getwindowname", self.window).rstrip("\n")

    def probe(self):  # the log is None while a command runs
        check(self.process.poll() is None, "the program ended unexpectedly")
        report = run(WINE64, self.windows + "tests/e2e/morva-probe.exe", env=self.env)
        head, state, log = report.decode("utf-16-le").split("\n", 2)
        # the client area: x, y, width, height; the log's last row below its view
        bar, position, *client, over = map(int, head.split())
        return SimpleNamespace(bar=bar == 1, position=position, client=client, over=over,
                               log=log.split("\r\n") if state == "log" else None)

    def expect(self, title, log):
        wait(f"the title {title!r}", self.title, lambda t: t == title)
        return wait(f"the status log {log!r}", self.probe, lambda r: r.log == log)

    def screenshot(self, name):
        shot = Screenshot(self.env)
        self.shots += 1
        Path(self.work, f"{self.shots:02}-{name}.ppm").write_bytes(shot.ppm)
        return shot

    def drawn(self, window):  # on the screen yet: its area is not of one grey
        geometry = self.xdotool("getwindowgeometry", "--shell", window)
        box = dict(f.split("=") for f in geometry.split())
        x, y, width, height = (int(box[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        return len(set(Screenshot(self.env).area((x, y, x + width, y + height)))) > 1

    def press(self, window, *keys):
        self.xdotool("windowfocus", "--sync", window, "key", *keys)

    def keys(self, *keys):
        self.press(self.window, "--delay", "40", *keys)

    def choose(self, title, keys, path, answers=()):  # each question that comes: the next answer
        time.sleep(1.5 if self.bare else 0)  # counted from when the program answers again
        self.keys(*keys)
        dialog = wait(f"the dialog {title!r}", lambda: self.shown(title))[0]
        self.press(dialog, "ctrl+a", "type", "--delay", "10", path)
        self.press(dialog, "Return")
        left, answered = list(answers), {}  # question: (answer, when given)

        def settled():
            others = self.xdotool("search", "--onlyvisible", "--classname", "morva.exe")
            others = set(others.split()) - {self.window, dialog}
            for question in others:
                if question not in answered:
                    check(left, f"one question more than {answers} after choosing {path}")
                    answered[question] = (left.pop(0), 0)
                key, given = answered[question]
                # A box takes keys only once it is drawn; a key it lost is given again.
                if time.monotonic() - given > 4 and self.drawn(question):
                    self.press(question, "alt+" + key)
                    answered[question] = (key, time.monotonic())
            return not left and not others and not self.shown(title)
        wait(f"the questions {answers} after choosing {path}", settled)

    def open(self, path, typed=None):
        self.choose(MRV_DIALOG, ("alt+f", "o"), typed or winpath(path))
        return "Open Morva : " + winpath(path)

    def save_as(self, typed, answer):
        self.choose(MRV_DIALOG, ("alt+f", "a"), typed, (answer,))

    def import_series(self, path):
        self.choose(BMP_DIALOG, ("alt+k", "b"), winpath(path))
        return ["Directory " + winpath(os.path.dirname(path)) + "\\"]


def make_series(folder, count, *options):
    run(sys.executable, SOURCE + "/tools/make-sample.py", folder, "--count", str(count), *options)
    return [f"{folder}/walk{n:03}.bmp" for n in range(count)]


def pack(build, first, out, *options):
    run(build + "/cli/morvacli", "pack", first, "-o", out, *options)


def frame_area(client):  # on the screen
    x, y, width, height = client
    return x + width // 3 + 1, y + 33, x + width, y + height


def shown_frame(shot, area, frames, width, height):  # best on a grid of samples; the share off
    left, top, right, bottom = area
    points = [(x, y) for y in range(2, height - 2, 6) for x in range(2, width - 2, 6)]
    seen = [shot.rgb[3 * ((top + (2 * y + 1) * (bottom - top) // (2 * height)) * shot.width
                          + left + (2 * x + 1) * (right - left) // (2 * width)) + 1]
            for x, y in points]
    rates = [sum(abs(s - frame[y * width + x]) > 48 for (x, y), s in zip(points, seen))
             / len(points) for frame in frames]
    best = min(range(len(frames)), key=lambda i: rates[i])
    return best, rates[best]


def play(app, decoded, name):
    # (shot, index) until the bar names the last quarter's frame shown twice running
    client, (frames, width, height) = app.probe().client, decoded
    seen, played, counters, replayed = [], [], [None], False

    def ran_out():
        nonlocal replayed
        shot = Screenshot(app.env)
        index, rate = shown_frame(shot, frame_area(client), frames, width, height)
        check(rate < 0.01, f"no frame shown (best {index}, {rate:.1%} off)")
        if replayed and index < played[-1]:  # the run played again has begun
            played.clear()
            replayed = False
        check(not played or index >= played[-1], f"the preview went from {played} to {index}")
        seen.append((shot, index))
        played.append(index)
        if index < len(frames) * 3 // 4:
            return False
        counters.append(app.probe().position)
        ended = counters[-2] == counters[-1] == index
        if ended and len(set(played)) < 3:
            app.keys("space")  # once more, from the first frame
            replayed, ended = True, False
        return ended
    app.keys("space")
    wait("the preview to run out", ran_out)
    app.screenshot(name)
    return seen


def opens_under_a_full_log(app, build, work):
    """Opens on a bare display past a full log (the 21st froze once); long paths fill it fast."""
    saved = work + "/" + ("long folder " * 25)[:241 - len(winpath(work))].strip() + "/walk.mrv"
    os.makedirs(os.path.dirname(saved))
    pack(build, make_series(work + "/walk", 2)[0], saved)
    app.start()
    log, title, after = ["Application Start!"], TITLE + " : " + winpath(saved), 0
    while after < 3:
        # The dialog opens where the last one chose: then the name is enough.
        log.append(app.open(saved, len(log) > 1 and os.path.basename(saved)))
        after += app.expect(title, log).over > 0
        check(len(log) < 20, "the log never outgrew its view")
    app.exit("alt+F4")


def a_day_with_the_program(app, build, work):
    """Import, Save As over a file (No, Yes), New, Open, preview in two engines, quit."""
    walk = make_series(work + "/walk", 60, "--marker")
    saved, older = work + "/out/walk.mrv", b"an older take"
    os.makedirs(work + "/out")
    Path(saved).write_bytes(older)
    report = app.start()
    log, title = ["Application Start!"], TITLE
    check(report.log == log and not report.bar and app.title() == title,
          f"the first start shows {report}, titled {app.title()!r}")

    app.keys("F10", "s", "d", "3")
    log += app.import_series(walk[17]) + ["Total 60 files exists."]
    title = TITLE + " : (新規)" + MODIFIED
    app.expect(title, log + ["File : walk059.bmp"])  # the last passing line stays in view
    # Typed without ".mrv": the dialog completes the name, the program asks.
    app.save_as(winpath(saved)[:-4], "n")
    app.expect(title, log + ["File : walk059.bmp"])
    check(Path(saved).read_bytes() == older, "the file was written after No")
    app.save_as(winpath(saved), "y")
    log.append("Write Morva : " + winpath(saved))
    title = TITLE + " : " + winpath(saved)
    app.expect(title, log)
    decoded = frames_of(saved, work + "/decoded")
    check(b"".join(decoded[0]) == bytes(v & 0xE0 for v in grey(walk)),
          f"{saved} does not hold the pictures cut to 3 bits")
    pack(build, walk[0], work + "/out/packed.mrv", "--depth", "3")
    check(Path(saved).read_bytes() == Path(work, "out/packed.mrv").read_bytes(),
          "morvacli pack wrote other bytes")

    app.keys("alt+f", "n")
    app.expect(TITLE, log)
    log.append(app.open(saved))
    app.expect(title, log)
    # The log and, once playing, the bar stay in view beside the Direct2D preview.
    x, y, w, h = client = app.probe().client
    log_box = (x, y, x + w // 3, y + h)
    still = app.screenshot("before-preview").area(log_box)
    light = sum(min(still[i:i + 3]) >= 0xE0 for i in range(0, len(still), 3)) / (len(still) // 3)
    check(light > 0.8, f"the log is not in view: {light:.0%} of its area is light")
    strip = (frame_area(client)[0], y, x + w, y + 32)
    for shot, index in play(app, decoded, "direct2d"):
        check(shot.area(log_box) == still, "the log changed while Direct2D played")
        check(index == 0 or set(shot.area(strip)) != {0}, "no bar while Direct2D played")
    app.keys("F10", "s", "e", "g")
    play(app, decoded, "gdi")

    # Unsaved frames are let go without a question.
    log += app.import_series(make_series(work + "/two", 2)[1])
    log += ["Total 2 files exists.", "File : walk001.bmp"]
    app.expect(title + MODIFIED, log)
    app.exit("alt+F4")
    app.start()
    app.exit("alt+f", "x")


ROADS = {"a_day_with_the_program": "desktop", "opens_under_a_full_log": "bare"}  # environments


def main(build, name):
    build = os.path.abspath(build)
    work = os.path.join(build, "e2e", name)
    shutil.rmtree(work, ignore_errors=True)
    os.makedirs(work)
    app = Program(build, work, ROADS[name])
    try:
        globals()[name](app, build, work)
    finally:
        if app.process and app.process.poll() is None:
            app.screenshot("failure")
            app.process.kill()
    print("passed; screenshots in " + work)


if len(sys.argv) != 3 or sys.argv[2] not in ROADS:
    sys.exit(__doc__ + "\nroads: " + ", ".join(ROADS))
main(sys.argv[1], sys.argv[2])
