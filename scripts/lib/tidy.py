#!/usr/bin/env python3
"""clang-tidy over the project's sources, in parallel, and only where something
changed since the last clean run: each file's verdict is kept under a hash of
its compile command, its own text, the text of every project header it
includes (as the build's dependency records list them) and the clang-tidy
configuration. A clean clone has no such record and checks everything.

    tidy.py ROOT   (reads build/native and build/lint/win64; see scripts/lint)
"""

import hashlib
import json
import os
import shlex
import subprocess
import sys
from concurrent.futures import ThreadPoolExecutor

ROOT = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else ".")
CACHE = os.path.join(ROOT, "build", "lint", "tidy-clean.json")


def project_file(path):
    rel = os.path.relpath(path, ROOT)
    return not rel.startswith(("..", "build" + os.sep)) and os.path.isfile(path)


def dependencies(build_dir):
    """{object path: [project files it was compiled from]}, from ninja's records."""
    result = subprocess.run(["ninja", "-C", build_dir, "-t", "deps"], capture_output=True,
                            text=True, check=False)
    deps = {}
    current = None
    for line in result.stdout.splitlines():
        if not line.startswith(" ") and ": #deps" in line:
            current = os.path.normpath(os.path.join(build_dir, line.split(":", 1)[0]))
            deps[current] = [] if "(VALID)" in line else None
        elif current is not None and deps[current] is not None and line.strip():
            path = line.strip()
            if project_file(path):
                deps[current].append(path)
    return deps


def digest(paths, extra):
    h = hashlib.sha256(extra.encode())
    for path in sorted(set(paths)):
        h.update(path.encode())
        with open(path, "rb") as f:
            h.update(hashlib.sha256(f.read()).digest())
    return h.hexdigest()


def jobs(database, build_dir, skip, extra_args):
    """(source, key, command) for each project source the build compiles."""
    deps = dependencies(build_dir)
    config = open(os.path.join(ROOT, ".clang-tidy"), encoding="utf-8").read()
    seen = set()
    for entry in json.load(open(database, encoding="utf-8")):
        source = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        rel = os.path.relpath(source, ROOT)
        if rel in seen or rel in skip or not project_file(source) or not rel.endswith(".cpp"):
            continue
        seen.add(rel)
        words = shlex.split(entry["command"])
        obj = words[words.index("-o") + 1] if "-o" in words else ""
        included = deps.get(os.path.normpath(os.path.join(entry["directory"], obj)))
        # Not built yet, or its record is stale: always checked.
        key = None if included is None else digest(
            included + [source], entry["command"] + config + " ".join(extra_args))
        command = ["clang-tidy", "--quiet", "-p", os.path.dirname(database)] + extra_args + [source]
        yield rel, key, command


def main():
    mingw_args = sys.stdin.read().split()
    native = list(jobs(os.path.join(ROOT, "build/native/compile_commands.json"),
                       os.path.join(ROOT, "build/native"), set(), []))
    portable = {rel for rel, _, _ in native}
    windows = list(jobs(os.path.join(ROOT, "build/lint/win64/compile_commands.json"),
                        os.path.join(ROOT, "build/win64"), portable, mingw_args))
    try:
        clean = json.load(open(CACHE, encoding="utf-8"))
    except (OSError, ValueError):
        clean = {}
    todo = [(rel, key, cmd) for rel, key, cmd in native + windows
            if key is None or clean.get(rel) != key]
    print(f"lint: clang-tidy on {len(todo)} of {len(native) + len(windows)} files ({len(native)} "
          f"portable, {len(windows)} Windows; the rest unchanged since their last clean run)",
          flush=True)

    def run(job):
        rel, key, command = job
        result = subprocess.run(command, cwd=ROOT, capture_output=True, text=True, check=False)
        return rel, key, result

    failed = []
    with ThreadPoolExecutor(max_workers=os.cpu_count() or 2) as pool:
        for rel, key, result in pool.map(run, todo):
            if result.returncode == 0:
                if key is not None:
                    clean[rel] = key
            else:
                clean.pop(rel, None)
                failed.append(rel)
                sys.stdout.write(result.stdout)
    os.makedirs(os.path.dirname(CACHE), exist_ok=True)
    with open(CACHE, "w", encoding="utf-8") as f:
        json.dump(clean, f, indent=0, sort_keys=True)
    if failed:
        print(f"lint: clang-tidy failed on {len(failed)} files: {' '.join(failed)}")
        sys.exit(1)


if __name__ == "__main__":
    main()
