#!/usr/bin/python3
"""Start-up, hand-off, memory, CPU and frame rate of the client beside a bare
engine window loading the same pages from the demo site, in one run.

Runs alternate between the two programs, each on a fresh home folder (so both
start with a cold cache), and the medians of all runs are printed with the
ratio of the client to the bare window. Times are read off the X server (window
mapped, pixels painted), the demo site's request log (when a request arrived)
and the pages' own reports (when their load event ran, when the player entered,
frames drawn).

Usually run through startup.sh, which builds both programs and provides a
display.
"""
import argparse
import os
import re
import select
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import threading
import time

from Xlib import X, display as xdisplay

LAUNCHER_BROWSER = (486, 195, 605, 365)  # the browser panel inside the launcher
LAUNCHER_SIZE = (1127, 621)
ROOT_COLOUR = 0x3C6E3C  # a desktop colour neither program paints
GAME_QUERY = "server=1&name=%E9%9D%92%E9%BE%99"


class Site:
    """The demo site, with the arrival time of every request."""

    def __init__(self, root, port):
        self.lines = []
        self.changed = threading.Condition()
        self.process = subprocess.Popen(
            # The server list asks for the player count once and then stays
            # still, so the CPU figure is that of a static page.
            [sys.executable, os.path.join(root, "demo", "serve.py"), "--port", str(port),
             "--log-times", "--poll-ms", "0"], stdout=subprocess.PIPE, text=True, bufsize=1)
        threading.Thread(target=self._read, daemon=True).start()
        self.wait_for(r"^serving", 0, 10)

    def _read(self):
        for line in self.process.stdout:
            with self.changed:
                self.lines.append(line.rstrip("\n"))
                self.changed.notify_all()

    def mark(self):
        with self.changed:
            return len(self.lines)

    def wait_for(self, pattern, start, timeout):
        """The first line from `start` on matching `pattern`: (arrival, match)."""
        regex = re.compile(pattern)
        deadline = time.time() + timeout
        index = start
        with self.changed:
            while True:
                while index < len(self.lines):
                    line = self.lines[index]
                    index += 1
                    stamp, _, rest = line.partition(" ")
                    found = regex.search(rest) or regex.search(line)
                    if found:
                        try:
                            return float(stamp), found
                        except ValueError:
                            return time.time(), found
                left = deadline - time.time()
                if left <= 0:
                    raise TimeoutError("the site never saw " + pattern)
                self.changed.wait(left)

    def since(self, start):
        with self.changed:
            return list(self.lines[start:])

    def collect(self, pattern, start, end):
        regex = re.compile(pattern)
        with self.changed:
            return [m for m in (regex.search(l) for l in self.lines[start:end]) if m]

    def close(self):
        self.process.terminate()
        self.process.wait()


class Screen:
    def __init__(self):
        self.display = xdisplay.Display()
        self.root = self.display.screen().root
        self.pid_atom = self.display.intern_atom("_NET_WM_PID")
        self.root.change_attributes(background_pixel=ROOT_COLOUR,
                                    event_mask=X.SubstructureNotifyMask)
        self.root.clear_area()
        self.display.sync()

    def park_pointer(self):
        self.root.warp_pointer(0, 0)
        self.display.sync()

    def drain(self):
        while self.display.pending_events():
            self.display.next_event()

    def _window_of(self, window, pid):
        try:
            prop = window.get_full_property(self.pid_atom, X.AnyPropertyType)
            if prop and prop.value and prop.value[0] == pid:
                return window
            for child in window.query_tree().children:
                found = self._window_of(child, pid)
                if found:
                    return found
        except Exception:  # the window went away while it was looked at
            pass
        return None

    def wait_mapped(self, pid, timeout):
        """When a top-level window of process `pid` was mapped, and where it is."""
        deadline = time.time() + timeout
        while time.time() < deadline:
            if not self.display.pending_events():
                select.select([self.display.fileno()], [], [], 0.05)
                continue
            event = self.display.next_event()
            if event.type != X.MapNotify:
                continue
            stamp = time.time()
            window = self._window_of(event.window, pid)
            if window is not None:
                return stamp, window
        raise TimeoutError("no window of process %d was mapped" % pid)

    def origin(self, window):
        place = window.translate_coords(self.root, 0, 0)
        return -place.x, -place.y

    def rows(self, x, width, ys):
        """Pixels of one-pixel-high strips across the screen."""
        return b"".join(self.root.get_image(x, y, width, 1, X.ZPixmap, 0xFFFFFFFF).data
                        for y in ys)


def tree_of(pid):
    """The process and everything it started, as far as /proc shows."""
    parents = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    fields = f.read().rsplit(")", 1)[1].split()
                parents.setdefault(int(fields[1]), []).append(int(entry))
            except OSError:
                pass
    tree, todo = [], [pid]
    while todo:
        p = todo.pop()
        tree.append(p)
        todo.extend(parents.get(p, []))
    return tree


def tree_pss_mb(pid):
    total = 0
    for p in tree_of(pid):
        try:
            with open("/proc/%d/smaps_rollup" % p) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total / 1024.0


def tree_cpu_seconds(pid):
    tick = os.sysconf("SC_CLK_TCK")
    total = 0
    for p in tree_of(pid):
        try:
            with open("/proc/%d/stat" % p) as f:
                fields = f.read().rsplit(")", 1)[1].split()
            total += int(fields[11]) + int(fields[12])
        except OSError:
            pass
    return total / tick


def cpu_percent(pid, seconds):
    before = tree_cpu_seconds(pid)
    time.sleep(seconds)
    return 100.0 * (tree_cpu_seconds(pid) - before) / seconds


class Run:
    """One start of one program, measured."""

    def __init__(self, args, site, screen, command, stdin=None):
        self.args, self.site, self.screen = args, site, screen
        self.home = tempfile.mkdtemp(prefix="quorvane-bench-")
        env = dict(os.environ, HOME=self.home, XDG_CONFIG_HOME=self.home + "/.config",
                   XDG_CACHE_HOME=self.home + "/.cache", XDG_DATA_HOME=self.home + "/.local/share")
        screen.park_pointer()
        screen.drain()
        self.mark = site.mark()
        # What the program says (its notices, the engine's warnings) is kept
        # for as long as the benchmark runs, to be shown when a run fails.
        self.output = tempfile.NamedTemporaryFile(
            mode="w+", prefix="quorvane-bench-%s-" % os.path.basename(command[0]), suffix=".log")
        self.command = command
        self.started = time.time()
        self.process = subprocess.Popen(command, env=env, stdin=stdin, start_new_session=True,
                                        stdout=self.output, stderr=subprocess.STDOUT)

    def output_tail(self, lines=40):
        self.output.flush()
        self.output.seek(0)
        return "".join(self.output.readlines()[-lines:])

    def report_failure(self, what, since=None):
        """What went wrong, what the site saw since `since` and what the program said."""
        err = sys.stderr
        print("\n%s: %s" % (os.path.basename(self.command[0]), what), file=err)
        print("the site's requests since then (last 30):", file=err)
        for line in self.site.since(self.mark if since is None else since)[-30:]:
            print("  " + line, file=err)
        print("the program's last output:", file=err)
        print(self.output_tail() or "  (nothing)", file=err, flush=True)

    def since_start(self, stamp):
        return stamp - self.started

    def watch_start(self, strip_area):
        """Mapped, painted and page-load times; `strip_area` is where in the window
        the pixels that tell 'painted' are, as (x, width) and row fractions."""
        mapped, window = self.screen.wait_mapped(self.process.pid, 30)
        self.window = window
        x0, y0 = self.screen.origin(window)
        self.origin = (x0, y0)
        (sx, sw), fractions, height = strip_area
        ys = [y0 + int(height * f) for f in fractions]
        samples = []
        loaded_at = None
        load_pattern = r"GET /log/layout\?page=serverlist.*[&?]t=(\d+)"
        while True:
            samples.append((time.time(), self.screen.rows(x0 + sx, sw, ys)))
            if loaded_at is None:
                try:
                    _, found = self.site.wait_for(load_pattern, self.mark, 0)
                    loaded_at = int(found.group(1)) / 1000.0
                except TimeoutError:
                    pass
            if loaded_at is not None and time.time() > loaded_at + 1.0:
                break
            if time.time() - self.started > 60:
                raise TimeoutError("the start page never loaded")
            # Every poll is a round trip to the X server the programs draw
            # through; polling sparingly keeps the measurement out of their way.
            time.sleep(0.02)
        final = samples[-1][1]
        painted = samples[-1][0]
        for stamp, pixels in reversed(samples):
            same = sum(1 for i in range(0, len(final), 4) if pixels[i:i + 3] == final[i:i + 3])
            if same * 4 < len(final) * 0.995:
                break
            painted = stamp
        return {"mapped": self.since_start(mapped), "painted": self.since_start(painted),
                "start page load": self.since_start(loaded_at)}

    def game_figures(self, settle):
        """Frame rate and renderer of the game page over the benchmark's window,
        and the tree's PSS over that window: the median of one reading a
        second, since a game's heap rises and falls between collections and a
        single reading lands anywhere on that saw."""
        start = self.site.mark()
        time.sleep(settle)
        readings = []
        end = time.time() + self.args.fps_seconds
        while True:
            readings.append(tree_pss_mb(self.process.pid))
            left = end - time.time()
            if left <= 0:
                break
            time.sleep(min(1.0, left))
        reports = self.site.collect(
            r"GET /log/fps\?page=game&server=\d+&renderer=(\w*)&fps=[\d.]+&frames=(\d+)&ms=(\d+)",
            start, self.site.mark())
        frames = sum(int(m.group(2)) for m in reports[1:])  # the first window holds the start
        ms = sum(int(m.group(3)) for m in reports[1:])
        renderer = reports[-1].group(1) if reports else "none"
        return {"fps": 1000.0 * frames / ms if ms else 0.0,
                "PSS, game open (MB)": statistics.median(readings)}, renderer

    def stop(self):
        try:
            os.killpg(self.process.pid, signal.SIGTERM)
            self.process.wait(timeout=5)
        except (ProcessLookupError, subprocess.TimeoutExpired):
            try:
                os.killpg(self.process.pid, signal.SIGKILL)
            except ProcessLookupError:
                pass
            self.process.wait()
        # Engine helpers left behind would be counted in the next run's tree.
        for _ in range(50):
            try:
                os.killpg(self.process.pid, 0)
            except ProcessLookupError:
                break
            time.sleep(0.1)
        shutil.rmtree(self.home, ignore_errors=True)


def run_client(args, site, screen):
    run = Run(args, site, screen, [args.client])
    try:
        width, height = LAUNCHER_SIZE
        bx, by, bw, bh = LAUNCHER_BROWSER
        # The artwork to the right of and below the browser panel, outside it.
        figures = run.watch_start(((0, width), [0.25], height))
        _, start_page = site.wait_for(r"GET (/hot_update/\S+)", run.mark, 1)
        time.sleep(1.0)
        figures["PSS, start page (MB)"] = tree_pss_mb(run.process.pid)
        figures["CPU, static start page (%)"] = cpu_percent(run.process.pid, args.cpu_seconds)

        # The player enters the first server with a click, as a player does.
        mark = site.mark()
        _, layout = site.wait_for(r"GET /log/layout\?page=serverlist&.*enter-script=(\d+),(\d+)",
                                  run.mark, 5)
        x = run.origin[0] + bx + int(layout.group(1))
        y = run.origin[1] + by + int(layout.group(2))
        subprocess.run(["xdotool", "mousemove", str(x), str(y), "click", "1"], check=True)
        _, entered = site.wait_for(r"/log/enter\?server=1&t=(\d+)", mark, 10)
        entered_at = int(entered.group(1)) / 1000.0
        requested, _ = site.wait_for(r"GET /game\.html\?server=1&", mark, 10)
        _, loaded = site.wait_for(r"GET /log/load\?page=game&server=1&t=(\d+)&size=(\d+x\d+)",
                                  mark, 20)
        figures["hand-off: enter → game request (ms)"] = 1000 * (requested - entered_at)
        figures["hand-off: enter → game load (ms)"] = 1000 * (int(loaded.group(1)) / 1000.0 -
                                                            entered_at)
        screen.park_pointer()
        game, renderer = run.game_figures(2.0)
        figures.update(game)
        return figures, renderer, loaded.group(2), start_page.group(1)
    except TimeoutError as error:
        run.report_failure(error)
        raise
    finally:
        run.stop()


def run_bare(args, site, screen, game_size, start_page):
    """The bare window loads the start page the client asked for, through the
    same redirect, at the launcher's size, then the game at the game's size."""
    base = "http://127.0.0.1:%d" % args.port
    width, height = LAUNCHER_SIZE
    run = Run(args, site, screen,
              [args.bare, "--url", base + start_page, "--size", "%dx%d" % LAUNCHER_SIZE],
              stdin=subprocess.PIPE)
    try:
        figures = run.watch_start(((0, width), [0.5], height))
        time.sleep(1.0)
        figures["PSS, start page (MB)"] = tree_pss_mb(run.process.pid)
        figures["CPU, static start page (%)"] = cpu_percent(run.process.pid, args.cpu_seconds)
        mark = site.mark()
        run.process.stdin.write(("open %s/game.html?%s %s\n" % (base, GAME_QUERY, game_size))
                                .encode())
        run.process.stdin.flush()
        site.wait_for(r"GET /log/load\?page=game&server=1&", mark, 20)
        game, renderer = run.game_figures(2.0)
        figures.update(game)
        return figures, renderer
    except TimeoutError as error:
        run.report_failure(error)
        raise
    finally:
        run.stop()


TARGETS = {
    "mapped": 0.6, "painted": 0.6, "start page load": 1.05,
    "PSS, start page (MB)": 1.05, "PSS, game open (MB)": 1.05,
}


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--client", required=True)
    parser.add_argument("--bare", required=True)
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(
        os.path.dirname(os.path.abspath(__file__)))))
    parser.add_argument("--port", type=int, default=8731)
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--cpu-seconds", type=float, default=5.0)
    parser.add_argument("--fps-seconds", type=float, default=10.0)
    args = parser.parse_args()

    site = Site(args.root, args.port)
    screen = Screen()
    client, bare, renderers = [], [], {"client": set(), "bare": set()}
    try:
        for i in range(args.runs):
            figures, renderer, game_size, start_page = run_client(args, site, screen)
            client.append(figures)
            renderers["client"].add(renderer)
            print("run %d client: %s" % (i + 1, ", ".join(
                "%s %.3g" % item for item in figures.items())), flush=True)
            figures, renderer = run_bare(args, site, screen, game_size, start_page)
            bare.append(figures)
            renderers["bare"].add(renderer)
            print("run %d bare:   %s" % (i + 1, ", ".join(
                "%s %.3g" % item for item in figures.items())), flush=True)
    finally:
        site.close()

    print()
    print("medians of %d runs (times in s from process start unless marked)" % args.runs)
    print("%-40s %10s %10s %7s %7s" % ("measure", "client", "bare", "ratio", "target"))
    for name in client[0]:
        mine = statistics.median(f[name] for f in client)
        theirs = statistics.median(f[name] for f in bare) if name in bare[0] else None
        ratio = "%.2f" % (mine / theirs) if theirs else "-"
        target = TARGETS.get(name)
        if name == "fps":
            target_text = "≥0.95"
        elif name.startswith("hand-off: enter → game request"):
            target_text = "≤100ms"
        elif name.startswith("CPU"):
            target_text = "≤1%"
        else:
            target_text = "≤%.2f" % target if target else ""
        print("%-40s %10.3f %10s %7s %7s" % (
            name, mine, "%.3f" % theirs if theirs is not None else "-", ratio, target_text))
    print("game renderer: client %s, bare %s" % (
        "/".join(sorted(renderers["client"])), "/".join(sorted(renderers["bare"]))))


if __name__ == "__main__":
    main()
