#!/usr/bin/env python3
"""A long game of velmora-replay with pseudo-random play, checked line by line.

The player (a seeded generator) presses buttons, drags food about, often onto
the teeth, sometimes far outside the window, and the frames come at uneven
steps. Every trace line is checked for what must always hold: at most 100
bacteria a tooth, health within 0 to 100, the number of standing teeth never
rising, falling teeth below 2 health, every standing tooth's bacteria inside its
box. The replay's resident memory is sampled as it runs and must stay flat.

Only memory that the process holds for itself is counted, and the replay runs
so that the count moves only when it holds more:
- anonymous memory alone, not the pages of shared libraries read in as new
  code paths run;
- no transparent huge pages, which the kernel fills in 2 MiB at a time when it
  chooses;
- blocks of 128 KiB and more straight from the kernel and back to it. The
  driver makes and frees 1 MiB buffers all game long (about one every 200
  frames); left to the allocator, where each lands depends on when the
  rendering threads let go of the last one, and the heap keeps the holes, so
  one soak in four on a loaded machine grew by 5 to 7 MiB with nothing lost.

    tools/soak.py --replay build-test/velmora-replay --seconds 7200    # two hours
    tools/soak.py --print-script --seed 7 --seconds 60                  # just the script
"""
import argparse
import ctypes
import json
import os
import random
import subprocess
import sys

# The tooth table: centre x and y, width and height (canvas units).
TEETH = [(-307, 82, 107, 217), (-207, 82, 106, 210), (-76, 83, 155, 219), (77, 71, 155, 219),
         (208, 59, 120, 206), (-279, -62, 94, 167), (-185, -72, 99, 165), (-88, -86, 99, 165),
         (7, -87, 99, 165), (100, -100, 99, 165), (195, -99, 99, 165)]
BOXES = {cx: (cx - w / 2, cy - h / 2, cx + w / 2, cy + h / 2) for cx, cy, w, h in TEETH}
FOOD_STARTS = [(-75, 250), (0, 250), (75, 250)]
SAMPLE_FRAMES = 2000


def script_lines(seed, seconds, width, fixed_step=None):
    """The player's script: WIDTH x 3/4 window, SECONDS of game time."""
    rng = random.Random(seed)
    height = width * 3 // 4
    scale = width / 800.0

    def pixel(cx, cy):
        return int((cx + 400) * scale), int((300 - cy) * scale)

    yield f"# soak: seed {seed}, {seconds} s, {width} x {height}"
    yield f"reshape {width} {height}"
    clock = 0
    end = seconds * 1000
    while clock < end:
        roll = rng.random()
        if roll < 0.5:
            # Pick up a food where it starts and drop it on a tooth.
            fx, fy = pixel(*rng.choice(FOOD_STARTS))
            cx, cy, w, h = rng.choice(TEETH)
            tx, ty = pixel(cx + rng.uniform(-w / 2, w / 2), cy + rng.uniform(-h / 2, h / 2))
            yield f"mouse 0 0 {fx} {fy}"
            for _ in range(rng.randint(1, 4)):
                yield f"motion {rng.randint(0, width)} {rng.randint(0, height)}"
            yield f"motion {tx} {ty}"
            if rng.random() < 0.8:
                yield f"mouse {rng.choice([0, 0, 0, 1, 2])} 1 {tx} {ty}"
        elif roll < 0.6:
            # Wild pointer positions and buttons, as a drag off the window reports them.
            yield f"mouse {rng.randint(0, 4)} {rng.randint(0, 1)} {rng.randint(-3000, 3000)} {rng.randint(-3000, 3000)}"
            yield f"motion {rng.randint(-100000, 100000)} {rng.randint(-100000, 100000)}"
        elif roll < 0.65:
            yield f"passive {rng.randint(-50, width + 50)} {rng.randint(-50, height + 50)}"
        elif roll < 0.67:
            yield f"key {rng.choice('aqz1')} {rng.randint(0, width)} {rng.randint(0, height)}"
        # Frames at uneven steps, now and then two in one millisecond.
        count = rng.randint(5, 60)
        step = rng.choice([0, 8, 16, 16, 16, 17, 33, 50])
        if fixed_step:
            count, step = rng.randint(1, 5), fixed_step
        if step == 0:
            yield f"frame {clock}"
            continue
        count = min(count, max(1, (end - clock) // step))
        yield f"frames {count} {step}"
        clock += count * step


class Checker:
    def __init__(self):
        self.frames = 0
        self.standing = 11
        self.max_bacteria = 0
        self.fell = 0
        self.last_falling = set()

    def check(self, line):
        t = json.loads(line)
        self.frames += 1
        problems = []
        if t["frame"] != self.frames:
            problems.append(f"frame {t['frame']} where {self.frames} was due")
        teeth = t["teeth"]
        if len(teeth) > self.standing:
            problems.append(f"standing teeth rose from {self.standing} to {len(teeth)}")
        self.fell += self.standing - len(teeth)
        self.standing = len(teeth)
        for tooth in teeth + t["falling"]:
            if not 0 <= tooth["n"] <= 100:
                problems.append(f"{tooth['n']} bacteria on the tooth at x {tooth['x']}")
            if not 0 <= tooth["health"] <= 100:
                problems.append(f"health {tooth['health']} on the tooth at x {tooth['x']}")
            self.max_bacteria = max(self.max_bacteria, tooth["n"])
        for tooth in teeth:
            if tooth["phase"] != 0:
                problems.append("a tooth that is not healthy among the standing teeth")
            box = BOXES.get(tooth["x"])
            if box is None:
                problems.append(f"a standing tooth at x {tooth['x']}, where none stands")
                continue
            for x, y, _ in tooth.get("bacteria", []):
                if not (box[0] <= x <= box[2] and box[1] <= y <= box[3]):
                    problems.append(f"bacterium at ({x}, {y}) outside the box {box}")
        for tooth in t["falling"]:
            if tooth["phase"] != 1 or tooth["health"] >= 2:
                problems.append(f"falling tooth with phase {tooth['phase']} and health {tooth['health']}")
        if problems:
            raise SystemExit(f"frame {t['frame']}: " + "; ".join(problems[:5]))


def resident_kib(pid):
    with open(f"/proc/{pid}/status") as status:
        for line in status:
            if line.startswith("RssAnon:"):
                return int(line.split()[1])
    return 0


def without_huge_pages():
    """In the child before exec: no transparent huge pages (kept across exec)."""
    PR_SET_THP_DISABLE = 41
    ctypes.CDLL(None, use_errno=True).prctl(PR_SET_THP_DISABLE, 1, 0, 0, 0)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--replay", default="build-test/velmora-replay")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--seconds", type=int, default=7200)
    parser.add_argument("--width", type=int, default=160, help="window width; 800 for the full size")
    parser.add_argument("--memory-slack-kib", type=int, default=4096)
    parser.add_argument("--no-memory-check", action="store_true", help="under AddressSanitizer, say")
    parser.add_argument("--step", type=int, help="every frame this many ms after the last")
    parser.add_argument("--print-script", action="store_true")
    args = parser.parse_args()

    if args.print_script:
        for line in script_lines(args.seed, args.seconds, args.width, args.step):
            print(line)
        return

    script = "\n".join(script_lines(args.seed, args.seconds, args.width, args.step)) + "\n"
    tunables = ":".join(filter(None, [os.environ.get("GLIBC_TUNABLES"), "glibc.malloc.mmap_threshold=131072"]))
    replay = subprocess.Popen([args.replay, "--bacteria", "-"], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                              stderr=subprocess.PIPE, text=True, bufsize=1 << 16,
                              env=dict(os.environ, GLIBC_TUNABLES=tunables), preexec_fn=without_huge_pages)
    replay.stdin.write(script)
    replay.stdin.close()
    checker = Checker()
    samples = []
    for line in replay.stdout:
        checker.check(line)
        if checker.frames % SAMPLE_FRAMES == 0:
            samples.append(resident_kib(replay.pid))
    errors = replay.stderr.read()
    status = replay.wait()
    if status != 0:
        raise SystemExit(f"velmora-replay ended with status {status}: {errors[-2000:]}")
    if checker.frames == 0:
        raise SystemExit("no frames were played")
    settled = samples[len(samples) // 5:] if len(samples) >= 5 else samples
    growth = (max(settled) - min(settled)) if settled else 0
    print(f"soak: {args.seconds} s of game time in {checker.frames} frames, seed {args.seed}; "
          f"{11 - checker.standing} teeth fell, at most {checker.max_bacteria} bacteria on a tooth; "
          f"anonymous resident memory {min(settled) if settled else 0}..{max(settled) if settled else 0} KiB "
          f"after the first fifth ({len(samples)} samples)")
    if growth > args.memory_slack_kib and not args.no_memory_check:
        raise SystemExit(f"resident memory grew by {growth} KiB; every {SAMPLE_FRAMES} frames: {samples}")


if __name__ == "__main__":
    main()
