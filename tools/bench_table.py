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
            for key, value in b.items():
                if key == "peak_rss_MiB" or key.startswith(("saved_", "unblended_", "kept_")):
                    counters[key] = value
    return figures, counters, context


def main():
    figures, counters, context = medians(sys.argv[1:])
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


if __name__ == "__main__":
    main()
