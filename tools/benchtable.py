#!/usr/bin/env python3
"""Runs every benchmark program in a build's bench/ folder and prints one table.

Each program runs with --benchmark_format=json; the table shows every
benchmark's CPU time per iteration (the machine may be shared, so wall time
says little) and the counters it reports, the ratio against its reference
measured in the same run first.

    tools/benchtable.py build [--filter REGEX] [--markdown]
"""
import argparse
import json
import os
import subprocess
import sys


def run(program, pattern):
    command = [program, "--benchmark_format=json"]
    if pattern:
        command.append("--benchmark_filter=" + pattern)
    env = dict(os.environ)
    env.setdefault("QT_QPA_PLATFORM", "offscreen")
    done = subprocess.run(command, stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                          env=env, check=False)
    text = done.stdout.decode("utf-8", "replace")
    # A filter that none of a program's benchmarks matches is not a failure.
    if pattern and b"Failed to match any benchmarks" in done.stdout + done.stderr:
        return {"benchmarks": []}
    # Some programs print a summary line before the JSON document.
    start = text.find("{")
    if done.returncode != 0 or start < 0:
        return None
    return json.loads(text[start:])


def figure(value):
    if value >= 100:
        return "%.0f" % value
    if value >= 10:
        return "%.1f" % value
    return "%.3g" % value


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--filter", default="")
    parser.add_argument("--markdown", action="store_true")
    args = parser.parse_args()
    folder = os.path.join(args.build, "bench")
    programs = sorted(p for p in os.listdir(folder)
                      if p.startswith("bench_") and os.access(os.path.join(folder, p), os.X_OK)
                      and os.path.isfile(os.path.join(folder, p)))
    rows = []
    failed = []
    for name in programs:
        report = run(os.path.join(folder, name), args.filter)
        if report is None:
            failed.append(name)
            continue
        for b in report.get("benchmarks", []):
            if b.get("run_type") == "aggregate":
                continue
            skip = {"name", "family_index", "per_family_instance_index", "run_name", "run_type",
                    "repetitions", "repetition_index", "threads", "iterations", "real_time",
                    "cpu_time", "time_unit", "items_per_second", "bytes_per_second"}
            counters = {k: v for k, v in b.items() if k not in skip and isinstance(v, (int, float))}
            ratio = counters.pop("ratio", None)
            extra = ", ".join("%s %s" % (k, figure(v)) for k, v in sorted(counters.items()))
            rows.append((name[len("bench_"):], b["name"], "%s %s" % (figure(b["cpu_time"]), b["time_unit"]),
                         figure(ratio) + " ×" if ratio is not None else "", extra))
    header = ("program", "benchmark", "CPU time", "ratio", "other figures")
    if args.markdown:
        print("| " + " | ".join(header) + " |")
        print("|" + "---|" * len(header))
        for row in rows:
            print("| " + " | ".join(row) + " |")
    else:
        widths = [max(len(str(r[i])) for r in rows + [header]) for i in range(len(header))]
        line = "  ".join("%-*s" for _ in header)
        print(line % tuple(x for pair in zip(widths, header) for x in pair))
        for row in rows:
            print(line % tuple(x for pair in zip(widths, row) for x in pair))
    for name in failed:
        print("%s: no result" % name, file=sys.stderr)
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
