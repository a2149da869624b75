#!/usr/bin/env python3
"""SHA256SUMS beside the packages: it names exactly the packages the build
makes, each with the SHA-256 of the file that lies there.

usage: check_checksums.py FOLDER PACKAGE...
"""
import hashlib
import os
import sys


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    folder, wanted = sys.argv[1], set(sys.argv[2:])
    sums = os.path.join(folder, "SHA256SUMS")
    if not os.path.isfile(sums):
        print(f"missing: {sums}", file=sys.stderr)
        return 1
    listed = {}
    for line in open(sums, encoding="utf-8").read().splitlines():
        digest, sep, name = line.partition("  ")
        listed[name] = digest if sep else None
    if set(listed) != wanted:
        print(f"SHA256SUMS names {sorted(listed)}, not {sorted(wanted)}", file=sys.stderr)
        return 1
    for name, digest in sorted(listed.items()):
        with open(os.path.join(folder, name), "rb") as f:
            actual = hashlib.sha256(f.read()).hexdigest()
        if digest != actual:
            print(f"SHA256SUMS gives {name} as {digest}, the file is {actual}", file=sys.stderr)
            return 1
    print(f"SHA256SUMS holds the hashes of {', '.join(sorted(wanted))}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
