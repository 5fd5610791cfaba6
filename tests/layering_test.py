#!/usr/bin/env python3
"""The rooms point one way, and no two parts of the game lean on each other.

core/, gfx/ and game/ are the game itself; audio/ (the sound player) and
recording/ (scripts, traces and the files they go to) sit above it; session/,
the one loop every program runs, above those; the three programs, app/ (the
desktop window), web/ (the page) and replay/ (velmora-replay), at the top,
each on its own. A part is a .h with its .cpp; a part that includes another
must not be included back by it, nor by anything it leads to.
"""
import os
import re
import sys

below = {
    "core": set(),
    "gfx": {"core"},
    "game": {"core", "gfx"},
    "audio": {"core", "gfx", "game"},
    "recording": {"core", "gfx", "game"},
    "session": {"core", "gfx", "game", "audio", "recording"},
    "app": {"core", "gfx", "game", "audio", "recording", "session"},
    "web": {"core", "gfx", "game", "audio", "recording", "session"},
    "replay": {"core", "gfx", "game", "audio", "recording", "session"},
}
# Only the programs and the sound player talk to the platform; the game and
# its loop can be built anywhere and tested alone.
platform_rooms = {"app", "web", "replay", "audio"}
platform = re.compile(r'#include\s+<(GL/(glut|freeglut)\w*\.h|GL/glx\.h|X11/|EGL/|emscripten|AL/)')
local = re.compile(r'#include\s+"([a-z_]+)/([a-z_0-9]+)\.h"')
# The steady clock is read in one place, so every wait and pace counts alike.
steady_reading = re.compile(r'steady_clock::now|clock_gettime|gettimeofday')
steady_home = "core/steady_clock.cpp"

root = sys.argv[1]
faults = []
leans = {}  # part -> parts it includes
for room in below:
    folder = os.path.join(root, room)
    if not os.path.isdir(folder):
        continue
    for name in sorted(os.listdir(folder)):
        stem, ext = os.path.splitext(name)
        if ext not in (".h", ".cpp"):
            continue
        part = f"{room}/{stem}"
        leans.setdefault(part, set())
        with open(os.path.join(folder, name), encoding="utf-8") as source:
            for number, line in enumerate(source, 1):
                where = f"{room}/{name}:{number}"
                if steady_reading.search(line) and f"{room}/{name}" != steady_home:
                    faults.append(f"{where}: reads the steady clock itself, not through {steady_home}")
                if room not in platform_rooms and platform.search(line):
                    faults.append(f"{where}: {room}/ talks to the platform: {line.strip()}")
                found = local.search(line)
                if not found:
                    continue
                other_room, other_stem = found.groups()
                if other_room != room and other_room in below and other_room not in below[room]:
                    faults.append(f"{where}: {room}/ includes {other_room}/, which is not below it")
                other = f"{other_room}/{other_stem}"
                if other != part:
                    leans[part].add(other)

# Parts that lead back to themselves through what they include.
index, low, stack, on_stack, counter = {}, {}, [], set(), [0]
def visit(part):
    index[part] = low[part] = counter[0]
    counter[0] += 1
    stack.append(part)
    on_stack.add(part)
    for other in leans.get(part, ()):
        if other not in leans:
            continue
        if other not in index:
            visit(other)
            low[part] = min(low[part], low[other])
        elif other in on_stack:
            low[part] = min(low[part], index[other])
    if low[part] == index[part]:
        circle = []
        while True:
            member = stack.pop()
            on_stack.discard(member)
            circle.append(member)
            if member == part:
                break
        if len(circle) > 1:
            faults.append("these parts include each other: " + ", ".join(sorted(circle)))
for part in sorted(leans):
    if part not in index:
        visit(part)

for fault in faults:
    print(fault)
sys.exit(1 if faults else 0)
