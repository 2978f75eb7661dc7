#!/usr/bin/env python3
"""Turns the benchmark JSON into the README table (markdown) and the chart's data file.

ns/op is the best repetition of each benchmark. Targets: library within 10% of the floor;
SQLite/library at least 5 for reads by key and 20 for everything else; engine bytes per record
at most twice the record plus its index keys.
"""
import json
import sys
from collections import defaultdict

OPS = ["create", "read", "read_unique", "update_smooth", "delete", "count_by_key", "walk",
       "walk_by_key"]
KEYED_READS = {"read", "read_unique"}
WALKS = {"walk", "walk_by_key"}
GROUP = 64  # records per key of the walk by key


def main(json_path, md_path, dat_path):
    with open(json_path) as f:
        doc = json.load(f)
    best = {}  # (table, op, column, n) -> ns/op
    counters = {}  # (table, op, column, n) -> benchmark entry
    heap = {}  # (table, n) -> heap bytes per record of a create into a reset engine
    for b in doc["benchmarks"]:
        if b.get("run_type") != "iteration" or b.get("error_occurred"):
            continue
        table, op, column, n = b["run_name"].split("/")[:4]
        key = (table, op, column, int(n))
        if "heap_bytes_per_record" in b:
            heap[(table, int(n))] = b["heap_bytes_per_record"]
        ns = 1e9 / b["items_per_second"]
        if key not in best or ns < best[key]:
            best[key] = ns
            counters[key] = b

    tables = []
    sizes = defaultdict(set)
    for (table, op, column, n) in best:
        if table not in tables:
            tables.append(table)
        sizes[table].add(n)

    ctx = doc["context"]
    model = ""
    try:
        with open("/proc/cpuinfo") as f:
            model = next(l.split(":", 1)[1].strip() for l in f if l.startswith("model name"))
    except (OSError, StopIteration):
        pass
    out = []
    out.append(f"Machine: {model or 'unknown CPU'}, {ctx['num_cpus']} cores at "
               f"{ctx['mhz_per_cpu']} MHz, {ctx.get('library_build_type', '')} benchmark "
               f"library; {ctx['date']}.")
    out.append("")
    out.append("ns/op is CPU time per operation (walks: per record yielded), best of the repetitions. "
               "lib/engine is the library's cost over the engine called directly; lib/floor "
               "over a store written by hand for these records (bench/hand_store.h); SQLite/lib "
               "how many times faster the library is than SQLite in memory. allocs/op are the "
               "library's own heap allocations (through its memory hook) per operation. "
               "A ✗ marks a missed target (lib/engine ≤ 1.10; lib/floor ≤ 1.5, walks ≤ 2; "
               "SQLite/lib ≥ 5 for reads by key, ≥ 20 otherwise).")
    # The summary the top-level README carries: one table per benchmarked table, sizes across.
    out.append("")
    out.append("## Summary")
    for table in tables:
        ns = sorted(sizes[table])
        out.append("")
        out.append(f"**{table}**: ns/op as library / engine / floor, then lib/floor")
        out.append("")
        out.append("| operation | " + " | ".join(f"10^{len(str(n)) - 1} | lib/floor" for n in ns)
                   + " |")
        out.append("|---|" + "---:|---:|" * len(ns))
        for op in OPS:
            cells = []
            for n in ns:
                lib, engine, floor = (best.get((table, op, c, n))
                                      for c in ("library", "engine", "floor"))
                if None in (lib, engine, floor):
                    break
                bound = 2 if op in WALKS else 1.5
                fmt = lambda v: f"{v:,.0f}" if v >= 10 else f"{v:.1f}"
                cells += [f"{fmt(lib)} / {fmt(engine)} / {fmt(floor)}",
                          f"{lib / floor:.2f}{'' if lib / floor <= bound else ' ✗'}"]
            if len(cells) == 2 * len(ns):
                out.append(f"| {op} | " + " | ".join(cells) + " |")

    dat = []
    for table in tables:
        for n in sorted(sizes[table]):
            out.append("")
            out.append(f"**{table}, {n:,} records**")
            out.append("")
            out.append("| operation | library ns/op | engine ns/op | floor ns/op | SQLite ns/op "
                       "| lib/engine | lib/floor | SQLite/lib | lib allocs/op |")
            out.append("|---|---:|---:|---:|---:|---:|---:|---:|---:|")
            for op in OPS:
                lib = best.get((table, op, "library", n))
                engine = best.get((table, op, "engine", n))
                floor = best.get((table, op, "floor", n))
                sql = best.get((table, op, "sqlite", n))
                if lib is None or engine is None or floor is None:
                    continue
                over = lib / engine
                hand = lib / floor
                bound = 2 if op in WALKS else 1.5
                need = 5 if op in KEYED_READS else 20
                if sql is None:  # a run without the SQLite column
                    sqlite = "–"
                else:
                    gain = sql / lib
                    sqlite = f"{gain:.1f}{'' if gain >= need else ' ✗'}"
                    sql = f"{sql:,.0f}"
                allocs = counters[(table, op, "library", n)].get("lib_allocs_per_op", 0.0)
                if op in WALKS:  # per iterator: a walk is n records, a walk by key one group
                    allocs *= n if op == "walk" else min(GROUP, n)
                    allocs = f"{allocs:.3g} per iterator"
                else:
                    allocs = f"{allocs:.3g}"
                out.append(f"| {op} | {lib:,.0f} | {engine:,.0f} | {floor:,.0f} | {sql or '–'} | "
                           f"{over:.2f}{'' if over <= 1.10 else ' ✗'} | "
                           f"{hand:.2f}{'' if hand <= bound else ' ✗'} | {sqlite} | {allocs} |")
            create = counters.get((table, "create", "engine", n))
            if create and "bytes_per_record" in create:
                used = create["bytes_per_record"]
                raw = create["raw_bytes_per_record"]
                ok = used <= 2 * raw
                out.append("")
                grew = heap.get((table, n))
                seen = (f"; the heap grew by {grew:.0f} per record filling a reset engine"
                        if grew is not None else "")
                hand = counters.get((table, "create", "floor", n), {}).get("bytes_per_record")
                floor = f"; the floor takes {hand:.0f}" if hand is not None else ""
                out.append(f"Engine memory: {used:.0f} bytes per record against "
                           f"{raw:.0f} bytes of record and index keys "
                           f"({used / raw:.2f}×{'' if ok else ' ✗'}{seen}{floor}).")
        n = max(sizes[table])
        dat.append(f"# {table}, {n:,} records")
        for op in OPS:
            row = [best.get((table, op, c, n)) for c in ("library", "engine", "floor", "sqlite")]
            if None not in row:
                dat.append(f"{op} " + " ".join(f"{v:.1f}" for v in row))
        dat.append("")
        dat.append("")
    with open(md_path, "w") as f:
        f.write("\n".join(out) + "\n")
    with open(dat_path, "w") as f:
        f.write("\n".join(dat))


if __name__ == "__main__":
    main(*sys.argv[1:4])
