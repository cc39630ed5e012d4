#!/usr/bin/python3
"""Prints what a screen reader hears from the Quorva program, after
"listening", one "name|description" line per event: each object that gains
the focus or is selected, and each alert that appears. Stops after SECONDS.
Run with Debian's python3.

usage: atspi_list_events.py SECONDS
"""

import sys

import pyatspi
from gi.repository import GLib


def heard(event):
    if event.detail1 != 1:
        return
    try:
        if not event.host_application.name.lower().startswith("quorva"):
            return
        source = event.source
        if event.type.endswith(":showing") and source.getRole() != pyatspi.ROLE_ALERT:
            return
        print(f"{source.name}|{source.description}", flush=True)
    except Exception:
        pass


def main():
    for kind in ("focused", "selected", "showing"):
        pyatspi.Registry.registerEventListener(heard, f"object:state-changed:{kind}")
    GLib.idle_add(lambda: print("listening", flush=True) and False)
    GLib.timeout_add_seconds(int(sys.argv[1]), lambda: pyatspi.Registry.stop() and False)
    pyatspi.Registry.start()


if __name__ == "__main__":
    main()
