#!/usr/bin/python3
"""Samples the private (anonymous) resident memory of a running installer.

memory.py DRIVER_OUTPUT INSTALLER_NAME DRIVER_PID

Finds the Wine process whose program is INSTALLER_NAME and reads RssAnon
from its /proc status every 10 ms while bench_driver (DRIVER_PID) runs.
The driver's output says where the run is: after "window" and before
"start" the installer sits idle at its window; from "start" it writes.
Prints "window_kib peak_kib": the last figure before Start and the highest
one after it.
"""
import os
import sys
import time


def installer_pid(name):
    for entry in os.listdir("/proc"):
        if not entry.isdigit():
            continue
        try:
            with open(f"/proc/{entry}/cmdline", "rb") as f:
                program = f.read().split(b"\0")[0].decode(errors="replace")
        except OSError:
            continue
        if program.replace("\\", "/").lower().endswith("/" + name.lower()):
            return entry
    return None


def status_field(pid, field):
    try:
        with open(f"/proc/{pid}/status") as f:
            for line in f:
                if line.startswith(field + ":"):
                    return line.split()[1]
    except OSError:
        pass
    return None


def main():
    output, name, driver = sys.argv[1], sys.argv[2], sys.argv[3]
    pid = None
    window = peak = 0
    while status_field(driver, "State") not in (None, "Z"):
        with open(output) as f:
            said = f.read().split()
        pid = pid or installer_pid(name)
        anon = status_field(pid, "RssAnon") if pid else None
        if anon is not None:
            if "start" in said:
                peak = max(peak, int(anon))
            elif "window" in said:
                window = int(anon)
        time.sleep(0.01)
    print(window, peak)


if __name__ == "__main__":
    main()
