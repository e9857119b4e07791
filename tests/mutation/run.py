#!/usr/bin/env python3
"""Plants each single-point fault of mutations.txt in the core, one at a time, builds the
core's tests, runs them (and the window tests when the core's tests miss it) and puts the
source back; prints one table row per fault with
the tests that caught it, or "survived".

    tests/mutation/run.py [--build build] [--only M01,M02] [--timeout 600] [--log FILE]

--log writes every failing test of every fault, one "ID test" a line, to see which tests
catch what no other test does.

Run it from the repository root on a built tree (./tav.sh build). Only the file a fault
touches is recompiled, so a run costs one compile, one link and one test run per fault;
the source is restored even when the run is interrupted.
"""

import argparse
import os
import pathlib
import re
import subprocess
import sys
import time

HERE = pathlib.Path(__file__).resolve().parent
ROOT = HERE.parent.parent


def read_mutations(path):
    """Blocks of: 'ID file description', '- original line', '+ mutated line'."""
    mutations, block = [], []
    for line in path.read_text(encoding="utf-8").splitlines() + [""]:
        if line.startswith("#"):
            continue
        if line.strip():
            block.append(line)
            continue
        if not block:
            continue
        head, minus, plus = block[0], block[1], block[2]
        ident, file, description = head.split(" ", 2)
        if len(block) != 3 or not minus.startswith("- ") or not plus.startswith("+ "):
            sys.exit(f"{ident}: a fault is a heading, a '- ' line and a '+ ' line")
        mutations.append((ident, file, description, minus[2:], plus[2:]))
        block = []
    return mutations


def run(command, timeout):
    return subprocess.run(command, cwd=ROOT, capture_output=True, text=True,
                          timeout=timeout, errors="replace")


def failing(command, pattern, timeout, env=None):
    """The tests a test binary names as failed by the pattern, or why it gave none."""
    try:
        result = subprocess.run(command, cwd=ROOT, capture_output=True, text=True,
                                timeout=timeout, errors="replace", env=env)
    except subprocess.TimeoutExpired:
        return [f"({pathlib.Path(command[0]).name} timed out)"]
    failed = sorted(set(re.findall(pattern, result.stdout, re.M)))
    if result.returncode != 0 and not failed:
        return [f"({pathlib.Path(command[0]).name} exit code {result.returncode})"]
    return failed


def failing_core_tests(build, timeout):
    binary = ROOT / build / "tests" / "tav_core_tests"
    return failing([str(binary), "--gtest_brief=1"], r"^\[  FAILED  \] ([\w/.]+)", timeout)


def failing_window_tests(build, timeout):
    """The screens' own logic is shown by the window tests alone (Qt Test, offscreen)."""
    if run(["cmake", "--build", build, "--target", "tav_ui_tests"], 3600).returncode != 0:
        return []
    binary = ROOT / build / "tests" / "tav_ui_tests"
    return failing([str(binary)], r"^FAIL!  : (\w+::\w+)\(", timeout,
                   {**os.environ, "QT_QPA_PLATFORM": "offscreen"})


def failing_tests(build, timeout):
    """The core's tests; the window tests only for a fault the core's tests miss."""
    return failing_core_tests(build, timeout) or failing_window_tests(build, timeout)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default="build")
    parser.add_argument("--only", default="")
    parser.add_argument("--timeout", type=int, default=300)
    parser.add_argument("--log")
    args = parser.parse_args()
    wanted = set(filter(None, args.only.split(",")))

    mutations = read_mutations(HERE / "mutations.txt")
    if wanted:  # in the order asked for
        order = [i for i in args.only.split(",") if i]
        mutations = sorted((m for m in mutations if m[0] in wanted), key=lambda m: order.index(m[0]))
    build = ["cmake", "--build", args.build, "--target", "tav_core_tests"]
    caught = planted = 0
    log = open(args.log, "w", encoding="utf-8") if args.log else None
    print("| fault | file | what | caught by |")
    print("|---|---|---|---|")
    for ident, file, description, original, mutated in mutations:
        path = ROOT / file
        source = path.read_text(encoding="utf-8")
        if source.count(original) != 1:
            # The code has moved on: the fault must be planted anew.
            print(f"| {ident} | `{file}` | {description} | not planted: the line is gone |",
                  flush=True)
            continue
        started = time.time()
        try:
            path.write_text(source.replace(original, mutated), encoding="utf-8")
            built = run(build, 3600)
            if built.returncode != 0:
                verdict = "did not compile"
                failed = []
            else:
                failed = failing_tests(args.build, args.timeout)
                verdict = ", ".join(failed[:3]) if failed else "survived"
                if len(failed) > 3:
                    verdict += f" and {len(failed) - 3} more"
        finally:
            path.write_text(source, encoding="utf-8")
        caught += bool(failed)
        planted += 1
        if log:
            log.writelines(f"{ident} {test}\n" for test in failed or ["survived"])
            log.flush()
        print(f"| {ident} | `{file}` | {description} | {verdict} |", flush=True)
        print(f"{ident}: {time.time() - started:.0f} s", file=sys.stderr, flush=True)
    run(build, 3600)  # the tree as it was
    run(["cmake", "--build", args.build, "--target", "tav_ui_tests"], 3600)
    print(f"\n{caught} of {planted} faults caught "
          f"({100.0 * caught / max(planted, 1):.1f} %).")


if __name__ == "__main__":
    main()
