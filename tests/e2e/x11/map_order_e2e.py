#!/usr/bin/env python3
"""The harness tells boxes apart by the order they map in: a box that opens
once an equal one (same caption, text and size, and often the same window
id) has closed is found, and one mapped before the watch began is not.

usage: map_order_e2e.py
"""
import os
import sys

sys.path.insert(0, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
from desktop_harness import Desktop, TestFailure, check, require_tools  # noqa: E402


def run():
    require_tools("xmessage", "xev", "stdbuf")
    box = ["xmessage", "-title", "Error", "the same text"]
    with Desktop() as desk:
        first = desk.start(*box)
        first_window = desk.wait_window("Error", first)
        maps = desk.watch_maps()
        first.kill()
        second = desk.start(*box)
        found = maps.wait_window("Error", "the second box")
        check(second.running(), "the second box ended")
        check(desk.find_windows("Error") == [found], f"boxes shown: {desk.find_windows('Error')}")
        check(len(maps.mapped) == 1,
              f"mappings seen: {maps.mapped}, the first box's id {int(first_window):#x}")


def main():
    try:
        run()
    except TestFailure as failure:
        print(f"FAILED: {failure}")
        return 1
    print("passed: boxes told apart by the order they map in")
    return 0


if __name__ == "__main__":
    sys.exit(main())
