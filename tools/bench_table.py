#!/usr/bin/env python3
"""Turns Google Benchmark JSON files into the markdown tables of docs/benchmarks.md.

    bench_table.py [--into FILE] JSON...

Prints the tables; with --into it writes them into FILE instead, keeping every
"## " section of FILE that it does not write itself (figures taken by hand,
such as the start-up comparison), in their order after the tables.
"""
import contextlib
import io
import json
import os
import sys

UNIT_MS = {"ns": 1e-6, "us": 1e-3, "ms": 1.0, "s": 1e3}


def medians(paths):
    figures, counters, context = {}, {}, {}
    for path in paths:
        with open(path) as f:
            data = json.load(f)
        context = context or data.get("context", {})
        for b in data["benchmarks"]:
            if b.get("aggregate_name") not in (None, "median"):
                continue
            name = b.get("run_name", b["name"])
            figures[name] = b["real_time"] * UNIT_MS[b.get("time_unit", "ns")]
            for key, value in b.items():
                if key == "peak_rss_MiB" or key.startswith(("saved_", "unblended_", "kept_")):
                    counters[key] = value
    return figures, counters, context


def sections(text):
    """The text before the first "## " heading, and each "## " section as (heading, text), in order.
    Lines inside fenced code blocks are never headings."""
    head, found, fenced = [], [], False
    for line in text.splitlines(keepends=True):
        if line.startswith("```"):
            fenced = not fenced
        if not fenced and line.startswith("## "):
            found.append([line.strip(), [line]])
        elif found:
            found[-1][1].append(line)
        else:
            head.append(line)
    return "".join(head), [(heading, "".join(lines)) for heading, lines in found]


def merged(tables, existing):
    """The new tables followed by the sections of the existing text that the tables do not hold."""
    written = {heading for heading, _ in sections(tables)[1]}
    kept = [body.strip("\n") for heading, body in sections(existing)[1] if heading not in written]
    return tables.rstrip("\n") + "\n" + "".join("\n" + body + "\n" for body in kept)


def write_tables(paths):
    figures, counters, context = medians(paths)
    goals = {
        "UpdateAtHeaviestLoad": 0.3,
        "FrameAtHeaviestLoad/Trimmed": 11.0,
        "FrameAtStart/Trimmed": 6.0,
        "StartUpToFirstFrame": 150.0,
    }
    print("# Benchmarks\n")
    print(f"{context.get('num_cpus', '?')} CPUs, {context.get('host_name', '')}; medians of 3 runs, "
          "offscreen 800 x 600 on the machine's OpenGL (llvmpipe without a GPU).\n")
    print("| benchmark | time (ms) | goal (ms) | met |")
    print("|---|---:|---:|---|")
    for name, ms in figures.items():
        goal = goals.get(name)
        met = "" if goal is None else ("yes" if ms <= goal else "no")
        print(f"| {name} | {ms:.4f} | {'' if goal is None else goal} | {met} |")
    print("\n| ratio | value |")
    print("|---|---:|")

    def ratio(label, a, b):
        if a in figures and b in figures and figures[b] > 0:
            print(f"| {label} | {figures[a] / figures[b]:.2f} |")

    heaviest, start = "FrameAtHeaviestLoad/Trimmed", "FrameAtStart/Trimmed"
    if heaviest in figures and start in figures:
        value = figures[heaviest] / figures[start]
        print(f"| heaviest frame / start frame (goal 2.5) | {value:.2f} ({'met' if value <= 2.5 else 'not met'}) |")
    ratio("heaviest frame / start frame, whole quads", "FrameAtHeaviestLoad/WholeQuads", "FrameAtStart/WholeQuads")
    ratio("heaviest frame, trimmed / whole quads", heaviest, "FrameAtHeaviestLoad/WholeQuads")
    ratio("start frame, trimmed / whole quads", start, "FrameAtStart/WholeQuads")
    ratio("heaviest frame / clear-only frame", heaviest, "FrameOnlyClearing")
    ratio("start frame / clear-only frame", start, "FrameOnlyClearing")
    ratio("quiet replay frame drawn / not drawn (goal 20 or more)", "QuietReplayFrame/drawn:1",
          "QuietReplayFrame/drawn:0")
    going = "FrameAsTheGameGoesOn/"
    for mouth, label in (("AtStart", "at the start, every tooth drained"),
                         ("Quiet", "a quiet mouth for a minute, the tools coming and going"),
                         ("Swarm", "the full swarm")):
        parts = next((n for n in figures if n.startswith(going + mouth + "InParts")), None)
        whole = next((n for n in figures if n.startswith(going + mouth + "Whole")), None)
        if parts and whole:
            ratio(f"frame drawn in parts / whole, {label}", parts, whole)
    kinds = {"0": "uncompressed", "1": "run-length"}
    for ours, theirs in (("readTargaFromFile", "stbLoadFromFile"), ("decodeTargaFromMemory", "stbLoadFromMemory")):
        for arg, kind in kinds.items():
            ratio(f"{ours} / {theirs}, {kind}", f"{ours}/{arg}", f"{theirs}/{arg}")
    pictures = sorted(k[len("saved_"):-len("_upright")] for k in counters if k.endswith("_upright"))
    if pictures:
        print("\nFragments no longer drawn, as a share of each picture's quad (upright sprites; turned ones,")
        print("such as moving bacteria, keep their rectangles apart), pictures drawn without blending, and")
        print("pictures whose pixels are kept and copied back while their sprite does not change:\n")
        print("| picture | saved, upright | saved, turned | unblended | kept |")
        print("|---|---:|---:|---|---|")
        for p in pictures:
            unblended = "yes" if counters.get(f"unblended_{p}", 0) else ""
            kept = "yes" if counters.get(f"kept_{p}", 0) else ""
            print(f"| {p} | {counters[f'saved_{p}_upright'] * 100:.0f} % | "
                  f"{counters[f'saved_{p}_turned'] * 100:.0f} % | {unblended} | {kept} |")
    if "peak_rss_MiB" in counters:
        print(f"\nPeak resident memory at the heaviest load: {counters['peak_rss_MiB']:.1f} MiB")


def main():
    arguments = sys.argv[1:]
    into = None
    if arguments[:1] == ["--into"]:
        if len(arguments) < 2:
            sys.exit("usage: bench_table.py [--into FILE] JSON...")
        into, arguments = arguments[1], arguments[2:]
    if not arguments:
        sys.exit("usage: bench_table.py [--into FILE] JSON...")
    text = io.StringIO()
    with contextlib.redirect_stdout(text):
        write_tables(arguments)
    if into is None:
        sys.stdout.write(text.getvalue())
        return
    existing = ""
    if os.path.exists(into):
        with open(into) as f:
            existing = f.read()
    # Written beside it and moved over it, so a failure leaves the old file whole.
    with open(into + ".new", "w") as f:
        f.write(merged(text.getvalue(), existing))
    os.replace(into + ".new", into)


if __name__ == "__main__":
    main()
