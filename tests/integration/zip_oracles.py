#!/usr/bin/env python3
"""Reads a ZIP archive with four independent readers and checks that each
finds exactly the expected entries with exactly the expected contents.

usage: zip_oracles.py ARCHIVE MANIFEST [--crc-only]
MANIFEST is JSON: [[name, source], ...] in the archive's order, where source
is the file whose bytes the entry must hold, or null for a folder entry.
The readers: Python's zipfile (names, testzip, every entry's bytes against
its source, each file's time), Info-ZIP's unzip, 7-Zip and libarchive's bsdtar (each: the
names, its own test of the CRCs, and all files' bytes in order against the
sources'; bsdtar also as a streaming reader, from a pipe). With --crc-only
(for an archive of gigabytes, whose bytes Python has compared) the three
tools check the CRCs but do not send the bytes through a pipe again, Python
reads each entry once (its CRC is checked at the end of the read, which is
what testzip checks), and unzip, whose CRC routine is slow, tests only the
entries under 1 GiB.
Prints one line per failure and exits 1 when there is any.
"""
import hashlib
import json
import os
import shutil
import subprocess
import sys
import time
import zipfile

# Under the allocator's mmap threshold, so each block reuses memory rather
# than faulting in fresh pages (a million faults per 4 GiB read).
CHUNK = 64 << 10
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(args, **kwargs):
    env = dict(os.environ, LC_ALL="C.UTF-8")
    return subprocess.run(args, env=env, capture_output=True, **kwargs)


def sources_digest(manifest):
    digest = hashlib.sha256()
    for _, source in manifest:
        if source is not None:
            with open(source, "rb") as f:
                while block := f.read(CHUNK):
                    digest.update(block)
    return digest.hexdigest()


def stream_digest(args):
    """SHA-256 of a command's standard output, read as it comes."""
    env = dict(os.environ, LC_ALL="C.UTF-8")
    with subprocess.Popen(args, env=env, stdout=subprocess.PIPE, stderr=subprocess.PIPE) as proc:
        digest = hashlib.sha256()
        while block := proc.stdout.read(CHUNK):
            digest.update(block)
        proc.stderr.read()
    return proc.returncode, digest.hexdigest()


def names_of(text):
    return [line.rstrip("/") for line in text.decode("utf-8").splitlines() if line]


def check_python(archive, manifest, crc_only):
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        check([i.filename for i in infos] == [n for n, _ in manifest],
              f"zipfile names {[i.filename for i in infos]}")
        if not crc_only:  # else the reads below check each CRC, as testzip does
            check(z.testzip() is None, "zipfile testzip found a bad CRC")
        for info, (name, source) in zip(infos, manifest):
            check(info.is_dir() == (source is None), f"zipfile: {name} folder or not")
            if source is None:
                continue
            # The DOS time: the file's local time, seconds rounded down to even.
            local = time.localtime(os.stat(source).st_mtime)
            expected = local[:5] + (local[5] // 2 * 2,)
            check(info.date_time == expected, f"zipfile: {name} time {info.date_time} {expected}")
            with z.open(info) as got, open(source, "rb") as want:
                while True:
                    a, b = got.read(CHUNK), want.read(CHUNK)
                    if a != b:
                        failures.append(f"zipfile: {name} differs from {source}")
                        break
                    if not a:
                        break


def tools(archive, small):
    """Each tool's listing of the names, its test of the CRCs (unzip's of
    the entries named in `small` when there are any), and the command that
    writes all files' bytes in order."""
    seven = shutil.which("7zz") or "7z"
    slt = run([seven, "l", "-ba", "-slt", archive]).stdout.decode("utf-8")
    return {
        "unzip": (names_of(run(["unzip", "-Z1", archive]).stdout),
                  ["unzip", "-tq", archive] + small, ["unzip", "-p", archive]),
        "7-Zip": ([line[len("Path = "):] for line in slt.splitlines() if line.startswith("Path = ")],
                  [seven, "t", archive], [seven, "x", "-so", archive]),
        "bsdtar": (names_of(run(["bsdtar", "-tf", archive]).stdout), ["bsdtar", "-xOf", archive],
                   ["bsdtar", "-xOf", archive]),
    }


def main():
    archive, manifest_path = sys.argv[1], sys.argv[2]
    crc_only = "--crc-only" in sys.argv[3:]
    with open(manifest_path, encoding="utf-8") as f:
        manifest = json.load(f)
    expected_names = [name.rstrip("/") for name, _ in manifest]
    digest = None if crc_only else sources_digest(manifest)
    check_python(archive, manifest, crc_only)
    # unzip's own CRC routine runs at about 200 MB/s: with --crc-only it
    # tests the entries under 1 GiB alone, and lists the others.
    small = [name for name, source in manifest if crc_only and source is not None
             and os.path.getsize(source) < (1 << 30)]
    for label, (names, test, contents) in tools(archive, small).items():
        check(names == expected_names, f"{label} names {names}")
        tested = subprocess.run(test, env=dict(os.environ, LC_ALL="C.UTF-8"),
                                stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        check(tested.returncode == 0, f"{label} test failed: {tested.stderr[-300:]!r}")
        if digest is not None:
            code, got = stream_digest(contents)
            check(code == 0 and got == digest, f"{label}: the files' bytes differ")
    # Through a pipe, which cannot seek: the reader goes by the local headers.
    with subprocess.Popen(["cat", archive], stdout=subprocess.PIPE) as cat:
        streamed = run(["bsdtar", "-tf", "-"], stdin=cat.stdout)
    check(streamed.returncode == 0 and names_of(streamed.stdout) == expected_names,
          f"bsdtar from a pipe: {names_of(streamed.stdout)} {streamed.stderr[-300:]!r}")
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


main()
