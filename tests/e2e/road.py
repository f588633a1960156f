#!/usr/bin/env python3
"""road.py BUILD ROAD: one road of the program under Wine, worked by keys, read by its probe
and the screen; screenshots in BUILD/e2e/ROAD"""
import os, re, shutil, struct, subprocess, sys, time
from subprocess import DEVNULL, PIPE
from pathlib import Path
from types import SimpleNamespace

ROADS = {"a_day_with_the_program": "desktop", "opens_under_a_full_log": "bare"}  # environments
if len(sys.argv) != 3 or sys.argv[2] not in ROADS:
    sys.exit(__doc__ + "\nroads: " + ", ".join(ROADS))
BUILD, ROAD = os.path.abspath(sys.argv[1]), sys.argv[2]
WORK, STATE = f"{BUILD}/e2e/{ROAD}", f"{BUILD}/e2e/{ROADS[ROAD]}/"
ENV = dict(os.environ, DISPLAY=Path(STATE + "wine-env/display").read_text().strip(),
           WINEPREFIX=STATE + "wineprefix", WINEDEBUG="-all,err+seh",
           WINEDLLOVERRIDES="mscoree,mshtml=", LANG="ja_JP.UTF-8", LC_ALL="ja_JP.UTF-8")
WINE64, CONVERT = "/usr/lib/wine/wine64", "/usr/bin/convert"  # not a stand-in in /usr/local
PATIENCE = 60  # seconds for one event on a loaded machine
TITLE, MODIFIED = "モルバツール ver.2", "(更新)"
MRV_DIALOG, BMP_DIALOG = "モルバファイル (*.mrv) を開く", "ビットマップファイル (*.bmp) を開く"
app = SimpleNamespace(process=None, shots=0)


def wait(what, fetch, accept=bool):
    deadline = time.monotonic() + PATIENCE
    while not accept(value := fetch()):
        assert time.monotonic() < deadline, f"gave up waiting for {what}; last: {value!r}"
        time.sleep(0.1)
    return value


def run(*command, env=None, check=True):  # its output; Wine's and xdotool's chatter dropped
    return subprocess.run(command, env=env, stdin=DEVNULL, stdout=PIPE, check=check,
                          stderr=env and DEVNULL, timeout=PATIENCE).stdout


def winpath(path):  # Z: is the root
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def grey(pictures):  # rows top-down
    return run(CONVERT, *pictures, "-depth", "8", "gray:-")


def frames_of(path):  # as ImageMagick decodes them; their width and height
    data = Path(path).read_bytes()
    count, width, height = struct.unpack_from("<Iii", data, 4)
    palette, names = b"".join(bytes([v, v, v, 0]) for v in range(256)), []
    for i in range(count):
        offset, size = struct.unpack_from("<II", data, 20 + 8 * i)
        names.append(f"{WORK}/{i:03}.bmp")
        Path(names[-1]).write_bytes(struct.pack("<2sI4xIIiiHHII8xI4x", b"BM", 1078 + size, 1078,
                                                40, width, height, 1, 8, 1, size, 256)
                                    + palette + data[offset:offset + size])
    levels, size = grey(names), width * height
    return [levels[i * size:(i + 1) * size] for i in range(count)], width, height


class Screenshot:  # the whole screen as 8-bit RGB, kept in WORK when named
    def __init__(self, name=None):
        self.ppm = run("import", "-window", "root", "-depth", "8", "ppm:-", env=ENV)
        header = re.match(rb"P6\s+(\d+)\s+\d+\s+255\s", self.ppm)
        self.width, self.rgb = int(header.group(1)), memoryview(self.ppm)[header.end():]
        if name:
            app.shots += 1
            Path(WORK, f"{app.shots:02}-{name}.ppm").write_bytes(self.ppm)

    def area(self, box):
        left, top, right, bottom = box
        return b"".join(bytes(self.rgb[3 * (y * self.width + left):3 * (y * self.width + right)])
                        for y in range(top, bottom))


def start():
    with open(WORK + "/stderr.txt", "wb") as stderr:
        app.process = subprocess.Popen([WINE64, BUILD + "/windows/app/morva.exe"], env=ENV,
                                       cwd=WORK, stdin=DEVNULL, stdout=DEVNULL, stderr=stderr)
    app.window = wait("the main window", lambda: shown(TITLE))[0]
    return wait("the program to be ready", probe, lambda r: r.log is not None)


def leave(*keys):
    key(*keys)
    code = wait("the program to end", app.process.poll, lambda code: code is not None)
    said = Path(WORK, "stderr.txt").read_bytes()  # Wine may swallow an access violation
    assert code == 0 and b"ignoring exception" not in said, f"exit code {code} after {keys}"


def xdotool(*arguments):
    return run("xdotool", *arguments, env=ENV, check=False).decode()


def shown(title):
    return xdotool("search", "--onlyvisible", "--name", f"^{re.escape(title)}$").split()


def probe():  # the log is None while a command runs
    assert app.process.poll() is None, "the program ended unexpectedly"
    report = run(WINE64, BUILD + "/windows/tests/e2e/morva-probe.exe", env=ENV)
    head, state, log = report.decode("utf-16-le").split("\n", 2)
    position, *client, over = map(int, head.split())
    return SimpleNamespace(position=position, client=client, over=over,
                           log=log.split("\r\n") if state == "log" else None)


def expect(title, log):
    wait(f"the title {title!r}", lambda: xdotool("getwindowname", app.window).rstrip("\n"),
         lambda t: t == title)
    return wait(f"the status log {log!r}", probe, lambda r: r.log == log)


def drawn(window):  # on the screen yet: not of one grey
    return len(set(run("import", "-window", window, "-depth", "8", "gray:-", env=ENV,
                       check=False))) > 1


def press(window, *keys):
    xdotool("windowfocus", "--sync", window, "key", *keys)


def key(*keys):
    press(app.window, "--delay", "40", *keys)


def choose(title, keys, path, answer=""):  # and the question that may come
    # Without a window manager a dialog opened within 1 s of the last may stay hidden.
    time.sleep(1.5 if ROADS[ROAD] == "bare" else 0)
    key(*keys)
    dialog = wait(f"the dialog {title!r}", lambda: shown(title))[0]
    press(dialog, "ctrl+a", "type", "--delay", "10", path)
    press(dialog, "Return")
    asked = {}  # question: when its answer was given

    def settled():
        others = xdotool("search", "--onlyvisible", "--classname", "morva.exe").split()
        others = set(others) - {app.window, dialog}
        for question in others:
            assert answer and len(asked.keys() | {question}) == 1, (
                f"a question more than {answer!r} after choosing {path}")
            # A box takes keys only once it is drawn; a key it lost is given again.
            if time.monotonic() - asked.get(question, 0) > 4 and drawn(question):
                press(question, "alt+" + answer)
                asked[question] = time.monotonic()
        return len(asked) == len(answer) and not others and not shown(title)
    wait(f"the question {answer!r} after choosing {path}", settled)


def open_file(path, typed=None):
    choose(MRV_DIALOG, ("alt+f", "o"), typed or winpath(path))
    return "Open Morva : " + winpath(path)


def import_series(path):
    choose(BMP_DIALOG, ("alt+k", "b"), winpath(path))
    return ["Directory " + winpath(os.path.dirname(path)) + "\\"]


def make_series(folder, count, *options):
    run(sys.executable, os.path.dirname(__file__) + "/../../tools/make-sample.py", folder,
        "--count", str(count), *options)
    return [f"{folder}/walk{n:03}.bmp" for n in range(count)]


def pack(first, out, *options):
    run(BUILD + "/cli/morvacli", "pack", first, "-o", out, *options)


def play(frames, width, height, name):
    """Plays until the bar names a last-quarter frame twice running: frames in order (the best
    on a grid of samples), the log as it was and the bar."""
    x, y, w, h = probe().client
    left, top, log_box = x + w // 3 + 1, y + 33, (x, y, x + w // 3, y + h)
    shot = Screenshot("before-" + name)
    still = shot.area(log_box)
    light = sum(v >= 0xE0 for v in still) / len(still)
    assert light > 0.8, f"the log is not in view: {light:.0%} light"
    points = [(i, j) for j in range(2, height - 2, 6) for i in range(2, width - 2, 6)]
    at = [3 * ((top + (2 * j + 1) * (y + h - top) // (2 * height)) * shot.width + left
               + (2 * i + 1) * (x + w - left) // (2 * width)) + 1 for i, j in points]
    samples = [[frame[j * width + i] for i, j in points] for frame in frames]
    played, counters, replayed = [], [None], False

    def ran_out():
        nonlocal replayed
        shot = Screenshot()
        rates = [sum(abs(shot.rgb[a] - v) > 48 for a, v in zip(at, s)) / len(at) for s in samples]
        index = min(range(len(frames)), key=rates.__getitem__)
        assert rates[index] < 0.01, f"no frame shown (best {index}, {rates[index]:.1%} off)"
        assert shot.area(log_box) == still, "the log changed while playing"
        assert index == 0 or set(shot.area((left, y, x + w, y + 32))) != {0}, "no bar shown"
        if replayed and index < played[-1]:  # the run played again has begun
            played.clear()
            replayed = False
        assert not played or index >= played[-1], f"the preview went from {played} to {index}"
        played.append(index)
        if index < len(frames) * 3 // 4:
            return False
        counters.append(probe().position)
        ended = counters[-2] == counters[-1] == index
        if ended and len(set(played)) < 3:  # too few seen: once more, from frame 0
            key("space")
            replayed, ended = True, False
        return ended
    key("space")
    wait("the preview to run out", ran_out)
    Screenshot(name)


def opens_under_a_full_log():
    """Opens on a bare display past a full log (the 21st froze once); long paths fill it fast."""
    saved = WORK + "/" + ("long folder " * 25)[:241 - len(winpath(WORK))].strip() + "/walk.mrv"
    os.makedirs(os.path.dirname(saved))
    pack(make_series(WORK + "/walk", 2)[0], saved)
    start()
    log, title, after = ["Application Start!"], TITLE + " : " + winpath(saved), 0
    while after < 3:
        # The dialog opens where the last one chose: then the name is enough.
        log.append(open_file(saved, len(log) > 1 and os.path.basename(saved)))
        after += expect(title, log).over > 0
        assert len(log) < 20, "the log never outgrew its view"
    leave("alt+F4")


def a_day_with_the_program():
    """Import, Save As over a file (No, Yes), New, Open, preview in two engines, quit."""
    walk = make_series(WORK + "/walk", 60, "--marker")
    saved, older, log = WORK + "/day.mrv", b"an older take", ["Application Start!"]
    Path(saved).write_bytes(older)
    start()
    expect(TITLE, log)

    key("F10", "s", "d", "3")
    log += import_series(walk[17]) + ["Total 60 files exists."]
    title = TITLE + " : (新規)" + MODIFIED
    expect(title, log + ["File : walk059.bmp"])  # the last passing line stays in view
    # Typed without ".mrv": the dialog completes the name, the program asks.
    choose(MRV_DIALOG, ("alt+f", "a"), winpath(saved)[:-4], "n")
    expect(title, log + ["File : walk059.bmp"])
    assert Path(saved).read_bytes() == older, "the file was written after No"
    choose(MRV_DIALOG, ("alt+f", "a"), winpath(saved), "y")
    log.append("Write Morva : " + winpath(saved))
    title = TITLE + " : " + winpath(saved)
    expect(title, log)
    decoded = frames_of(saved)
    assert b"".join(decoded[0]) == bytes(v & 0xE0 for v in grey(walk)), "not cut to 3 bits"
    pack(walk[0], WORK + "/packed.mrv", "--depth", "3")
    assert Path(saved).read_bytes() == Path(WORK, "packed.mrv").read_bytes(), "pack differs"

    key("alt+f", "n")
    expect(TITLE, log)
    log.append(open_file(saved))
    expect(title, log)
    play(*decoded, "direct2d")
    key("F10", "s", "e", "g")
    play(*decoded, "gdi")

    # Unsaved frames are let go without a question.
    log += import_series(make_series(WORK + "/two", 2)[1])
    log += ["Total 2 files exists.", "File : walk001.bmp"]
    expect(title + MODIFIED, log)
    leave("alt+f", "x")


shutil.rmtree(WORK, ignore_errors=True)
os.makedirs(WORK)
try:
    globals()[ROAD]()
finally:
    if app.process and app.process.poll() is None:
        Screenshot("failure")
        app.process.kill()
print("passed; screenshots in " + WORK)
