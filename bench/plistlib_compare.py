#!/usr/bin/env python3
"""The reads and edits of bench_plist, done with Python's plistlib on the same files.

    ./build/release/bench/bench_plist --benchmark_out=plist.json --benchmark_out_format=json
    python3 bench/plistlib_compare.py build/release/bench/plist-data --bench-json plist.json

Reads the 40-key options file (XML and binary), and makes the push-store edit on the
5,000- and 10,000-entry keyed archives: load the binary plist, remove the middle entry
from the root array's NS.objects, write it back atomically (temporary file + rename).
That is the least work the edit takes in plistlib (no object decoding at all), so the
comparison favours Python.  Prints the median time of each; with --bench-json (Google
Benchmark's JSON output of the same run's data) it also prints plistlib / ours ratios.
"""
import argparse
import json
import os
import plistlib
import statistics
import time


def timed(fn, min_seconds=1.0, min_runs=5):
    times = []
    start = time.perf_counter()
    while len(times) < min_runs or time.perf_counter() - start < min_seconds:
        t0 = time.perf_counter()
        fn()
        times.append(time.perf_counter() - t0)
    return statistics.median(times)


def read_options(path):
    def run():
        with open(path, "rb") as f:
            options = plistlib.load(f)
        assert len(options) == 40
    return run


def edit_archive(source, target):
    def run():
        with open(source, "rb") as f:
            archive = plistlib.load(f)
        objects = archive["$objects"]
        root = objects[archive["$top"]["root"].data]
        items = root["NS.objects"]
        del items[len(items) // 2]
        temp = target + ".tmp"
        with open(temp, "wb") as f:
            plistlib.dump(archive, f, fmt=plistlib.FMT_BINARY, sort_keys=False)
        os.replace(temp, target)
    return run


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("data_dir", help="the data folder bench_plist wrote (plist-data next to it)")
    parser.add_argument("--bench-json", help="bench_plist's --benchmark_out JSON, for ratios")
    args = parser.parse_args()
    d = args.data_dir

    results = {}
    results["BM_OptionsRead_Xml"] = timed(read_options(os.path.join(d, "options.xml")))
    results["BM_OptionsRead_Binary"] = timed(read_options(os.path.join(d, "options.bin")))
    for n in (5000, 10000):
        source = os.path.join(d, "pushstore_%d.archive" % n)
        results["BM_ArchiveEdit/%d" % n] = timed(edit_archive(source, os.path.join(d, "plistlib_edited_%d.archive" % n)),
                                                 min_seconds=3.0)

    print("plistlib (median of repeated runs):")
    for name, seconds in results.items():
        print("  %-26s %10.3f ms" % (name, seconds * 1e3))

    if args.bench_json:
        with open(args.bench_json) as f:
            bench = json.load(f)
        ours = {}
        for b in bench["benchmarks"]:
            unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b.get("time_unit", "ns")]
            ours[b["name"]] = b["real_time"] * unit
        print("\nplistlib / ours (how many times faster the platform is):")
        for name, seconds in results.items():
            if name in ours:
                print("  %-26s %8.2fx   (ours %.3f ms)" % (name, seconds / ours[name], ours[name] * 1e3))
        a, b = results.get("BM_ArchiveEdit/10000"), results.get("BM_ArchiveEdit/5000")
        if a and b:
            print("  plistlib growth 10000/5000: %.2f" % (a / b))


if __name__ == "__main__":
    main()
