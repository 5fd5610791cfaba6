#!/usr/bin/env bash
# Takes the README's pictures of the game: a scripted game (three sweets onto
# one tooth) played by velmora-replay, which draws with the game's own code.
# Each picture is taken at a frame whose trace shows what its caption says,
# and the script stops, naming the caption, when no frame does.
# Usage: tools/take_screenshots.sh [--into FOLDER (docs/)]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
replay="${VELMORA_REPLAY:-$root/build/velmora-replay}"
into="$root/docs"
if [ "${1:-}" = "--into" ] && [ -n "${2:-}" ]; then
  into=$2
elif [ $# -gt 0 ]; then
  echo "usage: tools/take_screenshots.sh [--into FOLDER]" >&2
  exit 2
fi
[ -x "$replay" ] || { echo "build velmora-replay first (bash tools/test.sh), or set VELMORA_REPLAY" >&2; exit 1; }
mkdir -p "$into"
into="$(cd "$into" && pwd)"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

cat >"$work/moments.py" <<'EOF'
"""The game to photograph, and the frames whose trace shows each caption."""
import json
import sys

FRAMES = 37 * 60  # a little past the drill's first strike at 35 s
# Three sweets (at home at canvas (-75, 250), (0, 250), (75, 250)) dragged onto
# the third upper tooth (canvas -76, 83), in window pixels: it fills with
# bacteria, yellows and falls out while the brush scrubs, at about 18 s.
DRAGS = [(325, 50, 320, 200), (400, 50, 328, 215), (475, 50, 324, 230)]
START_FRAME = 36  # 0.6 s: before the first drag


def reading(frame):
    return round(frame * 1000 / 60)


def game_script(shots):
    """The game, with a shot after each frame named in shots (frame -> file)."""
    lines = ["# the README's pictures: three sweets onto the third upper tooth"]
    frame = 0

    def frames(count):
        nonlocal frame
        for _ in range(count):
            frame += 1
            lines.append(f"frame {reading(frame)}")
            if frame in shots:
                lines.append(f"shot {shots[frame]}")

    frames(START_FRAME)
    for fx, fy, tx, ty in DRAGS:
        for event in (f"mouse 0 0 {fx} {fy}", f"motion {(fx + tx) // 2} {(fy + ty) // 2}", f"motion {tx} {ty}",
                      f"mouse 0 1 {tx} {ty}"):
            lines.append(event)
            frames(1)
    frames(FRAMES - frame)
    return "\n".join(lines) + "\n"


# Canvas units: x from -400 to 400, y from -300 (bottom) to 300; a tooth's
# blue falls with its health, so at half health it is plainly yellow.
BRUSH_WAITING, BRUSHING = 0, 2
DRILL_WAITING, DRILL_ENTERING = 0, 1
YELLOWED = 50
SWARMING = 80  # bacteria on one tooth (a hundred at most)


def tools_away(f):
    return f["brush"]["phase"] == BRUSH_WAITING and f["drill"]["phase"] == DRILL_WAITING


def at_start(f):
    return (len(f["teeth"]) == 11 and not f["falling"] and f["heldFood"] == -1 and tools_away(f)
            and all(t["n"] <= 2 for t in f["teeth"]) and all(food["y"] == 250 for food in f["food"]))


def swarming(f):
    return tools_away(f) and not f["falling"] and max(t["n"] for t in f["teeth"]) >= SWARMING


def brushing_past_yellow(f):
    # Scrubbing, the brush stays within 30 units of the middle, over the teeth.
    return f["brush"]["phase"] == BRUSHING and any(t["health"] <= YELLOWED for t in f["teeth"])


def falling_in_view(f, standing):
    # Fallen 150 units or more (plainly moving), its middle still above the
    # lower lip's bottom.
    return any(t["y"] <= standing.get(t["x"], t["y"]) - 150 and t["y"] >= -200 for t in f["falling"])


def drill_arriving(f):
    # The drill's bur lies some 293 units right of its middle and comes to rest
    # at the right-hand end of the bite: at x 60 or less its bur and nose are in
    # view, and it strikes at 0.
    return f["drill"]["phase"] == DRILL_ENTERING and 0 < f["drill"]["x"] <= 60


# name, caption, test, which of the frames that pass is taken
PICTURES = [
    ("start", "the mouth at the start of a game", at_start, "last"),
    ("swarm", "a fed tooth swarming", swarming, "most bacteria"),
    ("brush", "the brush scrubbing past a yellowed tooth", brushing_past_yellow, "middle"),
    ("falling", "a tooth falling out", None, "tooth nearest -150"),
    ("drill", "the drill arriving", drill_arriving, "drill nearest 20"),
]


def load(path):
    with open(path) as f:
        return [json.loads(line) for line in f]


def passing(trace):
    """For each picture, the frames (numbered from 1) whose trace shows its caption."""
    standing, found = {}, {name: [] for name, *_ in PICTURES}
    for f in trace:
        for t in f["teeth"]:
            standing[t["x"]] = t["y"]
        for name, _, test, _ in PICTURES:
            shown = falling_in_view(f, standing) if name == "falling" else test(f)
            # The start is the moment before anything was done.
            if shown and (name != "start" or f["frame"] <= START_FRAME):
                found[name].append(f["frame"])
    return found


def choose(trace):
    found = passing(trace)
    chosen = {}
    for name, caption, _, rule in PICTURES:
        frames = found[name]
        if not frames:
            sys.exit(f"take_screenshots: no frame of the game shows {caption} ({name}.png)")
        if rule == "last":
            chosen[name] = frames[-1]
        elif rule == "middle":
            chosen[name] = frames[len(frames) // 2]
        elif rule == "most bacteria":
            chosen[name] = max(frames, key=lambda n: (max(t["n"] for t in trace[n - 1]["teeth"]), -n))
        elif rule == "tooth nearest -150":  # below the brush's handle, above the lower lip
            chosen[name] = min(frames, key=lambda n: min(abs(t["y"] + 150) for t in trace[n - 1]["falling"]))
        else:
            chosen[name] = min(frames, key=lambda n: abs(trace[n - 1]["drill"]["x"] - 20))
    return chosen


def main():
    command = sys.argv[1]
    if command == "game":
        sys.stdout.write(game_script({}))
    elif command == "shots":  # trace, folder: the game with its shots
        chosen = choose(load(sys.argv[2]))
        sys.stdout.write(game_script({frame: f"{sys.argv[3]}/{name}.png" for name, frame in chosen.items()}))
    elif command == "check":  # trace of the game with shots, trace without
        shot, plain = load(sys.argv[2]), load(sys.argv[3])
        if shot != plain:
            sys.exit("take_screenshots: the shots changed the game")
        chosen, found = choose(shot), passing(shot)
        for name, caption, _, _ in PICTURES:
            frame = chosen[name]
            if frame not in found[name]:
                sys.exit(f"take_screenshots: {name}.png does not show {caption}")
            print(f"{name}.png: {caption}, frame {frame} at {shot[frame - 1]['elapsedMs']} ms")


main()
EOF

cd "$work"
python3 moments.py game >game.txt
"$replay" --no-draw game.txt >game.jsonl
mkdir shots
python3 moments.py shots game.jsonl "$work/shots" >shots.txt
"$replay" --no-draw shots.txt >shots.jsonl
python3 moments.py check shots.jsonl game.jsonl
for name in start swarm brush falling drill; do
  [ -s "shots/$name.png" ] || { echo "take_screenshots: $name.png was not written" >&2; exit 1; }
done
mv shots/*.png "$into/"
echo "written into $into"
