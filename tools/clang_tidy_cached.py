#!/usr/bin/env python3
"""clang-tidy over the given sources, warnings as errors, each file's
verdict kept in a cache outside the clone: a file whose preprocessed text,
compile flags, clang-tidy and .clang-tidy are the same as when it was last
found clean is not checked again. So CI after a session checks only what
changed, and a cold cache checks everything.

    tools/clang_tidy_cached.py BUILD_DIR FILE...

BUILD_DIR holds compile_commands.json. The cache is XBT_TIDY_CACHE (default
/var/cache/xbtconv/clang-tidy). Runs two checks at a time; exits 1 when any
file is not clean, printing what clang-tidy said of it.
"""
import concurrent.futures
import hashlib
import json
import os
import shlex
import subprocess
import sys


def main():
    build, files = sys.argv[1], sys.argv[2:]
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    cache = os.environ.get("XBT_TIDY_CACHE", "/var/cache/xbtconv/clang-tidy")
    os.makedirs(cache, exist_ok=True)
    commands = {os.path.abspath(entry["file"]): entry
                for entry in json.load(open(os.path.join(build, "compile_commands.json")))}
    common = hashlib.sha256()
    common.update(subprocess.run(["clang-tidy", "--version"], capture_output=True).stdout)
    with open(os.path.join(root, ".clang-tidy"), "rb") as config:
        common.update(config.read())

    def check(path):
        entry = commands.get(os.path.abspath(path))
        if entry is None:
            return path, "no compile command (not part of the build)"
        arguments = shlex.split(entry["command"])
        if os.path.basename(arguments[0]) == "ccache":
            arguments = arguments[1:]
        # The same command, preprocessing only: what the file is, with
        # every header it includes.
        out = arguments.index("-o")
        preprocess = arguments[:out] + arguments[out + 2:]
        preprocess = [a for a in preprocess if a != "-c"] + ["-E", "-P"]
        text = subprocess.run(preprocess, cwd=entry["directory"], capture_output=True).stdout
        key = common.copy()
        key.update(" ".join(arguments[1:]).replace(root, "").encode())
        key.update(text)
        marker = os.path.join(cache, key.hexdigest())
        if os.path.exists(marker):
            return path, None
        run = subprocess.run(["clang-tidy", "-p", build, "--quiet", "--warnings-as-errors=*",
                              path], capture_output=True, text=True)
        if run.returncode != 0:
            return path, run.stdout + run.stderr
        open(marker, "w").close()
        return path, None

    with concurrent.futures.ThreadPoolExecutor(2) as pool:
        results = list(pool.map(check, files))
    failed = [(path, said) for path, said in results if said]
    for path, said in failed:
        print(f"{path}:\n{said}")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
