#!/usr/bin/env python3
"""The roads a person takes through the program, one function each.

    roads.py BUILD start|stop       the display, prefix and wineserver
    roads.py BUILD ROAD             one road; its screenshots and files stay
                                    in BUILD/e2e/ROAD
"""
import os
import shutil
import sys
import time
import traceback

from driver import (APP_TITLE, BMP_DIALOG, MODIFIED, MORVA_DIALOG, NEW_DOCUMENT, START_LINE,
                    Animation, Environment, Failure, Program, check, check_animation, colour_counts,
                    frame_area, grey_levels, log_area, make_series, progress_strip, read_grey_bmp,
                    shown_frame, wait_until, windows_path)

SOURCE = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
MAKE_SAMPLE = os.path.join(SOURCE, "tools", "make-sample.py")

# A frame area where more than this share of the sampled pixels is off does
# not show the frame where it belongs (scaling blurs a few along the figure's
# edges; a frame drawn 3 pixels aside is off by more).
MISMATCH_RATE = 0.01


class Road:
    def __init__(self, build, name):
        self.dir = os.path.join(build, "e2e", name)
        shutil.rmtree(self.dir, ignore_errors=True)
        os.makedirs(self.dir)
        self.program = Program(Environment(os.path.join(build, "e2e")),
                               os.path.join(build, "windows", "app", "morva.exe"),
                               os.path.join(build, "windows", "tests", "e2e", "morva-probe.exe"),
                               self.dir)
        self.screenshots = os.path.join(build, "e2e", "screenshots")

    def series(self, folder, count, *options):
        return make_series(MAKE_SAMPLE, os.path.join(self.dir, folder), count, *options)


def directory_line(pictures):
    return "Directory " + windows_path(os.path.dirname(pictures[0])) + "\\"


def pictures_at(paths, depth=8):
    return [read_grey_bmp(path).cut_to(depth) for path in paths]


def import_series(program, picture, expected_log):
    """BMP import of the series `picture` belongs to, through the menu and the
    file dialog, until the log shows `expected_log` and the progress bar is
    hidden (the last picture's line shows before the last frame is stored).

    While the program is busy after it has changed the title, that is inside
    the frame pass, the progress bar must show. Seen twice running: once
    could be a program that has just ended the import but has not yet been
    given the processor to answer."""
    title_before = program.title()
    program.keys("alt+k", "b")
    program.choose_path(BMP_DIALOG, picture)
    hidden_while_busy = []

    def finished():
        report = program.probe()
        busy = report["log"] is None and report["title"] != title_before
        hidden_while_busy.append(busy and not report["progressVisible"])
        check(hidden_while_busy[-2:] != [True, True],
              "the progress bar is hidden while the import runs")
        return report["log"] == expected_log and not report["progressVisible"]
    wait_until("the import to end with the log %r and no progress bar" % (expected_log,), finished)


def save_as(program, path, log):
    """Save As through the menu and the file dialog, to a new file."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    program.keys("alt+f", "a")
    program.choose_path(MORVA_DIALOG, path)
    log.append("Write Morva : " + windows_path(path))
    program.wait_log(log)
    program.wait_title(APP_TITLE + " : " + windows_path(path))


def open_file(program, path, log):
    program.keys("alt+f", "o")
    program.choose_path(MORVA_DIALOG, path)
    log.append("Open Morva : " + windows_path(path))
    program.wait_log(log)
    program.wait_title(APP_TITLE + " : " + windows_path(path))


def wait_shows(program, name, frames, expected_index):
    """Waits until the frame area shows frames[expected_index]."""
    area = frame_area(program.probe()["client"])
    return program.wait_screen(name, "the frame area to show frame %d" % expected_index,
                               lambda shot: shown_frame(shot, area, frames),
                               lambda seen: seen[0] == expected_index and seen[1] < MISMATCH_RATE)


def play(program, frames, name):
    """Space, then screenshots while the preview plays, until it has run out:
    the animation's time (30 frames a second) has passed, and the picture
    stays. Each screenshot must show one of `frames`, in playing order, the
    last one from the last quarter; they are kept as NN-name-frameKK.png.
    Returns them with the index each shows. The index follows the clock, so
    slow drawing skips frames, the last ones too."""
    area = frame_area(program.probe()["client"])
    seen = []
    program.keys("space")
    started = time.monotonic()

    def ran_out():
        shot = program.screenshot()
        index, rate = shown_frame(shot, area, frames)
        check(rate < MISMATCH_RATE, "the frame area shows no frame while playing "
              "(best: frame %d, %.1f%% off)" % (index, 100 * rate))
        seen.append((shot, index))
        return (time.monotonic() - started > len(frames) / 30 + 0.5 and len(seen) >= 2
                and seen[-2][1] == index)
    try:
        wait_until("the preview to run out", ran_out)
    finally:
        for shot, index in seen:
            shot.save(program.next_shot_path("%s-frame%02d" % (name, index)))
    indices = [index for _, index in seen]
    check(indices == sorted(indices), "the preview went backwards: frames %s" % indices)
    check(len(set(indices)) >= 3,
          "too few frames seen to tell that the preview plays: %s" % indices)
    check(indices[-1] >= len(frames) * 3 // 4, "the preview stopped early: frames %s of %d" % (
        indices, len(frames)))
    return seen


def import_save_open_preview(road):
    """Import a series, Save As; Open the saved file and Save As again; New;
    Open it once more and preview it; quit with Alt+F4."""
    program = road.program
    sources = road.series("walk", 60, "--marker")
    saved = os.path.join(road.dir, "out", "walk.mrv")
    program.start()
    program.screenshot("started")
    log = [START_LINE]
    check(program.wait_log(log)["progressVisible"] is False, "the progress bar shows at start-up")
    check(program.title() == APP_TITLE, "the title at start-up is %r" % program.title())

    log += [directory_line(sources), "Total 60 files exists."]
    # The last picture's passing line stays on screen until the next line.
    import_series(program, sources[17], log + ["File : walk059.bmp"])
    program.wait_title(APP_TITLE + " : " + NEW_DOCUMENT + MODIFIED)
    # The import shows each picture as read, at full depth.
    wait_shows(program, "imported", pictures_at(sources), 59)

    save_as(program, saved, log)
    check_animation(saved, sources, 6, os.path.join(road.dir, "decoded"))
    frames = pictures_at(sources, 6)
    wait_shows(program, "saved", frames, 0)

    # Open keeps the frames of the import in memory and clears `modified`;
    # an import of an empty series (its numbers start at 1) marks them
    # modified again without adding any, so Save As writes them once more.
    open_file(program, saved, log)
    wait_shows(program, "opened", frames, 0)
    empty = road.series("empty", 3)
    os.remove(empty[0])
    log += [directory_line(empty), "Total 0 files exists."]
    import_series(program, empty[1], log)
    program.wait_title(APP_TITLE + " : " + windows_path(saved) + MODIFIED)
    again = os.path.join(road.dir, "out", "again.mrv")
    save_as(program, again, log)
    check(Animation(again).data == Animation(saved).data, "%s differs from %s" % (again, saved))

    program.keys("alt+f", "n")
    program.wait_title(APP_TITLE)
    area = frame_area(program.probe()["client"])
    program.wait_screen("new", "the bare background in the frame area after New",
                        lambda shot: len(grey_levels(shot, area)[0]) == 1)
    program.wait_log(log)  # New writes nothing

    open_file(program, saved, log)
    wait_shows(program, "reopened", frames, 0)
    play(program, frames, "playing")
    # Playback that runs out leaves the bar; the next Space plays from the
    # start again, and the one after stops and hides the bar.
    check(program.probe()["progressVisible"], "the progress bar went when the preview ran out")
    program.keys("space")
    program.wait_screen("again", "the preview to start again from the beginning",
                        lambda shot: shown_frame(shot, area, frames)[0], lambda index: index < 30)
    program.keys("space")
    wait_until("the progress bar to hide", program.probe, lambda r: not r["progressVisible"])

    program.keys("alt+F4")
    code = program.wait_exit()
    check(code == 0, "exit code %d after Alt+F4" % code)


def settings_depth_engine(road):
    """Depth 3 and the GDI engine through the Settings menu, then an import:
    the frames keep 3 bits, and GDI draws them unsmoothed."""
    program = road.program
    sources = road.series("walk", 30, "--marker")
    saved = os.path.join(road.dir, "out", "walk3.mrv")
    program.start()
    engine_keys, depth_keys = ("F10", "s", "e"), ("F10", "s", "d")
    # Opening a submenu by key highlights its first item: its gray state is
    # not read (None).
    marks = program.menu_marks(engine_keys, 3, "engines")
    check(marks == [(False, None), (False, False), (True, False)],
          "at start-up the engine menu shows %s (checked, grayed), not Direct2D alone checked"
          % marks)
    marks = program.menu_marks(depth_keys, 8, "depths")
    check([checked for checked, _ in marks] == [i == 2 for i in range(8)],
          "at start-up the depth menu shows %s (checked, grayed), not 6bit alone checked" % marks)

    program.keys(*engine_keys, "g")
    program.keys(*depth_keys, "3")
    marks = program.menu_marks(engine_keys, 3, "gdi")
    check(marks == [(True, None), (False, False), (False, False)],
          "after choosing GDI the engine menu shows %s (checked, grayed)" % marks)
    marks = program.menu_marks(depth_keys, 8, "3bit")
    check([checked for checked, _ in marks] == [i == 5 for i in range(8)],
          "after choosing 3bit the depth menu shows %s (checked, grayed)" % marks)
    # Settings write nothing and change nothing of the document.
    program.wait_log([START_LINE])
    check(program.title() == APP_TITLE, "the settings changed the title to %r" % program.title())

    log = [START_LINE, directory_line(sources), "Total 30 files exists."]
    import_series(program, sources[0], log + ["File : walk029.bmp"])
    save_as(program, saved, log)
    levels = set()
    for frame in check_animation(saved, sources, 3, os.path.join(road.dir, "decoded")):
        levels.update(frame.pixels)
    check(all(level & 0x1F == 0 for level in levels),
          "levels with low bits set in %s: %s" % (saved, sorted(levels)))

    frames = pictures_at(sources, 3)
    client = program.probe()["client"]
    seen = play(program, frames, "playing")
    for shot, index in seen:
        levels, all_grey = grey_levels(shot, frame_area(client))
        # GDI copies the frame's levels, scaled without smoothing: the figure
        # shows at 224 (255 cut to 3 bits), and no level in between appears.
        check(all_grey and levels <= {0, 64, 128, 224} and 224 in levels,
              "%s: the frame area holds levels %s, not the 3-bit frame as GDI draws it" % (
                  shot.path, sorted(levels)[:20]))
        # The bar is painted before the first timer tick draws.
        bar, _ = grey_levels(shot, progress_strip(client))
        check(index == 0 or len(bar) > 1,
              "%s: no progress bar above the frame area while playing" % shot.path)
    # The whole window while playing, for the README.
    shot, _ = min(seen, key=lambda seen_shot: abs(seen_shot[1] - len(frames) // 2))
    os.makedirs(road.screenshots, exist_ok=True)
    shot.save(os.path.join(road.screenshots, "playing.png"), program.window_box())

    program.keys("alt+F4")
    code = program.wait_exit()
    check(code == 0, "exit code %d after Alt+F4" % code)


def bad_picture(road):
    """A series with a 24-bit picture is refused in the counting pass, before
    and after a good import; the good frames are saved alone."""
    program = road.program
    bad = road.series("bad", 12, "--bad", "5")
    good = road.series("good", 10)
    saved = os.path.join(road.dir, "out", "good.mrv")
    program.start()
    refused = [directory_line(bad), "File : walk005.bmp : Invalid Bitmap Format"]

    log = [START_LINE] + refused
    import_series(program, bad[3], log)
    check(program.title() == APP_TITLE,
          "a refused import changed the title to %r" % program.title())
    program.screenshot("refused")

    log += [directory_line(good), "Total 10 files exists."]
    import_series(program, good[0], log + ["File : walk009.bmp"])
    modified_title = APP_TITLE + " : " + NEW_DOCUMENT + MODIFIED
    program.wait_title(modified_title)

    log += refused
    import_series(program, bad[0], log)
    check(program.title() == modified_title,
          "a refused import changed the title to %r" % program.title())
    program.screenshot("refused-again")

    save_as(program, saved, log)
    check_animation(saved, good, 6, os.path.join(road.dir, "decoded"))

    program.keys("alt+F4")
    code = program.wait_exit()
    check(code == 0, "exit code %d after Alt+F4" % code)


def cancel_dialogs(road):
    """Escape in each file dialog changes nothing; File > Exit ends with 0."""
    program = road.program
    sources = road.series("walk", 5)
    program.start()
    log, title = [START_LINE], APP_TITLE

    def cancel(keys, dialog, name):
        program.keys(*keys)
        program.cancel(dialog)
        # The log reads only while the program takes messages again.
        program.wait_log(log)
        check(program.title() == title,
              "cancelling %r changed the title to %r" % (dialog, program.title()))
        program.screenshot(name)

    cancel(("alt+f", "o"), MORVA_DIALOG, "open-cancelled")
    cancel(("alt+k", "b"), BMP_DIALOG, "import-cancelled")

    log += [directory_line(sources), "Total 5 files exists.", "File : walk004.bmp"]
    import_series(program, sources[0], log)
    title = APP_TITLE + " : " + NEW_DOCUMENT + MODIFIED
    program.wait_title(title)
    # Save As asks for a path only while there are unsaved changes.
    cancel(("alt+f", "a"), MORVA_DIALOG, "save-as-cancelled")
    cancel(("alt+f", "o"), MORVA_DIALOG, "open-cancelled-again")
    cancel(("alt+k", "b"), BMP_DIALOG, "import-cancelled-again")

    program.keys("alt+f", "x")
    code = program.wait_exit()
    check(code == 0, "exit code %d after File > Exit" % code)


# Without a window manager a dialog opened within about a second of the last
# one closing can stay invisible; this long between dialogs never loses one.
DIALOG_PAUSE = 2.5


def log_background(program):
    """The status log's own background colour, read before anything else
    has been drawn over it."""
    counts = colour_counts(program.screenshot(), log_area(program.probe()["client"]))
    return max(counts, key=counts.get)


def log_unhidden(shot, client, background):
    """Whether the status log shows itself: mostly its background, with
    text in greys but never white, which the frames' figure and the file
    dialog's list both hold."""
    counts = colour_counts(shot, log_area(client))
    return (counts.get(background, 0) >= 0.8 * sum(counts.values())
            and b"\xff\xff\xff" not in counts)


def children_over_preview(program, frames, background):
    """Space: while the preview plays, the status log and the progress bar
    show beside the frame area, not hidden under it."""
    client = program.probe()["client"]
    area = frame_area(client)
    program.keys("space")

    def playing_beside_children(shot):
        index, rate = shown_frame(shot, area, frames)
        bar, _ = grey_levels(shot, progress_strip(client))
        return (rate < MISMATCH_RATE and index > 0 and len(bar) > 1
                and log_unhidden(shot, client, background))
    program.wait_screen("playing-beside-log", "a preview frame beside the status log and the "
                        "progress bar", playing_beside_children)
    program.keys("space")


def open_thirty(road):
    """Opens one saved animation thirty times in a row with the engine the
    program starts with: every Open's dialog shows, and each leaves its log
    line and the title; no image of the dialogs stays over the log, which
    then also shows beside a preview."""
    program = road.program
    sources = road.series("walk", 30, "--marker")
    saved = os.path.join(road.dir, "out", "walk.mrv")
    program.start()
    background = log_background(program)
    log = [START_LINE, directory_line(sources), "Total 30 files exists."]
    import_series(program, sources[0], log + ["File : walk029.bmp"])
    save_as(program, saved, log)
    for _ in range(30):
        time.sleep(DIALOG_PAUSE)
        open_file(program, saved, log)
    client = program.probe()["client"]
    program.wait_screen("opened-30", "the status log without a dialog's image over it",
                        lambda shot: log_unhidden(shot, client, background))
    children_over_preview(program, pictures_at(sources, 6), background)
    program.keys("alt+F4")
    check(program.wait_exit() == 0, "the program did not end cleanly after thirty Opens")

ROADS = {road.__name__: road for road in
         (import_save_open_preview, settings_depth_engine, bad_picture, cancel_dialogs,
          open_thirty)}


def main(build, what):
    build = os.path.abspath(build)
    environment = Environment(os.path.join(build, "e2e"))
    if what == "start":
        environment.start()
        return 0
    if what == "stop":
        environment.stop()
        return 0
    road = Road(build, what)
    try:
        ROADS[what](road)
    except Exception as failure:
        if isinstance(failure, Failure):
            print("FAILED: %s" % failure, file=sys.stderr)
        else:
            traceback.print_exc()
        try:
            road.program.screenshot("failure")
        finally:
            road.program.kill()
        return 1
    print("passed; screenshots in %s" % road.dir)
    return 0


if __name__ == "__main__":
    if len(sys.argv) != 3 or sys.argv[2] not in ("start", "stop", *ROADS):
        sys.exit(__doc__ + "\nroads: " + ", ".join(ROADS))
    sys.exit(main(sys.argv[1], sys.argv[2]))
