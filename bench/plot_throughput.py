#!/usr/bin/python3
"""Plots array_benchmark's JSON output: throughput against array size.

    array_benchmark --benchmark_format=json > arrays.json
    bench/plot_throughput.py arrays.json [more.json ...] docs/performance.svg

Needs matplotlib (Debian: python3-matplotlib). Each point is the fastest of
the benchmark's repetitions, and of all the runs given, in billions of doubles
per second; dotted lines mark where the input and output arrays together fill
each cache level the CPU reports.
"""
import json
import sys

import matplotlib

matplotlib.use("svg")
import matplotlib.pyplot as plt  # noqa: E402 (after choosing the backend)
import matplotlib.ticker  # noqa: E402

# Benchmark name: its label and line style, in the order of the legend.
WAYS = {
    "array": ("sq_n, sqrt_n from the archive (no LTO)", dict(color="C3", linewidth=2.5, zorder=5)),
    "calls": ("a call to the archive per element (no LTO)", dict(color="C7")),
    "inline": ("the loop inline, -O3", dict(color="C0")),
    "inline_native": ("the loop inline, -O3 -march=native -fno-math-errno", dict(color="C2")),
    "refined_1_3_0": ("sqrt_n's AVX-512F kernel of 1.3.0", dict(color="C3", linestyle=":")),
    "avx2_refined": ("sqrt_n's AVX2 kernel, called directly", dict(color="C4")),
    "avx2_instruction": ("the instruction's AVX2 kernel, called directly", dict(color="C4", linestyle=":")),
    "eigen_native": ("Eigen 3.4, -O3 -march=native", dict(color="C1")),
    "eigen_fast_native": (
        "Eigen 3.4, -O3 -march=native, default fast math (roots not correctly rounded)",
        dict(color="C1", linestyle="--"),
    ),
    "sleef_u05_native": ("SLEEF 3.5, 0.5 ulp, -O3 -march=native", dict(color="C5")),
    "highway_native": ("Highway 1.0, -O3 for this machine", dict(color="C6")),
    "xsimd_native": ("xsimd 8.1, -O3 -march=native", dict(color="C8")),
}
# Panels: a title and the functions whose series it draws, each with a
# label suffix and a line style of its own where several share a panel.
PANELS = [
    ("sq", [("sq", "", {})]),
    ("sqrt, mixed signs", [("sqrt", "", {})]),
    ("sqrt, positive", [("sqrt_positive", "", {})]),
    ("sqrt, every 4th element zero", [("sqrt_quarter_zeros", "", {})]),
    ("sq, in place and read back at once", [("sq_in_place", ", in place", dict(linestyle="-.")),
                                            ("sq_read_back", ", read back", dict(linestyle=(0, (1, 1))))]),
    ("sqrt, in place and read back at once", [("sqrt_in_place", ", in place", dict(linestyle="-.")),
                                              ("sqrt_read_back", ", read back", dict(linestyle=(0, (1, 1))))]),
]


def read(paths):
    """The first run's context, and {function: {way: [(size, doubles per second)]}}."""
    fastest = {}  # run name: seconds per item
    context = None
    for path in paths:
        try:
            with open(path, encoding="utf-8") as file:
                report = json.load(file)
        except (OSError, ValueError) as error:
            sys.exit(f"{path}: {error}")
        context = context or report["context"]
        for run in report["benchmarks"]:
            # Short calls are timed per call, and tabled rather than drawn.
            if run.get("aggregate_name") == "fastest" and "time_per_item" in run:
                name = run["run_name"]
                fastest[name] = min(fastest.get(name, run["time_per_item"]), run["time_per_item"])
    if not fastest:
        sys.exit(f"{', '.join(paths)}: no 'fastest' aggregates; is this array_benchmark's JSON output?")
    series = {}
    for name, seconds in fastest.items():
        function, way, size = name.split("/")[:3]
        series.setdefault(function, {}).setdefault(way, []).append((int(size), 1.0 / seconds))
    return context, series


def main():
    if len(sys.argv) < 3:
        sys.exit(f"usage: {sys.argv[0]} <array_benchmark JSON>... <output .svg>")
    context, series = read(sys.argv[1:-1])
    plt.rcParams["svg.hashsalt"] = "vemo_numeric"  # the same input gives the same file
    figure, grid = plt.subplots(2, 3, figsize=(18, 11), sharex=True)
    axes = grid.flatten()
    for axis, (title, functions) in zip(axes, PANELS):
        for function, suffix, extra in functions:
            for way, (label, style) in WAYS.items():
                points = sorted(series.get(function, {}).get(way, []))
                if points:
                    sizes, rates = zip(*points)
                    axis.plot(sizes, [rate / 1e9 for rate in rates], marker="o", markersize=3,
                              label=label + suffix, **{**style, **extra})
        for cache in context.get("caches", []):
            if cache["type"] in ("Data", "Unified"):
                axis.axvline(cache["size"] / 16, color="0.6", linestyle=":", linewidth=1)
                axis.annotate(f"L{cache['level']}", (cache["size"] / 16, 0), xycoords=("data", "axes fraction"),
                              textcoords="offset points", xytext=(2, 2), fontsize=8, color="0.4")
        axis.set_xscale("log", base=2)
        axis.set_yscale("log")
        axis.yaxis.set_major_locator(matplotlib.ticker.LogLocator(subs=(1.0, 2.0, 5.0)))
        axis.yaxis.set_major_formatter(matplotlib.ticker.FormatStrFormatter("%g"))
        axis.yaxis.set_minor_formatter(matplotlib.ticker.NullFormatter())
        axis.set_title(title)
        axis.set_xlabel("array size (doubles)")
        axis.grid(True, which="major", alpha=0.3)
        axis.legend(fontsize=7, frameon=False, loc="lower left")
    axes[0].set_ylabel("throughput (billions of doubles per second)")
    axes[3].set_ylabel("throughput (billions of doubles per second)")
    machine = context.get("cpu_model", context.get("host_name", "unknown CPU"))
    if "cpu_features" in context:
        machine += f" with {context['cpu_features']}"
    compiler = context.get("compiler", "unknown compiler")
    figure.suptitle(f"{machine}, {context['num_cpus']} CPUs; {compiler}; {context['date'][:10]}", fontsize=10)
    figure.tight_layout(rect=(0, 0, 1, 0.97))
    figure.savefig(sys.argv[-1], metadata={"Date": None})


if __name__ == "__main__":
    main()
