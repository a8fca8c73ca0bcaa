#!/usr/bin/env python3
"""What each test adds: the blocks of libkuv.so that only it reaches.

Builds the library, the tests and the kuv tool with every basic block
recorded (recorder.c), runs each CTest test alone, and reports
  - each test's blocks and the blocks no other test reaches, fewest first;
  - how many test lines could go, at most, with every block still reached
    (tests dropped greedily, the longest first, while no block loses its
    last test).
A test with no block of its own may still check what others only reach
(texts, bytes, orders): the report is where to look, not what to cut.
Code outside the library (templates and inline functions a test compiles
into itself, the kuv tool's own code) is not counted, so the figures
overstate what could go.

  tools/testcov/testcov.py [--build DIR] [--jobs N] [--no-build] [--report FILE]
"""
import argparse
import collections
import concurrent.futures
import glob
import json
import os
import re
import shutil
import subprocess
import sys

ROOT = os.path.dirname(os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
TEST_MACRO = re.compile(r"\s*(?:TEST|TEST_F|TEST_P|TYPED_TEST|TYPED_TEST_P)\(\s*(\w+)\s*,\s*(\w+)")


def counted(line):
    return re.sub(r"//.*", "", line).strip() != ""


def build(build_dir, jobs):
    os.makedirs(build_dir, exist_ok=True)
    recorder = os.path.join(build_dir, "recorder.o")
    subprocess.run(["cc", "-O2", "-fPIC", "-c", os.path.join(ROOT, "tools/testcov/recorder.c"), "-o", recorder],
                   check=True)
    subprocess.run(["cmake", "-S", ROOT, "-B", build_dir, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Debug",
                    "-DCMAKE_CXX_FLAGS=-fsanitize-coverage=trace-pc", "-DCMAKE_EXE_LINKER_FLAGS=" + recorder,
                    "-DKUV_BUILD_EXAMPLES=OFF", "-DKUV_BUILD_BENCHMARKS=OFF", "-DKUV_BUILD_EXTENSIONS=OFF"],
                   check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", build_dir, "-j", str(jobs)], check=True)


def run_tests(build_dir, jobs):
    listing = subprocess.run(["ctest", "--show-only=json-v1"], cwd=build_dir, check=True,
                             capture_output=True, text=True)
    tests = json.loads(listing.stdout)["tests"]
    maps = os.path.join(build_dir, "testcov")
    shutil.rmtree(maps, ignore_errors=True)
    os.makedirs(maps)

    def run(test):
        env = dict(os.environ, KUV_TESTCOV_OUT=os.path.join(maps, test["name"].replace("/", "_")))
        cwd = None
        for prop in test.get("properties", []):
            if prop["name"] == "ENVIRONMENT":
                env.update(kv.split("=", 1) for kv in prop["value"])
            elif prop["name"] == "WORKING_DIRECTORY":
                cwd = prop["value"]
        return test["name"], subprocess.run(test["command"], env=env, cwd=cwd, capture_output=True).returncode

    with concurrent.futures.ThreadPoolExecutor(jobs) as pool:
        failed = [name for name, rc in pool.map(run, tests) if rc != 0]
    if failed:
        sys.exit("failing tests: " + ", ".join(failed))
    return maps


def read_maps(maps):
    blocks = collections.defaultdict(set)
    for file in os.listdir(maps):
        with open(os.path.join(maps, file)) as f:  # <test>.<pid>: a test and the tools it started
            blocks[file.rsplit(".", 1)[0]].update(int(line, 16) for line in f)
    return blocks


def test_lines():
    """(suite, name) -> (file:line, non-blank non-comment lines up to the closing brace)."""
    spans = {}
    for path in glob.glob(os.path.join(ROOT, "tests/**/*.cpp"), recursive=True):
        lines = open(path).read().split("\n")
        for i, line in enumerate(lines):
            m = TEST_MACRO.match(line)
            if m:
                end = next((j for j in range(i, len(lines)) if lines[j] == "}"), len(lines) - 1)
                spans[m.groups()] = (f"{os.path.relpath(path, ROOT)}:{i + 1}",
                                     sum(counted(l) for l in lines[i:end + 1]))
    return spans


def key(ctest_name):
    # Suite.Name, Prefix/Suite.Name/3, Suite/0.Name, Suite.Name<Type>
    for part in ctest_name.split("/"):
        if "." in part:
            suite, name = part.split(".", 1)
            return suite, re.sub(r"<.*", "", name)
    return None


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n")[0])
    parser.add_argument("--build", default=os.path.join(ROOT, "build/testcov"))
    parser.add_argument("--jobs", type=int, default=os.cpu_count())
    parser.add_argument("--no-build", action="store_true")
    parser.add_argument("--report", default=None, help="also write every test's line there")
    args = parser.parse_args()
    if not args.no_build:
        build(args.build, args.jobs)
    blocks = read_maps(run_tests(args.build, args.jobs))
    spans = test_lines()
    reached = collections.Counter()
    for own in blocks.values():
        reached.update(own)

    rows = []
    for name, own in blocks.items():
        where, lines = spans.get(key(name), ("?", 0))
        rows.append((sum(1 for b in own if reached[b] == 1), len(own), lines, name, where))
    rows.sort(key=lambda r: (r[0], -r[2]))

    left = collections.Counter(reached)
    droppable = []
    for row in sorted(rows, key=lambda r: -r[2]):
        own = blocks[row[3]]
        if all(left[b] >= 2 for b in own):
            left.subtract(own)
            droppable.append(row)

    # Typed and parameterized instances share their lines: a test's lines go
    # only when all its instances can.
    instances = collections.Counter(key(r[3]) for r in rows)
    gone = collections.Counter(key(r[3]) for r in droppable)

    def lines_of(selected):
        return sum(dict((key(r[3]), r[2]) for r in selected if gone[key(r[3])] == instances[key(r[3])]).values())

    print(f"{len(rows)} tests reach {len(reached)} blocks of the library")
    print(f"{sum(1 for r in rows if r[0] == 0)} tests reach no block of their own")
    print(f"at most {lines_of(droppable)} test lines ({len(droppable)} tests) could go with every block reached")
    lines = [f"{own:6d} {total:6d} {n:4d} {name} {where}" for own, total, n, name, where in rows]
    if args.report:
        with open(args.report, "w") as f:
            f.write("# own-blocks blocks lines test file:line\n" + "\n".join(lines) + "\n")
    else:
        print("own-blocks blocks lines test file:line")
        print("\n".join(lines))


if __name__ == "__main__":
    main()
