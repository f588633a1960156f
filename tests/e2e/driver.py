"""Drives the real program under Wine from outside, as a person would: keys
through xdotool, paths typed into the system's file dialog, and checks of what
the screen, the window title, the status log and the saved files show.

The program runs on a virtual display and in a Wine prefix of its own under
<build>/e2e, so that these tests run beside the other Windows tests. The
status log, the progress bar and the open menus are read by morva-probe.exe,
a small Windows program that looks at the main window from another process.
"""
import json
import os
import re
import select
import signal
import struct
import subprocess
import sys
import time

WINE64 = "/usr/lib/wine/wine64"
WINESERVER = "/usr/lib/wine/wineserver64"
# ImageMagick proper: /usr/local/bin/convert may be a stand-in.
CONVERT = "/usr/bin/convert"
IMPORT = "/usr/bin/import"
XDOTOOL = "xdotool"
XVFB = "Xvfb"

PATIENCE = 60  # seconds for any one event; Wine is slow on a loaded machine

APP_TITLE = "モルバツール ver.2"
NEW_DOCUMENT = "(新規)"
MODIFIED = "(更新)"
MORVA_DIALOG = "モルバファイル (*.mrv) を開く"
BMP_DIALOG = "ビットマップファイル (*.bmp) を開く"
START_LINE = "Application Start!"


class Failure(Exception):
    """A check of what the program shows or does did not hold."""


def check(condition, message):
    if not condition:
        raise Failure(message)


def wait_until(what, fetch, accept=bool, timeout=PATIENCE):
    """Polls `fetch` until `accept` takes its value; returns the value."""
    deadline = time.monotonic() + timeout
    while True:
        value = fetch()
        if accept(value):
            return value
        if time.monotonic() > deadline:
            raise Failure("gave up after %d s waiting for %s; last seen: %r"
                          % (timeout, what, value))
        time.sleep(0.1)


def windows_path(path):
    """The path as the program sees it: Wine maps Z: to the root."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


# ---------------------------------------------------------------------------
# The display, the prefix and the wineserver


class Environment:
    """One virtual display, one Wine prefix and one persistent wineserver,
    kept under `root` between the fixture's start and stop."""

    def __init__(self, root):
        self.root = root
        self.prefix = os.path.join(root, "wineprefix")
        self.display_file = os.path.join(root, "display")
        self.xvfb_pid_file = os.path.join(root, "xvfb.pid")

    def variables(self, display=None):
        if display is None:
            with open(self.display_file) as f:
                display = f.read().strip()
        env = dict(os.environ, WINEPREFIX=self.prefix, WINEDEBUG="-all,err+seh",
                   WINEDLLOVERRIDES="mscoree,mshtml=", LANG="ja_JP.UTF-8",
                   LC_ALL="ja_JP.UTF-8", DISPLAY=display)
        return env

    def start(self):
        self.stop()
        os.makedirs(self.prefix, exist_ok=True)  # the wineserver works in it
        display = self._start_xvfb()
        env = self.variables(display)
        with open(os.path.join(self.root, "wine.log"), "ab") as log:
            def wine(*command):
                subprocess.run(command, env=env, stdin=subprocess.DEVNULL, stdout=log,
                               stderr=log, check=True, timeout=300)
            # A persistent server makes every later start fast; it goes into
            # the background and must not hold ctest's output open. It is
            # started first: it cannot be while another server runs.
            wine(WINESERVER, "-p")
            if not os.path.exists(os.path.join(self.prefix, "system.reg")):
                wine(WINE64, "wineboot", "--init")
            wine(WINE64, "cmd", "/c", "exit", "0")  # brings up the prefix's services once
        with open(self.display_file, "w") as f:
            f.write(display)

    def stop(self):
        if os.path.isdir(self.prefix):
            subprocess.run([WINESERVER, "-k"], env=dict(os.environ, WINEPREFIX=self.prefix),
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL)
        if os.path.exists(self.xvfb_pid_file):
            with open(self.xvfb_pid_file) as f:
                pid = int(f.read())
            if _command_of(pid).startswith(XVFB):
                os.kill(pid, signal.SIGTERM)
            os.remove(self.xvfb_pid_file)
        if os.path.exists(self.display_file):
            os.remove(self.display_file)

    # The server picks a free display number itself and reports it once it
    # listens, so another build's tests cannot take the same one meanwhile. It
    # must not reset when its last client leaves: it would report again, to a
    # pipe nobody reads, and end.
    def _start_xvfb(self):
        readable, writable = os.pipe()
        with open(os.path.join(self.root, "xvfb.log"), "ab") as log:
            server = subprocess.Popen([XVFB, "-displayfd", str(writable), "-noreset", "-screen",
                                       "0", "1280x1024x24", "-nolisten", "tcp"],
                                      stdin=subprocess.DEVNULL, stdout=log, stderr=log,
                                      pass_fds=(writable,), start_new_session=True)
        os.close(writable)
        with open(self.xvfb_pid_file, "w") as f:
            f.write(str(server.pid))
        # Read up to the line's end: the server ends if the pipe closes early.
        report = b""
        deadline = time.monotonic() + 20
        while not report.endswith(b"\n") and time.monotonic() < deadline:
            ready, _, _ = select.select([readable], [], [], 1)
            if ready:
                chunk = os.read(readable, 16)
                if not chunk:
                    break
                report += chunk
        os.close(readable)
        number = report.decode().strip()
        check(number.isdigit(), "the virtual display did not start (see xvfb.log)")
        return ":" + number


def _command_of(pid):
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            return f.read().replace(b"\0", b" ").decode(errors="replace")
    except OSError:
        return ""


# ---------------------------------------------------------------------------
# Pictures: the sources of an import, the saved animation, screenshots


class Picture:
    """8-bit grey levels, rows top-down."""

    def __init__(self, width, height, pixels):
        self.width, self.height, self.pixels = width, height, pixels

    def at(self, x, y):
        return self.pixels[y * self.width + x]

    def cut_to(self, depth):
        mask = (0xFF << (8 - depth)) & 0xFF
        return Picture(self.width, self.height, bytes(v & mask for v in self.pixels))


def read_grey_bmp(path):
    """An uncompressed 8-bit BMP as written by tools/make-sample.py."""
    with open(path, "rb") as f:
        data = f.read()
    check(data[:2] == b"BM", "%s is no BMP" % path)
    offset, = struct.unpack_from("<I", data, 10)
    width, height, _, bits, compression = struct.unpack_from("<iiHHI", data, 18)
    check(bits == 8 and compression == 0 and height > 0, "%s is no bottom-up 8-bit BMP" % path)
    stride = (width + 3) & ~3
    rows = [data[offset + y * stride:offset + y * stride + width] for y in range(height)]
    return Picture(width, height, b"".join(reversed(rows)))


def make_series(tool, folder, count, *options):
    subprocess.run([sys.executable, tool, folder, "--count", str(count), *options], check=True)
    return [os.path.join(folder, "walk%03d.bmp" % n) for n in range(count)]


class Animation:
    """A saved animation file, its layout checked against the format."""

    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        data = self.data
        check(len(data) >= 20, "%s: %d bytes, shorter than a header" % (path, len(data)))
        magic, self.count, self.width, self.height, self.bits = struct.unpack_from("<4sIiiI", data)
        check(magic == b"MoRv", "%s: magic %r" % (path, magic))
        check(self.bits == 8, "%s: %d bits per pixel, not 8" % (path, self.bits))
        self.index = [struct.unpack_from("<II", data, 20 + 8 * i) for i in range(self.count)]
        # Payloads follow the index back to back, and the file ends with the last.
        position = 20 + 8 * self.count
        for i, (offset, size) in enumerate(self.index):
            check(offset == position,
                  "%s: frame %d at %d, expected %d" % (path, i, offset, position))
            position += size
        check(position == len(data),
              "%s: payloads end at %d, the file at %d" % (path, position, len(data)))

    def payload(self, i):
        offset, size = self.index[i]
        return self.data[offset:offset + size]

    def decode(self, workdir):
        """Every frame, decoded by ImageMagick from a BI_RLE8 BMP around its payload."""
        os.makedirs(workdir, exist_ok=True)
        palette = b"".join(bytes([v, v, v, 0]) for v in range(256))
        pixels_at = 14 + 40 + len(palette)
        names = []
        for i in range(self.count):
            payload = self.payload(i)
            header = (struct.pack("<2sIHHI", b"BM", pixels_at + len(payload), 0, 0, pixels_at)
                      + struct.pack("<IiiHHIIiiII", 40, self.width, self.height, 1, 8, 1,
                                    len(payload), 0, 0, 256, 0))
            name = os.path.join(workdir, "frame%03d.bmp" % i)
            with open(name, "wb") as f:
                f.write(header + palette + payload)
            names.append(name)
        grey = subprocess.run([CONVERT, *names, "-depth", "8", "gray:-"], check=True,
                              stdout=subprocess.PIPE).stdout
        size = self.width * self.height
        check(len(grey) == size * self.count, "ImageMagick decoded %d bytes for %d frames of %dx%d"
              % (len(grey), self.count, self.width, self.height))
        return [Picture(self.width, self.height, grey[i * size:(i + 1) * size])
                for i in range(self.count)]


def check_animation(path, sources, depth, workdir):
    """The file holds exactly the source pictures, cut to `depth` bits;
    returns its frames as decoded."""
    animation = Animation(path)
    first = read_grey_bmp(sources[0])
    check((animation.count, animation.width, animation.height)
          == (len(sources), first.width, first.height),
          "%s: %d frames of %dx%d, expected %d of %dx%d" % (
              path, animation.count, animation.width, animation.height,
              len(sources), first.width, first.height))
    frames = animation.decode(workdir)
    for i, frame in enumerate(frames):
        expected = read_grey_bmp(sources[i]).cut_to(depth)
        if frame.pixels != expected.pixels:
            wrong = next(p for p, (a, b) in enumerate(zip(frame.pixels, expected.pixels)) if a != b)
            raise Failure("%s: frame %d differs from %s cut to %d bits, first at (%d, %d): %d, "
                          "expected %d" % (path, i, sources[i], depth, wrong % frame.width,
                                           wrong // frame.width, frame.pixels[wrong],
                                           expected.pixels[wrong]))
    return frames


class Screenshot:
    """The whole screen, held in memory; `save` keeps it as a PNG file."""

    def __init__(self, env):
        self.ppm = subprocess.run([IMPORT, "-window", "root", "-depth", "8", "ppm:-"], env=env,
                                  check=True, stdout=subprocess.PIPE, timeout=PATIENCE).stdout
        header = re.match(rb"P6\s+(\d+)\s+(\d+)\s+255\s", self.ppm)
        check(header is not None, "the screenshot is no 8-bit PPM")
        self.width, self.height = int(header.group(1)), int(header.group(2))
        self.rgb = memoryview(self.ppm)[header.end():]
        self.path = "(not saved)"

    def save(self, path, box=None):
        """Keeps the screen, or the part `box` (left, top, right, bottom) of it."""
        crop = []
        if box:
            left, top, right, bottom = box
            crop = ["-crop", "%dx%d+%d+%d" % (right - left, bottom - top, left, top), "+repage"]
        subprocess.run([CONVERT, "ppm:-", *crop, path], input=self.ppm, check=True)
        self.path = path
        return self

    def __repr__(self):
        return "<screenshot %s>" % self.path

    def pixel(self, x, y):
        i = 3 * (y * self.width + x)
        return tuple(self.rgb[i:i + 3])

    def grey(self, x, y):
        return sum(self.pixel(x, y)) // 3


def frame_area(client):
    """Where the program draws frames, in screen coordinates: right of the
    status log (the left third) and below the progress bar's strip."""
    third = client["width"] // 3
    return (client["x"] + third + 1, client["y"] + 33,
            client["x"] + client["width"], client["y"] + client["height"])


def progress_strip(client):
    """The strip above the frame area where the progress bar shows."""
    left, top, right, _ = frame_area(client)
    return left, top - 33, right, top - 1


def log_area(client):
    """The inside of the status log (the left third of the client area),
    clear of its border and its scroll bar."""
    return (client["x"] + 2, client["y"] + 2, client["x"] + client["width"] // 3 - 20,
            client["y"] + client["height"] - 2)


def colour_counts(shot, area):
    left, top, right, bottom = area
    counts = {}
    for y in range(top, bottom):
        row = shot.rgb[3 * (y * shot.width + left):3 * (y * shot.width + right)]
        for x in range(0, len(row), 3):
            colour = bytes(row[x:x + 3])
            counts[colour] = counts.get(colour, 0) + 1
    return counts


def _sample_points(width, height):
    """Source pixels to compare: a coarse grid over the picture, and every
    other pixel of the rows near the top, where the step marker moves."""
    points = [(x, y) for y in range(2, height - 2, 6) for x in range(2, width - 2, 6)]
    band = range(max(height // 60, 1), max(height // 12, 2), 2)
    points += [(x, y) for y in band for x in range(1, width - 1, 2)]
    return points


# A screen pixel further than this from the frame's grey level is a mismatch;
# scaling blurs the edges of the figure, so a few are expected there.
MISMATCH_LEVELS = 48


def shown_frame(shot, area, frames):
    """Which of `frames` the frame area shows: the one with the fewest
    mismatching pixels. Returns (index, mismatch rate)."""
    first = frames[0]
    left, top, right, bottom = area
    points = _sample_points(first.width, first.height)
    screen = []
    for x, y in points:
        sx = left + (2 * x + 1) * (right - left) // (2 * first.width)
        sy = top + (2 * y + 1) * (bottom - top) // (2 * first.height)
        screen.append(shot.grey(sx, sy))
    best = (None, 2.0)
    for i, frame in enumerate(frames):
        wrong = sum(1 for (x, y), seen in zip(points, screen)
                    if abs(seen - frame.at(x, y)) > MISMATCH_LEVELS)
        rate = wrong / len(points)
        if rate < best[1]:
            best = (i, rate)
    return best


def grey_levels(shot, area):
    """The set of grey levels in the frame area, and whether every pixel there is grey."""
    left, top, right, bottom = area
    levels = set()
    all_grey = True
    for y in range(top, bottom):
        row = bytes(shot.rgb[3 * (y * shot.width + left):3 * (y * shot.width + right)])
        reds, greens, blues = row[0::3], row[1::3], row[2::3]
        all_grey = all_grey and reds == greens == blues
        levels.update(greens)
    return levels, all_grey


def menu_marks(shot, menu, count):
    """Reads an open popup menu of `count` equally high items off the screen:
    for each item (checked, grayed), grayed being None for the highlighted item.

    An item is checked when ink lies left of where the item texts begin; its
    text is grayed when its darkest ink is mid-grey rather than black."""
    border = 3  # Wine's popup menus: a frame of 3 pixels around equally high items
    left, top = menu["x"] + border, menu["y"] + border
    width, height = menu["width"] - 2 * border, menu["height"] - 2 * border
    background = _most_common(shot.pixel(x, y) for y in range(top, top + height)
                              for x in range(left, left + width))
    items = []
    for item in range(count):
        # A pixel inside the item's own rows, clear of the highlight's edge.
        band_top = top + item * height // count + 1
        band_bottom = top + (item + 1) * height // count - 1
        row_colour = _most_common(shot.pixel(x, y) for y in range(band_top, band_bottom)
                                  for x in range(left, left + width))
        ink = [(x - left, shot.pixel(x, y)) for y in range(band_top, band_bottom)
               for x in range(left, left + width) if _distance(shot.pixel(x, y), row_colour) > 150]
        items.append((row_colour != background, ink))
    # The texts line up: where most items' ink begins is where the texts begin.
    starts = sorted(min(x for x, _ in ink) for _, ink in items if ink)
    check(len(starts) == count, "the menu at %r does not show %d items with text" % (menu, count))
    text_left = starts[len(starts) // 2]
    marks = []
    for highlighted, ink in items:
        checked = any(x < text_left - 2 for x, _ in ink)
        darkest = min(sum(colour) // 3 for _, colour in ink)
        marks.append((checked, None if highlighted else darkest > 90))
    return marks


def _most_common(values):
    counts = {}
    for value in values:
        counts[value] = counts.get(value, 0) + 1
    return max(counts, key=counts.get)


def _distance(a, b):
    return sum(abs(p - q) for p, q in zip(a, b))


# ---------------------------------------------------------------------------
# The program


def xdotool(env, *arguments):
    return subprocess.run([XDOTOOL, *arguments], env=env, stdin=subprocess.DEVNULL,
                          stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                          timeout=PATIENCE).stdout.decode()


def _literal(text):
    """`text` as a POSIX extended expression (xdotool's) that matches it literally."""
    return re.sub(r"([\\.^$*+?()\[\]{}|])", r"\\\1", text)


class Program:
    """One run of morva.exe, worked through keys and read through the probe."""

    def __init__(self, environment, exe, probe, workdir):
        self.env = environment.variables()
        self.exe, self.probe_exe, self.workdir = exe, probe, workdir
        self.process = None
        self.window = None
        self.shots = 0

    # -- start and end

    def start(self):
        self.stderr_path = os.path.join(self.workdir, "program-stderr.txt")
        with open(self.stderr_path, "wb") as stderr:
            self.process = subprocess.Popen([WINE64, self.exe], env=self.env, cwd=self.workdir,
                                            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                            stderr=stderr)
        self.window = wait_until("the main window",
                                 lambda: self.windows_named(APP_TITLE, exact=False))[0]
        # The log reads once the program is idle: the first engine is made.
        wait_until("the program to be ready", self.probe, lambda r: r["log"] is not None)

    def wait_exit(self):
        code = wait_until("the program to end", self.process.poll, lambda code: code is not None)
        self.check_no_crash()
        return code

    def check_no_crash(self):
        with open(self.stderr_path, errors="replace") as f:
            text = f.read()
        # Wine may swallow an access violation inside a window procedure.
        check("ignoring exception" not in text,
              "Wine reported an exception that the program did not see (%s)" % self.stderr_path)

    def kill(self):
        """After a failure: ends this run's own process."""
        if self.process and self.process.poll() is None:
            self.process.kill()
            self.process.wait()

    def _alive(self):
        code = self.process.poll()
        if code is not None:
            raise Failure("the program ended unexpectedly with exit code %d" % code)

    # -- what the program shows

    def windows_named(self, title, exact=True):
        """The visible windows whose title is `title` (or begins with it)."""
        pattern = "^" + _literal(title) + ("$" if exact else "")
        return xdotool(self.env, "search", "--onlyvisible", "--name", pattern).split()

    def title(self):
        return xdotool(self.env, "getwindowname", self.window).rstrip("\n")

    def probe(self):
        """What the probe reports of the main window. The log is None while
        the program is busy inside a command."""
        self._alive()
        result = subprocess.run([WINE64, self.probe_exe], env=self.env, stdin=subprocess.DEVNULL,
                                stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, timeout=PATIENCE)
        check(result.returncode == 0, "the probe finds no main window")
        report = json.loads(result.stdout.decode())
        if report["log"] is not None:
            report["log"] = report["log"].split("\r\n")
        return report

    def wait_title(self, expected):
        wait_until("the title %r" % expected, self.title, lambda t: t == expected)

    def wait_log(self, expected_lines):
        """Waits until the status log shows exactly these lines; returns the report."""
        return wait_until("the status log %r" % (expected_lines,), self.probe,
                          lambda r: r["log"] == expected_lines)

    def next_shot_path(self, name):
        self.shots += 1
        return os.path.join(self.workdir, "%02d-%s.png" % (self.shots, name))

    def screenshot(self, name=None):
        """The whole screen; with a name, kept in the road's folder as NN-name.png."""
        shot = Screenshot(self.env)
        return shot.save(self.next_shot_path(name)) if name else shot

    def wait_screen(self, name, what, read, accept=bool):
        """Screenshots until `accept` takes what `read` makes of one; the last
        is kept as NN-name.png. Returns (screenshot, that value). The screen
        follows the program's drawing with a delay under Wine."""
        seen = []

        def look():
            seen[:] = [Screenshot(self.env)]
            return seen[0], read(seen[0])
        try:
            result = wait_until(what, look, lambda result: accept(result[1]))
        except Failure as failure:
            if not seen:
                raise
            raise Failure("%s; the screen: %s"
                          % (failure, seen[0].save(self.next_shot_path(name)).path)) from None
        result[0].save(self.next_shot_path(name))
        return result

    def window_box(self):
        fields = dict(line.split("=") for line in
                      xdotool(self.env, "getwindowgeometry", "--shell", self.window).split())
        x, y = int(fields["X"]), int(fields["Y"])
        return x, y, x + int(fields["WIDTH"]), y + int(fields["HEIGHT"])

    # -- what a person does

    def keys(self, *keys, window=None):
        """Gives `window` (the main window by default) the keyboard, then types the keys."""
        self._alive()
        xdotool(self.env, "windowfocus", "--sync", window or self.window,
                "key", "--delay", "40", *keys)

    def dialog(self, title):
        return wait_until("the dialog %r" % title, lambda: self.windows_named(title))[0]

    def choose_path(self, title, path):
        """Types `path` into the file dialog `title` and confirms; the system's
        questions (create the file? replace it?) are answered with Yes."""
        dialog = self.dialog(title)
        xdotool(self.env, "windowfocus", "--sync", dialog, "key", "ctrl+a",
                "type", "--delay", "10", windows_path(path))
        xdotool(self.env, "windowfocus", "--sync", dialog, "key", "Return")
        answered = set()

        def settled():
            open_windows = self.windows_named(title)
            for question in set(open_windows) - {dialog} - answered:
                xdotool(self.env, "windowfocus", "--sync", question, "key", "y")
                answered.add(question)
            return not open_windows
        wait_until("the dialog %r to close after choosing %s" % (title, path), settled)

    def cancel(self, title):
        dialog = self.dialog(title)
        xdotool(self.env, "windowfocus", "--sync", dialog, "key", "Escape")
        wait_until("the dialog %r to close after Escape" % title,
                   lambda: not self.windows_named(title))

    def menu_marks(self, keys, count, name):
        """Opens a submenu with `keys` (one popup per key after F10), reads the
        marks of its `count` items off the screen, and closes the menus."""
        self.keys(*keys)
        levels = len(keys) - 1
        menus = wait_until("%d open menus" % levels, self.probe,
                           lambda r: len(r["menus"]) == levels)["menus"]
        menu = max(menus, key=lambda m: m["x"])  # submenus open to the right

        def read(shot):
            try:
                return menu_marks(shot, menu, count)
            except Failure:  # not drawn yet
                return None
        _, marks = self.wait_screen(name, "the menu at %r to be drawn" % menu, read)
        self.keys(*["Escape"] * levels)
        wait_until("the menus to close", self.probe, lambda r: not r["menus"])
        self.keys("Escape")  # leaves the menu bar
        return marks
