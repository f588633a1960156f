#!/usr/bin/env python3
"""The program under Wine, worked by xdotool keys and typed paths; the title, the
log (via morva-probe.exe), the screen and the files checked.

    road.py BUILD ROAD   one road on its Wine environment; screenshots in BUILD/e2e/ROAD
"""
import os, re, shutil, struct, subprocess, sys, time, traceback
from subprocess import DEVNULL, PIPE

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
WINE64 = "/usr/lib/wine/wine64"
CONVERT = "/usr/bin/convert"  # ImageMagick proper: /usr/local/bin/convert may be a stand-in
PATIENCE = 60  # seconds for any one event: Wine is slow on a loaded machine

APP_TITLE = "モルバツール ver.2"
MODIFIED = "(更新)"
MORVA_DIALOG = "モルバファイル (*.mrv) を開く"
BMP_DIALOG = "ビットマップファイル (*.bmp) を開く"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, fetch, accept=bool, timeout=PATIENCE):
    deadline = time.monotonic() + timeout
    while True:
        value = fetch()
        if accept(value):
            return value
        check(time.monotonic() < deadline, "gave up after %d s waiting for %s; last seen: %r"
              % (timeout, what, value))
        time.sleep(0.1)


def windows_path(path):  # Z: is the root
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def read(path):
    with open(path, "rb") as f:
        return f.read()


def grey_bmp(path):
    """An uncompressed bottom-up 8-bit BMP's levels, rows top-down."""
    data = read(path)
    at, = struct.unpack_from("<I", data, 10)
    width, height = struct.unpack_from("<ii", data, 18)
    stride = (width + 3) & ~3
    rows = [data[at + y * stride:at + y * stride + width] for y in range(height)]
    return width, height, b"".join(reversed(rows))


def frames_of(path, workdir):
    """The frames of an animation file as ImageMagick decodes them, rows top-down."""
    data = read(path)
    magic, count, width, height, bits = struct.unpack_from("<4sIiiI", data)
    check(magic == b"MoRv" and bits == 8, "%s: header %r" % (path, data[:20]))
    position, names = 20 + 8 * count, []
    palette = b"".join(bytes([v, v, v, 0]) for v in range(256))
    os.makedirs(workdir, exist_ok=True)
    for i in range(count):
        offset, size = struct.unpack_from("<II", data, 20 + 8 * i)
        check(offset == position, "%s: frame %d at %d, expected %d" % (path, i, offset, position))
        position += size
        names.append(os.path.join(workdir, "frame%03d.bmp" % i))
        with open(names[-1], "wb") as f:
            f.write(struct.pack("<2sIHHIIiiHHIIiiII", b"BM", 1078 + size, 0, 0, 1078, 40, width,
                                height, 1, 8, 1, size, 0, 0, 256, 0))
            f.write(palette + data[offset:offset + size])
    check(position == len(data), "%s: payloads end at %d of %d" % (path, position, len(data)))
    grey = subprocess.run([CONVERT, *names, "-depth", "8", "gray:-"], check=True,
                          stdout=PIPE).stdout
    size = width * height
    return [grey[i * size:(i + 1) * size] for i in range(count)]


class Screenshot:  # the whole screen as 8-bit RGB
    def __init__(self, env):
        ppm = subprocess.run(["import", "-window", "root", "-depth", "8", "ppm:-"], env=env,
                             check=True, stdout=PIPE, timeout=PATIENCE).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", ppm)
        self.ppm, self.width = ppm, int(header.group(1))
        self.rgb = memoryview(ppm)[header.end():]

    def area(self, box):  # (left, top, right, bottom)
        left, top, right, bottom = box
        return b"".join(bytes(self.rgb[3 * (y * self.width + left):3 * (y * self.width + right)])
                        for y in range(top, bottom))


class Program:

    def __init__(self, build, workdir, environment):
        state = os.path.join(build, "e2e", environment, "wine-env")
        display = read(os.path.join(state, "display")).decode().strip()
        # Without a window manager a dialog opened within a second of the last may stay hidden.
        self.bare = not os.path.exists(os.path.join(state, "openbox.pid"))
        prefix = os.path.join(build, "e2e", environment, "wineprefix")
        self.env = dict(os.environ, DISPLAY=display, WINEPREFIX=prefix, WINEDEBUG="-all,err+seh",
                        WINEDLLOVERRIDES="mscoree,mshtml=", LANG="ja_JP.UTF-8",
                        LC_ALL="ja_JP.UTF-8")
        self.exe = os.path.join(build, "windows", "app", "morva.exe")
        self.probe_exe = os.path.join(build, "windows", "tests", "e2e", "morva-probe.exe")
        self.workdir, self.process, self.shots = workdir, None, 0

    def start(self):
        self.stderr = os.path.join(self.workdir, "program-stderr-%d.txt" % self.shots)
        with open(self.stderr, "wb") as stderr:
            self.process = subprocess.Popen([WINE64, self.exe], env=self.env, cwd=self.workdir,
                                            stdin=DEVNULL, stdout=DEVNULL, stderr=stderr)
        self.window = wait_until("the main window", lambda: self.windows_named("^" + APP_TITLE))[0]
        return wait_until("the program to be ready", self.probe, lambda r: r["log"] is not None)

    def exit(self, *keys):
        self.keys(*keys)
        check(self.wait_exit() == 0, "the exit code after %s is not 0" % (keys,))

    def wait_exit(self):
        code = wait_until("the program to end", self.process.poll, lambda code: code is not None)
        # Wine may swallow an access violation.
        check(b"ignoring exception" not in read(self.stderr), "an exception: see " + self.stderr)
        return code

    def xdotool(self, *arguments):
        return subprocess.run(["xdotool", *arguments], env=self.env, stdin=DEVNULL, stdout=PIPE,
                              stderr=DEVNULL, timeout=PATIENCE).stdout.decode()

    def windows_named(self, pattern):
        return self.xdotool("search", "--onlyvisible", "--name", pattern).split()

    def shown(self, title):
        return self.windows_named("^%s$" % re.escape(title))

    def title(self):
        return self.xdotool("getwindowname", self.window).rstrip("\n")

    def probe(self):
        """The main window as the probe reads it; the log is None while a command runs."""
        check(self.process.poll() is None, "the program ended unexpectedly")
        result = subprocess.run([WINE64, self.probe_exe], env=self.env, stdin=DEVNULL, stdout=PIPE,
                                stderr=DEVNULL, timeout=PATIENCE)
        check(result.returncode == 0, "the probe finds no main window")
        head, state, log = result.stdout.decode("utf-16-le").split("\n", 2)
        visible, position, x, y, width, height, over = map(int, head.split())
        return {"progressVisible": visible == 1, "position": position, "logOver": over,
                "client": dict(x=x, y=y, width=width, height=height),
                "log": log.split("\r\n") if state == "log" else None}

    def wait_state(self, title, log):
        wait_until("the title %r" % title, self.title, lambda t: t == title)
        return wait_until("the status log %r" % (log,), self.probe, lambda r: r["log"] == log)

    def screenshot(self, name):
        shot = Screenshot(self.env)
        self.shots += 1
        out = os.path.join(self.workdir, "%02d-%s.png" % (self.shots, name))
        subprocess.run([CONVERT, "ppm:-", out], input=shot.ppm, check=True)
        return shot

    def drawn(self, window):
        """Whether `window` is on the screen yet: its area is not of one grey."""
        geometry = self.xdotool("getwindowgeometry", "--shell", window)
        box = dict(f.split("=") for f in geometry.split())
        x, y, width, height = (int(box[k]) for k in ("X", "Y", "WIDTH", "HEIGHT"))
        return len(set(Screenshot(self.env).area((x, y, x + width, y + height)))) > 1

    def keys(self, *keys):
        self.xdotool("windowfocus", "--sync", self.window, "key", "--delay", "40", *keys)

    def dialog(self, title, keys):
        if self.bare:
            time.sleep(1.5)  # counted from when the program answers again
        self.keys(*keys)
        return wait_until("the dialog %r" % title, lambda: self.shown(title))[0]

    def choose(self, title, keys, path, answers=("y",)):
        """Types `path` into the dialog, then answers each question that comes
        with the next of `answers` until only the main window is left."""
        dialog = self.dialog(title, keys)
        self.xdotool("windowfocus", "--sync", dialog, "key", "ctrl+a", "type", "--delay", "10",
                     path)
        self.xdotool("windowfocus", "--sync", dialog, "key", "Return")
        left, answered = list(answers), {}  # question: (answer, when given)

        def settled():
            others = self.xdotool("search", "--onlyvisible", "--classname", "morva.exe")
            others = set(others.split())
            others -= {self.window, dialog}
            for question in others:
                if question not in answered:
                    check(left, "one question more than %r after choosing %s" % (answers, path))
                    answered[question] = (left.pop(0), 0)
                key, given = answered[question]
                # A box takes keys only once it is drawn; a key it lost is given again.
                if time.monotonic() - given > 4 and self.drawn(question):
                    self.xdotool("windowfocus", "--sync", question, "key", "alt+" + key)
                    answered[question] = (key, time.monotonic())
            return not left and not others and not self.shown(title)
        wait_until("the questions %r after choosing %s" % (answers, path), settled)

    def open(self, path, typed=None):
        self.choose(MORVA_DIALOG, ("alt+f", "o"), typed or windows_path(path), answers=())
        return "Open Morva : " + windows_path(path)

    def import_series(self, path):
        self.choose(BMP_DIALOG, ("alt+k", "b"), windows_path(path), answers=())
        return ["Directory " + windows_path(os.path.dirname(path)) + "\\"]

    def cancel(self, title, keys):
        self.xdotool("windowfocus", "--sync", self.dialog(title, keys), "key", "Escape")
        wait_until("the dialog to close", lambda: not self.shown(title))


def make_series(folder, count, *options):
    subprocess.run([sys.executable, os.path.join(SOURCE, "tools", "make-sample.py"), folder,
                    "--count", str(count), *options], check=True, stdout=DEVNULL)
    return [os.path.join(folder, "walk%03d.bmp" % n) for n in range(count)]


def pack(build, first, out, *options):
    subprocess.run([os.path.join(build, "cli", "morvacli"), "pack", first, "-o", out, *options],
                   check=True, stdout=DEVNULL)


def frame_area(client):  # on the screen
    third = client["width"] // 3
    return (client["x"] + third + 1, client["y"] + 33, client["x"] + client["width"],
            client["y"] + client["height"])


def shown_frame(shot, area, frames, width, height):
    """The index of the frame the area shows best on a grid of samples, and the share off."""
    left, top, right, bottom = area
    points = [(x, y) for y in range(2, height - 2, 6) for x in range(2, width - 2, 6)]
    seen = [shot.rgb[3 * ((top + (2 * y + 1) * (bottom - top) // (2 * height)) * shot.width
                          + left + (2 * x + 1) * (right - left) // (2 * width)) + 1]
            for x, y in points]
    rates = [sum(abs(s - frame[y * width + x]) > 48 for (x, y), s in zip(points, seen))
             / len(points) for frame in frames]
    best = min(range(len(frames)), key=lambda i: rates[i])
    return best, rates[best]


def play(program, frames, width, height, name):
    """Space, then (shot, index) pairs until the last quarter shows the frame the
    bar's position names twice running; a run too quick for three frames plays again."""
    client = program.probe()["client"]
    seen, run, counters, replayed = [], [], [None], False

    def ran_out():
        nonlocal replayed
        shot = Screenshot(program.env)
        index, rate = shown_frame(shot, frame_area(client), frames, width, height)
        check(rate < 0.01, "the frame area shows no frame while playing (best %d, %.1f%% off)"
              % (index, 100 * rate))
        if replayed and index < run[-1]:  # the run played again has begun
            run.clear()
            replayed = False
        check(not run or index >= run[-1], "the preview went from frame %s to %d" % (run, index))
        seen.append((shot, index))
        run.append(index)
        if index < len(frames) * 3 // 4:
            return False
        counters.append(program.probe()["position"])
        ended = counters[-2] == counters[-1] == index
        if ended and len(set(run)) < 3:
            program.keys("space")  # once more, from the first frame
            replayed, ended = True, False
        return ended
    program.keys("space")
    wait_until("the preview to run out", ran_out)
    program.screenshot(name)
    return seen


def children_beside_preview(program, frames, width, height):
    """The log and, once playing, the bar stay in view beside the Direct2D preview."""
    client = program.probe()["client"]
    x, y = client["x"], client["y"]
    log_box = (x, y, x + client["width"] // 3, y + client["height"])
    still = program.screenshot("before-preview").area(log_box)
    light = sum(min(still[i:i + 3]) >= 0xE0 for i in range(0, len(still), 3)) / (len(still) // 3)
    check(light > 0.8, "the status log is not in view: %.0f%% of its area is light" % (100 * light))
    area = frame_area(client)
    strip = (area[0], y, area[2], y + 32)
    for shot, index in play(program, frames, width, height, "direct2d"):
        check(shot.area(log_box) == still, "the status log changed on screen while Direct2D played")
        check(index == 0 or set(shot.area(strip)) != {0}, "no progress bar while Direct2D played")


def opens_under_a_full_log(program, build, workdir):
    """Opens in a row without a window manager, with the default engine, after the log has
    more rows than it shows: where a twenty-first Open once never showed its dialog. A path
    near the dialog's 255 characters takes many rows, so the log overflows within a few."""
    room = 250 - len(windows_path(workdir)) - len("\\walk.mrv")
    saved = os.path.join(workdir, ("long folder " * 25)[:room].strip(), "walk.mrv")
    os.makedirs(os.path.dirname(saved))
    pack(build, make_series(os.path.join(workdir, "walk"), 2)[0], saved)
    program.start()
    log, title, after = ["Application Start!"], APP_TITLE + " : " + windows_path(saved), 0
    while after < 3:
        # The dialog opens where the last one chose: then the name is enough.
        log.append(program.open(saved, len(log) > 1 and os.path.basename(saved)))
        after += program.wait_state(title, log)["logOver"] > 0
        check(len(log) < 20, "the log never had more rows than it shows")
    program.exit("alt+F4")


def a_day_with_the_program(program, build, workdir):
    """Cancel an Open; a bad series; depth 3; import; Save As over an older file, No then
    Yes (against morvacli pack); New; Open; preview with Direct2D, then GDI; Alt+F4."""
    walk = make_series(os.path.join(workdir, "walk"), 60, "--marker")
    bad = make_series(os.path.join(workdir, "bad"), 8, "--bad", "5")
    empty = make_series(os.path.join(workdir, "empty"), 2)
    os.remove(empty[0])
    two = make_series(os.path.join(workdir, "two"), 2)
    saved = os.path.join(workdir, "out", "walk.mrv")
    os.makedirs(os.path.dirname(saved))
    older = b"an older take"
    with open(saved, "wb") as out:
        out.write(older)
    report = program.start()
    log, title = ["Application Start!"], APP_TITLE
    check(report["log"] == log and not report["progressVisible"] and program.title() == title,
          "the first start shows %r, titled %r" % (report, program.title()))

    program.cancel(MORVA_DIALOG, ("alt+f", "o"))
    log += program.import_series(bad[3]) + ["File : walk005.bmp : Invalid Bitmap Format"]
    program.wait_state(title, log)

    program.keys("F10", "s", "d", "3")
    log += program.import_series(walk[17]) + ["Total 60 files exists."]
    title = APP_TITLE + " : (新規)" + MODIFIED
    program.wait_state(title, log + ["File : walk059.bmp"])  # the last passing line stays in view
    # Typed without ".mrv": the dialog completes the name, the program asks.
    program.choose(MORVA_DIALOG, ("alt+f", "a"), windows_path(saved)[:-len(".mrv")], answers=("n",))
    program.wait_state(title, log + ["File : walk059.bmp"])
    check(read(saved) == older, "the file was written after No")
    program.choose(MORVA_DIALOG, ("alt+f", "a"), windows_path(saved), answers=("y",))  # replace?
    log.append("Write Morva : " + windows_path(saved))
    title = APP_TITLE + " : " + windows_path(saved)
    program.wait_state(title, log)
    frames = frames_of(saved, os.path.join(workdir, "decoded"))
    width, height, _ = grey_bmp(walk[0])
    check(frames == [bytes(v & 0xE0 for v in grey_bmp(p)[2]) for p in walk],
          "%s does not hold the pictures cut to 3 bits" % saved)
    packed = os.path.join(workdir, "out", "packed.mrv")
    pack(build, walk[0], packed, "--depth", "3")
    check(read(saved) == read(packed), "morvacli pack wrote other bytes than the program")

    # A series without picture 0 changes nothing: no unsaved frames.
    log += program.import_series(empty[1]) + ["Total 0 files exists."]
    program.wait_state(title, log)

    program.keys("alt+f", "n")
    program.wait_state(APP_TITLE, log)
    log.append(program.open(saved))
    program.wait_state(title, log)
    children_beside_preview(program, frames, width, height)
    program.keys("F10", "s", "e", "g")
    play(program, frames, width, height, "gdi")

    # Unsaved frames are let go without a question.
    log += program.import_series(two[1]) + ["Total 2 files exists.", "File : walk001.bmp"]
    program.wait_state(title + MODIFIED, log)
    program.exit("alt+F4")
    program.start()
    program.exit("alt+f", "x")


# Each road and the environment it runs on.
ROADS = {"a_day_with_the_program": (a_day_with_the_program, "desktop"),
         "opens_under_a_full_log": (opens_under_a_full_log, "bare")}


def main(build, name):
    build = os.path.abspath(build)
    workdir = os.path.join(build, "e2e", name)
    shutil.rmtree(workdir, ignore_errors=True)
    os.makedirs(workdir)
    road, environment = ROADS[name]
    program = Program(build, workdir, environment)
    try:
        road(program, build, workdir)
    except Exception as failure:
        print("FAILED: %s" % failure if isinstance(failure, Failure) else traceback.format_exc(),
              file=sys.stderr)
        if program.process and program.process.poll() is None:
            program.screenshot("failure")
            program.process.kill()
        return 1
    print("passed; screenshots in %s" % workdir)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in ROADS:
        sys.exit(__doc__ + "\nroads: " + ", ".join(ROADS))
    sys.exit(main(sys.argv[1], sys.argv[2]))
