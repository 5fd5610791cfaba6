#!/usr/bin/env python3
"""Turns Google Benchmark JSON files into the markdown table of docs/benchmarks.md."""
import json
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
            for key in ("peak_rss_MiB",):
                if key in b:
                    counters[key] = b[key]
    return figures, counters, context


def main():
    figures, counters, context = medians(sys.argv[1:])
    goals = {
        "UpdateAtHeaviestLoad": 0.3,
        "FrameAtHeaviestLoad": 14.0,
        "FrameAtStart": 6.0,
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

    ratio("heaviest frame / start frame", "FrameAtHeaviestLoad", "FrameAtStart")
    ratio("heaviest frame / clear-only frame", "FrameAtHeaviestLoad", "FrameOnlyClearing")
    ratio("start frame / clear-only frame", "FrameAtStart", "FrameOnlyClearing")
    ratio("quiet replay frame drawn / not drawn (goal 20 or more)", "QuietReplayFrame/drawn:1",
          "QuietReplayFrame/drawn:0")
    kinds = {"0": "uncompressed", "1": "run-length"}
    for ours, theirs in (("readTargaFromFile", "stbLoadFromFile"), ("decodeTargaFromMemory", "stbLoadFromMemory")):
        for arg, kind in kinds.items():
            ratio(f"{ours} / {theirs}, {kind}", f"{ours}/{arg}", f"{theirs}/{arg}")
    if "peak_rss_MiB" in counters:
        print(f"\nPeak resident memory at the heaviest load: {counters['peak_rss_MiB']:.1f} MiB")


if __name__ == "__main__":
    main()
