#!/usr/bin/env python3
"""usage: zip_oracles.py ARCHIVE MANIFEST [--crc-only]

Checks that Python's zipfile, unzip, 7-Zip and bsdtar (also streaming, from
a pipe) each find exactly the entries of MANIFEST, lines of "NAME<TAB>SOURCE"
in the archive's order (SOURCE: the file the entry's bytes must equal, empty
for a folder), pass their own CRC test, and give the sources' bytes; zipfile
also checks each file's DOS time. --crc-only, for an archive of gigabytes:
every reader lists it and reads the entries under 1 GiB, zipfile checks the
sizes, and only 7-Zip reads the large entries' bytes and tests their CRCs.
Prints one line per failure; exits 1 when there is any.
"""
import hashlib
import os
import shutil
import subprocess
import sys
import time
import zipfile

# Under the allocator's mmap threshold: each block reuses memory rather than
# faulting in fresh pages (a million faults per 4 GiB read).
CHUNK = 64 << 10
# What --crc-only leaves to 7-Zip alone.
LARGE = 1 << 30
ENV = dict(os.environ, LC_ALL="C.UTF-8")
failures = []


def check(ok, what):
    if not ok:
        failures.append(what)


def run(args, **kwargs):
    return subprocess.run(args, env=ENV, capture_output=True, **kwargs)


def digest_of(blocks):
    digest = hashlib.sha256()
    for block in blocks:
        digest.update(block)
    return digest.hexdigest()


def blocks_of(f):
    while block := f.read(CHUNK):
        yield block


def sources_blocks(manifest):
    for _, source in manifest:
        if source:
            with open(source, "rb") as f:
                yield from blocks_of(f)


def check_zipfile(archive, manifest, crc_only):
    with zipfile.ZipFile(archive) as z:
        infos = z.infolist()
        check([i.filename for i in infos] == [n for n, _ in manifest],
              f"zipfile names {[i.filename for i in infos]}")
        check(crc_only or z.testzip() is None, "zipfile testzip found a bad CRC")
        for info, (name, source) in zip(infos, manifest):
            check(info.is_dir() == (not source), f"zipfile: {name} folder or not")
            if not source:
                continue
            check(info.file_size == os.path.getsize(source), f"zipfile: {name} size")
            if crc_only and info.file_size >= LARGE:
                continue
            local = time.localtime(os.stat(source).st_mtime)  # seconds in steps of two
            check(info.date_time == local[:5] + (local[5] // 2 * 2,), f"zipfile: {name} time")
            try:
                with z.open(info) as got, open(source, "rb") as want:
                    while True:
                        a = got.read(CHUNK)
                        if a != want.read(len(a) or 1):  # at the end, the source must end too
                            failures.append(f"zipfile: {name} differs from {source}")
                            break
                        if not a:
                            break
            except zipfile.BadZipFile as error:
                failures.append(f"zipfile: {error}")


def main():
    archive, crc_only = sys.argv[1], "--crc-only" in sys.argv[3:]
    with open(sys.argv[2], encoding="utf-8") as f:
        manifest = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    names = [name.rstrip("/") for name, _ in manifest]
    check_zipfile(archive, manifest, crc_only)
    # --crc-only: the entries under 1 GiB, named to each reader and read whole.
    small = [(n, s) for n, s in manifest if s and os.path.getsize(s) < LARGE] if crc_only else []
    digest = digest_of(sources_blocks(small if crc_only else manifest))
    only = [n for n, _ in small]
    seven = shutil.which("7zz") or "7z"
    slt = run([seven, "l", "-ba", "-slt", archive]).stdout.decode("utf-8").splitlines()
    listed = lambda args: [l.rstrip("/") for l in run(args).stdout.decode("utf-8").splitlines()]
    tools = {  # names listed, the CRC test, the files' bytes in order
        "unzip": (listed(["unzip", "-Z1", archive]), ["unzip", "-tq", archive] + only,
                  ["unzip", "-p", archive] + only),
        "7-Zip": ([l[len("Path = "):] for l in slt if l.startswith("Path = ")],
                  [seven, "t", archive], [seven, "x", "-so", archive] + only),
        "bsdtar": (listed(["bsdtar", "-tf", archive]), ["bsdtar", "-xOf", archive] + only,
                   ["bsdtar", "-xOf", archive] + only),
    }
    for label, (got, test, contents) in tools.items():
        check(got == names, f"{label} names {got}")
        tested = subprocess.run(test, env=ENV, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
        check(tested.returncode == 0, f"{label} test failed: {tested.stderr[-300:]!r}")
        with subprocess.Popen(contents, env=ENV, stdout=subprocess.PIPE) as proc:
            got_digest = digest_of(blocks_of(proc.stdout))
        check(proc.returncode == 0 and got_digest == digest, f"{label}: the bytes differ")
    if not crc_only:
        # Through a pipe, which cannot seek: the reader goes by the local headers.
        with subprocess.Popen(["cat", archive], stdout=subprocess.PIPE) as cat:
            streamed = run(["bsdtar", "-tf", "-"], stdin=cat.stdout)
        got = [l.rstrip("/") for l in streamed.stdout.decode("utf-8").splitlines()]
        check(streamed.returncode == 0 and got == names, f"bsdtar from a pipe: {got}")
    for failure in failures:
        print(failure)
    sys.exit(1 if failures else 0)


main()
