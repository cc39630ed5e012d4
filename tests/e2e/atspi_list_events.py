#!/usr/bin/python3
"""Prints "name|description" of every object of the Quorva program that gains
the focus, after "listening"; stops after SECONDS. Run with Debian's python3.

usage: atspi_list_events.py SECONDS
"""

import sys

import pyatspi
from gi.repository import GLib


def heard(event):
    if event.detail1 != 1:
        return
    try:
        if event.host_application.name.lower().startswith("quorva"):
            print(f"{event.source.name}|{event.source.description}", flush=True)
    except Exception:
        pass


def main():
    pyatspi.Registry.registerEventListener(heard, "object:state-changed:focused")
    GLib.idle_add(lambda: print("listening", flush=True) and False)
    GLib.timeout_add_seconds(int(sys.argv[1]), lambda: pyatspi.Registry.stop() and False)
    pyatspi.Registry.start()


if __name__ == "__main__":
    main()
