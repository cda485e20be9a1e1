#!/usr/bin/env python3
"""clang-tidy over the project's sources, in parallel, and only where something
changed: each clean verdict is kept, as ccache keeps objects, in a cache outside
the tree ($XDG_CACHE_HOME/sorvane/clang-tidy, or SORVANE_TIDY_CACHE) under a
hash of what clang-tidy sees: the preprocessed translation unit, the flags, the
.clang-tidy file and the tool's version, with the checkout's own path taken
out, so that another clone of the same sources finds the same verdicts. A file
whose preprocessing fails is always checked.

Debian's run-clang-tidy runs the checks in parallel too, but says only whether
all passed; the cache needs each file's verdict, so this runner stays.

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
CACHE = os.environ.get("SORVANE_TIDY_CACHE") or os.path.join(
    os.environ.get("XDG_CACHE_HOME") or os.path.expanduser("~/.cache"), "sorvane", "clang-tidy")


def project_source(path):
    rel = os.path.relpath(path, ROOT)
    return not rel.startswith(("..", "build" + os.sep)) and os.path.isfile(path)


def tool_identity():
    version = subprocess.run(["clang-tidy", "--version"], capture_output=True, text=True,
                             check=False).stdout
    config = open(os.path.join(ROOT, ".clang-tidy"), encoding="utf-8").read()
    return version + config


def preprocess_command(entry, extra_args):
    """The entry's compile command as clang's preprocessor, printing the unit."""
    words = shlex.split(entry["command"])[1:]
    kept = []
    skip = False
    for word in words:
        if skip:
            skip = False
        elif word in ("-o", "-MF", "-MT", "-MQ"):
            skip = True
        elif word not in ("-c", "-MD", "-MMD", "-fno-ipa-icf"):
            kept.append(word)
    extra = [a[len("--extra-arg="):] for a in extra_args if a.startswith("--extra-arg=")]
    return ["clang++"] + kept + extra + ["-E", "-P", "-o", "-"]


def cache_key(rel, entry, extra_args, identity):
    """The verdict's key, or None where the unit cannot be preprocessed."""
    result = subprocess.run(preprocess_command(entry, extra_args), cwd=entry["directory"],
                            capture_output=True, check=False)
    if result.returncode != 0:
        return None
    root = ROOT.encode()
    h = hashlib.sha256()
    for part in (rel.encode(), entry["command"].encode().replace(root, b"@ROOT@"),
                 " ".join(extra_args).encode(), identity.encode(),
                 result.stdout.replace(root, b"@ROOT@")):
        h.update(hashlib.sha256(part).digest())
    return h.hexdigest()


def jobs(database, skip, extra_args):
    """(source, entry, command) for each project source the build compiles."""
    seen = set()
    for entry in json.load(open(database, encoding="utf-8")):
        source = os.path.normpath(os.path.join(entry["directory"], entry["file"]))
        rel = os.path.relpath(source, ROOT)
        if rel in seen or rel in skip or not project_source(source) or not rel.endswith(".cpp"):
            continue
        seen.add(rel)
        command = ["clang-tidy", "--quiet", "-p", os.path.dirname(database)] + extra_args + [source]
        yield rel, entry, extra_args, command


def main():
    mingw_args = sys.stdin.read().split()
    native = list(jobs(os.path.join(ROOT, "build/native/compile_commands.json"), set(), []))
    portable = {job[0] for job in native}
    windows = list(jobs(os.path.join(ROOT, "build/lint/win64/compile_commands.json"), portable,
                        mingw_args))
    identity = tool_identity()
    os.makedirs(CACHE, exist_ok=True)

    def keyed(job):
        rel, entry, extra_args, command = job
        return rel, cache_key(rel, entry, extra_args, identity), command

    workers = os.cpu_count() or 2
    with ThreadPoolExecutor(max_workers=workers) as pool:
        keyed_jobs = list(pool.map(keyed, native + windows))
    todo = [job for job in keyed_jobs
            if job[1] is None or not os.path.exists(os.path.join(CACHE, job[1]))]
    print(f"lint: clang-tidy on {len(todo)} of {len(keyed_jobs)} files ({len(native)} portable, "
          f"{len(windows)} Windows; the rest found clean in {CACHE})", flush=True)

    def run(job):
        rel, key, command = job
        result = subprocess.run(command, cwd=ROOT, capture_output=True, text=True, check=False)
        return rel, key, result

    failed = []
    with ThreadPoolExecutor(max_workers=workers) as pool:
        for rel, key, result in pool.map(run, todo):
            if result.returncode == 0:
                if key is not None:
                    with open(os.path.join(CACHE, key), "w", encoding="ascii") as f:
                        f.write(rel + "\n")
            else:
                failed.append(rel)
                sys.stdout.write(result.stdout)
    if failed:
        print(f"lint: clang-tidy failed on {len(failed)} files: {' '.join(failed)}")
        sys.exit(1)


if __name__ == "__main__":
    main()
