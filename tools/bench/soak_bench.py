#!/usr/bin/python3
"""A long evening, measured: the client goes from the server list into the game
and back, N times, driven by clicks through the window system on the demo
site's real pages and on the game window's switch-server tab. The process
tree's memory (PSS), engine processes, threads and open descriptors are
printed before the first game and back on the start page after round 5, round
N/2 and round N, with what each process holds.

With --compare-bare a bare engine window does the same rounds (the game page,
then the start page, N times), so the engine's own growth is the baseline.

Usually run through soak.sh, which builds both programs and provides a display.
"""
import argparse
import os
import re
import subprocess
import sys
import time

from startup_bench import GAME_QUERY, LAUNCHER_BROWSER, LAUNCHER_SIZE, Run, Screen, Site, tree_of

# The game window's strip: the switch-server tab sits at the left end of the
# 422 px button area at the strip's right end, inside the 2 px frame.
SWITCH_TAB = (-2 - 422 + 40, 2 + 18 + 12)


def parent_of(pid):
    try:
        with open("/proc/%d/stat" % pid) as f:
            return int(f.read().rsplit(")", 1)[1].split()[1])
    except OSError:
        return 0


def has_children(pid):
    try:
        with open("/proc/%d/task/%d/children" % (pid, pid)) as f:
            return bool(f.read().split())
    except OSError:
        return False


def process_kind(pid):
    """browser, zygote, renderer, gpu-process, utility <service>, …"""
    try:
        with open("/proc/%d/cmdline" % pid, "rb") as f:
            words = f.read().split(b"\0")
    except OSError:
        return "gone"
    for word in words:
        if word.startswith(b"--type="):
            kind = word[len(b"--type="):].decode()
            if kind == "utility":
                for w in words:
                    if w.startswith(b"--utility-sub-type="):
                        return "utility " + w.split(b".")[-1].decode()
            # Renderers are forked by a zygote and keep its command line; under
            # the engine's sandbox a zygote forks the one that forks them.
            if kind == "zygote" and process_kind(parent_of(pid)) == "zygote" and \
                    not has_children(pid):
                return "renderer"
            return kind
    return "browser"


def read_kb(path, key):
    try:
        with open(path) as f:
            for line in f:
                if line.startswith(key):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def snapshot(pid):
    """PSS, engine processes, threads and descriptors of the tree, and each process."""
    processes = []
    for p in tree_of(pid):
        kind = process_kind(p)
        if kind == "gone":
            continue
        fds = []
        try:
            for fd in os.listdir("/proc/%d/fd" % p):
                try:
                    # Sockets and pipes by kind, the engine's shared memory
                    # and the status files of the processes it watches without
                    # their numbers: those differ each time.
                    target = os.readlink("/proc/%d/fd/%s" % (p, fd))
                    target = re.sub(r":\[\d+\]$", "", target)
                    target = re.sub(r"(\.org\.chromium\.Chromium\.)\w+", r"\1*", target)
                    fds.append(re.sub(r"^/proc/\d+/", "/proc/*/", target))
                except OSError:
                    pass
        except OSError:
            pass
        rollup = "/proc/%d/smaps_rollup" % p
        processes.append({"pid": p, "kind": kind, "pss": read_kb(rollup, "Pss:") / 1024.0,
                          # Memory the process wrote and shares with no one: heap
                          # and such. Unlike PSS it does not move when other
                          # programs map the same libraries or quit.
                          "private": read_kb(rollup, "Private_Dirty:") / 1024.0,
                          "threads": read_kb("/proc/%d/status" % p, "Threads:"),
                          "fds": sorted(fds)})
    return {
        "PSS (MB)": sum(p["pss"] for p in processes),
        "private dirty (MB)": sum(p["private"] for p in processes),
        "engine processes": sum(1 for p in processes if p["kind"] != "browser"),
        "threads": sum(p["threads"] for p in processes),
        "descriptors": sum(len(p["fds"]) for p in processes),
        "processes": processes,
    }


def visible_game_window(launcher_size):
    """Origin and size of the client's visible window that is not the launcher."""
    for _ in range(100):
        ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "^Quorvane$"],
                             capture_output=True, text=True).stdout.split()
        for window in ids:
            shell = subprocess.run(["xdotool", "getwindowgeometry", "--shell", window],
                                   capture_output=True, text=True).stdout
            values = dict(line.split("=", 1) for line in shell.split() if "=" in line)
            size = (int(values["WIDTH"]), int(values["HEIGHT"]))
            if size != launcher_size:
                return int(values["X"]), int(values["Y"]), size
        time.sleep(0.1)
    raise TimeoutError("the game window never showed")


def click(x, y):
    subprocess.run(["xdotool", "mousemove", "--sync", str(x), str(y), "click", "1"], check=True)


def visible_windows():
    """Each visible named window: id, geometry and name."""
    listing = []
    ids = subprocess.run(["xdotool", "search", "--onlyvisible", "--name", "."],
                         capture_output=True, text=True).stdout.split()
    for window in ids:
        geometry = subprocess.run(["xdotool", "getwindowgeometry", window],
                                  capture_output=True, text=True).stdout.split("\n")[1:3]
        name = subprocess.run(["xdotool", "getwindowname", window],
                              capture_output=True, text=True).stdout.strip()
        listing.append("%s %r %s" % (window, name, " ".join(g.strip() for g in geometry)))
    return listing


def opened_descriptors(before, after):
    """What the tree has open at `after` that it had not at `before`, by target."""
    def targets(figures):
        counts = {}
        for p in figures["processes"]:
            for target in p["fds"]:
                key = (p["kind"], target)
                counts[key] = counts.get(key, 0) + 1
        return counts
    old, new = targets(before), targets(after)
    return sorted("%s %s%s" % (kind, target, " ×%d" % (n - old.get((kind, target), 0))
                               if n - old.get((kind, target), 0) > 1 else "")
                  for (kind, target), n in new.items() if n > old.get((kind, target), 0))


def checkpoints(rounds):
    return sorted({r for r in (5, rounds // 2, rounds) if 0 < r <= rounds})


def soak_client(args, site, screen):
    run = Run(args, site, screen, [args.client])
    try:
        run.watch_start(((0, LAUNCHER_SIZE[0]), [0.25], LAUNCHER_SIZE[1]))
        bx, by = LAUNCHER_BROWSER[0], LAUNCHER_BROWSER[1]
        time.sleep(args.settle)
        figures = {0: snapshot(run.process.pid)}
        list_mark = run.mark
        step, step_mark = "waiting for the start page", run.mark
        for round_ in range(1, args.rounds + 1):
            _, layout = site.wait_for(
                r"GET /log/layout\?page=serverlist&.*enter-script=(\d+),(\d+)", list_mark, 30)
            step_mark = site.mark()
            screen.park_pointer()
            place = (run.origin[0] + bx + int(layout.group(1)),
                     run.origin[1] + by + int(layout.group(2)))
            step = "round %d: clicked the list's first server at %s" % (round_, place)
            click(*place)
            site.wait_for(r"GET /log/load\?page=game&server=1&", step_mark, 30)
            time.sleep(args.game_seconds)
            step = "round %d: looking for the game window" % round_
            x, y, (width, _) = visible_game_window(LAUNCHER_SIZE)
            list_mark = step_mark = site.mark()
            place = (x + width + SWITCH_TAB[0], y + SWITCH_TAB[1])
            step = "round %d: clicked the switch-server tab at %s" % (round_, place)
            click(*place)
            site.wait_for(r"GET /log/layout\?page=serverlist&", list_mark, 30)
            if round_ in checkpoints(args.rounds):
                time.sleep(args.settle)
                figures[round_] = snapshot(run.process.pid)
            print("client round %d done" % round_, file=sys.stderr, flush=True)
        return figures
    except TimeoutError as error:
        windows = "\n".join("  " + w for w in visible_windows())
        run.report_failure("%s\n%s\nvisible windows:\n%s" % (step, error, windows), step_mark)
        raise
    finally:
        run.stop()


def soak_bare(args, site, screen, start_page):
    base = "http://127.0.0.1:%d" % args.port
    run = Run(args, site, screen,
              [args.bare, "--url", base + start_page, "--size", "%dx%d" % LAUNCHER_SIZE],
              stdin=subprocess.PIPE)

    def go(url, size, pattern):
        mark = site.mark()
        run.process.stdin.write(("open %s %s\n" % (url, size)).encode())
        run.process.stdin.flush()
        try:
            site.wait_for(pattern, mark, 30)
        except TimeoutError as error:
            run.report_failure("opening %s: %s" % (url, error), mark)
            raise

    try:
        run.watch_start(((0, LAUNCHER_SIZE[0]), [0.5], LAUNCHER_SIZE[1]))
        time.sleep(args.settle)
        figures = {0: snapshot(run.process.pid)}
        for round_ in range(1, args.rounds + 1):
            go("%s/game.html?%s" % (base, GAME_QUERY), args.game_size,
               r"GET /log/load\?page=game&server=1&")
            time.sleep(args.game_seconds)
            go(base + start_page, "%dx%d" % LAUNCHER_SIZE, r"GET /log/layout\?page=serverlist&")
            if round_ in checkpoints(args.rounds):
                time.sleep(args.settle)
                figures[round_] = snapshot(run.process.pid)
            print("bare round %d done" % round_, file=sys.stderr, flush=True)
        return figures
    finally:
        run.stop()


def report(name, figures):
    print("%s (back on the start page after each round)" % name)
    columns = sorted(figures)
    labels = ["before" if c == 0 else "round %d" % c for c in columns]
    print("%-18s" % "" + "".join("%12s" % l for l in labels))
    for measure in ("PSS (MB)", "private dirty (MB)", "engine processes", "threads", "descriptors"):
        row = "".join("%12.1f" % figures[c][measure] if "MB" in measure
                      else "%12d" % figures[c][measure] for c in columns)
        print("%-18s%s" % (measure, row))
    first, last = figures[columns[0]], figures[columns[-1]]
    print("round %d / before: PSS %.3f" % (columns[-1], last["PSS (MB)"] / first["PSS (MB)"]))
    if 5 in figures:
        print("round %d / round 5: PSS %.3f" % (columns[-1],
                                                last["PSS (MB)"] / figures[5]["PSS (MB)"]))
    reference = 5 if 5 in figures else columns[0]
    for label, (a, b) in (("opened", (reference, columns[-1])), ("closed", (columns[-1], reference))):
        changed = opened_descriptors(figures[a], figures[b])
        if changed:
            print("descriptors %s between %s and round %d: %s" % (
                label, "before" if reference == 0 else "round %d" % reference, columns[-1],
                "; ".join(changed)))
    for c, label in zip(columns, labels):
        print("  %s: %s" % (label, ", ".join(
            "%s %.1f MB (%.1f private)" % (p["kind"], p["pss"], p["private"])
            for p in sorted(figures[c]["processes"], key=lambda p: -p["pss"]))))
    print()


def main():
    parser = argparse.ArgumentParser(description=__doc__,
                                     formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--client", required=True)
    parser.add_argument("--bare")
    parser.add_argument("--root", default=os.path.dirname(os.path.dirname(
        os.path.dirname(os.path.abspath(__file__)))))
    parser.add_argument("--port", type=int, default=8731)
    parser.add_argument("--rounds", type=int, default=50)
    parser.add_argument("--game-seconds", type=float, default=3.0,
                        help="how long the player stays in each game")
    # The client hands freed memory back a few seconds after the pages have
    # settled; the measurement comes after that.
    parser.add_argument("--settle", type=float, default=6.0,
                        help="seconds before each measurement")
    parser.add_argument("--compare-bare", action="store_true")
    parser.add_argument("--game-size", default="1439x764",
                        help="the bare window's size for the game page")
    # Read by Run (startup_bench); the soak draws no frame-rate figures.
    parser.add_argument("--fps-seconds", type=float, default=0.0, help=argparse.SUPPRESS)
    args = parser.parse_args()
    if args.compare_bare and not args.bare:
        parser.error("--compare-bare needs --bare")

    site = Site(args.root, args.port)
    screen = Screen()
    try:
        client = soak_client(args, site, screen)
        report("client", client)
        if args.compare_bare:
            _, start_page = site.wait_for(r"GET (/hot_update/\S+)", 0, 1)
            report("bare engine window", soak_bare(args, site, screen, start_page.group(1)))
    finally:
        site.close()


if __name__ == "__main__":
    main()
