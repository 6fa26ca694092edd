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
            # Renderers are forked by the zygote and keep its command line.
            if kind == "zygote" and process_kind(parent_of(pid)) == "zygote" and \
                    process_kind(parent_of(parent_of(pid))) == "zygote":
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
        try:
            fds = len(os.listdir("/proc/%d/fd" % p))
        except OSError:
            fds = 0
        rollup = "/proc/%d/smaps_rollup" % p
        processes.append({"pid": p, "kind": kind, "pss": read_kb(rollup, "Pss:") / 1024.0,
                          # Memory the process wrote and shares with no one: heap
                          # and such. Unlike PSS it does not move when other
                          # programs map the same libraries or quit.
                          "private": read_kb(rollup, "Private_Dirty:") / 1024.0,
                          "threads": read_kb("/proc/%d/status" % p, "Threads:"), "fds": fds})
    return {
        "PSS (MB)": sum(p["pss"] for p in processes),
        "private dirty (MB)": sum(p["private"] for p in processes),
        "engine processes": sum(1 for p in processes if p["kind"] != "browser"),
        "threads": sum(p["threads"] for p in processes),
        "descriptors": sum(p["fds"] for p in processes),
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
        for round_ in range(1, args.rounds + 1):
            _, layout = site.wait_for(
                r"GET /log/layout\?page=serverlist&.*enter-script=(\d+),(\d+)", list_mark, 30)
            mark = site.mark()
            screen.park_pointer()
            click(run.origin[0] + bx + int(layout.group(1)), run.origin[1] + by + int(layout.group(2)))
            site.wait_for(r"GET /log/load\?page=game&server=1&", mark, 30)
            time.sleep(args.game_seconds)
            x, y, (width, _) = visible_game_window(LAUNCHER_SIZE)
            list_mark = site.mark()
            click(x + width + SWITCH_TAB[0], y + SWITCH_TAB[1])
            site.wait_for(r"GET /log/layout\?page=serverlist&", list_mark, 30)
            if round_ in checkpoints(args.rounds):
                time.sleep(args.settle)
                figures[round_] = snapshot(run.process.pid)
            print("client round %d done" % round_, file=sys.stderr, flush=True)
        return figures
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
        site.wait_for(pattern, mark, 30)

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
