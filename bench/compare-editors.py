#!/usr/bin/env python3
"""Opens the same files in Quillet 99 and in LibreOffice Writer, each in a
fresh process on a virtual X display, and prints for each editor and file:

  window   seconds from launch until a window titled with the file is up
  idle     seconds from launch until the editor's processes go idle (under
           3% of a core for a whole second), i.e. loading and layout done
  cpu      processor seconds its processes used until then
  peak     the largest peak resident memory of its processes, MB

  bench/compare-editors.py [--build DIR] [--runs N] FILE...

Runs itself under xvfb-run when there is no display. LibreOffice
(soffice, Debian's libreoffice-writer) is optional and not a build
dependency: without it, only Quillet is measured. Medians of --runs (3).
"""

import argparse
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time

TICK = os.sysconf("SC_CLK_TCK")


def stat_fields(pid):
    """The fields of /proc/PID/stat after the command name; None when gone."""
    try:
        with open(f"/proc/{pid}/stat") as f:
            return f.read().rsplit(")", 1)[1].split()
    except OSError:
        return None


def group_pids(pgid):
    pids = []
    for name in os.listdir("/proc"):
        fields = stat_fields(name) if name.isdigit() else None
        if fields and int(fields[2]) == pgid:
            pids.append(int(name))
    return pids


def cpu_seconds(pids):
    total = 0.0
    for pid in pids:
        fields = stat_fields(pid)
        if fields:
            total += (int(fields[11]) + int(fields[12])) / TICK
    return total


def peak_mb(pids):
    peak = 0.0
    for pid in pids:
        try:
            with open(f"/proc/{pid}/status") as f:
                for line in f:
                    if line.startswith("VmHWM:"):
                        peak = max(peak, int(line.split()[1]) / 1024)
        except OSError:
            pass
    return peak


def window_up(name):
    r = subprocess.run(["xdotool", "search", "--name", name], capture_output=True)
    return r.returncode == 0 and r.stdout.strip() != b""


def drop_lock(path):
    # A killed LibreOffice leaves its lock beside the file and would ask about it.
    d, name = os.path.split(os.path.abspath(path))
    try:
        os.remove(os.path.join(d, f".~lock.{name}#"))
    except OSError:
        pass


def measure(cmd, title, limit=300):
    drop_lock(cmd[-1])
    # The last run's window must be gone, or it would be taken for this one's.
    for _ in range(100):
        if not window_up(title):
            break
        time.sleep(0.1)
    start = time.monotonic()
    proc = subprocess.Popen(cmd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                            start_new_session=True)
    window = None
    idle = None
    cpu = peak = 0.0
    last_cpu, last_t, quiet_since = 0.0, start, None
    try:
        while time.monotonic() - start < limit:
            time.sleep(0.1)
            now = time.monotonic()
            pids = group_pids(proc.pid)
            used = cpu_seconds(pids)
            cpu = max(cpu, used)
            peak = max(peak, peak_mb(pids))
            if window is None and window_up(title):
                window = now - start
            if window is not None:
                busy = (used - last_cpu) / max(now - last_t, 1e-3) >= 0.03
                if busy:
                    quiet_since = None
                elif quiet_since is None:
                    quiet_since = last_t
                elif now - quiet_since >= 1.0:
                    idle = quiet_since - start
                    break
            last_cpu, last_t = used, now
    finally:
        os.killpg(proc.pid, signal.SIGKILL)
        proc.wait()
        drop_lock(cmd[-1])
    return window, idle, cpu, peak


def median(values):
    values = sorted(v for v in values if v is not None)
    return values[len(values) // 2] if values else None


def fmt(v, unit):
    return "-" if v is None else f"{v:.2f} {unit}"


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--build", default="build")
    ap.add_argument("--runs", type=int, default=3)
    ap.add_argument("files", nargs="+")
    args = ap.parse_args()

    if not os.environ.get("DISPLAY"):
        os.execvp("xvfb-run", ["xvfb-run", "-a", "-s", "-screen 0 1280x1024x24",
                               sys.executable] + sys.argv)
    if not shutil.which("xdotool"):
        sys.exit("compare-editors: needs xdotool")

    quillet = os.path.join(args.build, "src", "quillet")
    profile = tempfile.mkdtemp(prefix="compare-editors-")
    editors = [("Quillet 99", lambda f: [quillet, f])]
    if shutil.which("soffice"):
        lo = lambda f: ["soffice", "--writer", "--norestore", "--nologo",
                        f"-env:UserInstallation=file://{profile}/lo", f]
        # The first start builds LibreOffice's profile: not part of the figures.
        warm = os.path.join(profile, "warm-up.txt")
        with open(warm, "w") as f:
            f.write("warm-up\n")
        measure(lo(warm), "warm-up")
        editors.append(("LibreOffice Writer", lo))
    else:
        print("compare-editors: soffice not found, LibreOffice left out", file=sys.stderr)

    env = dict(os.environ, XDG_CONFIG_HOME=profile, XDG_DATA_HOME=profile)
    os.environ.update(env)   # Quillet's settings stay out of the user's
    print("editor\tfile\twindow\tidle\tcpu\tpeak")
    for path in args.files:
        size = os.path.getsize(path) / 1e6
        for name, cmd in editors:
            runs = [measure(cmd(os.path.abspath(path)), os.path.basename(path))
                    for _ in range(args.runs)]
            cols = [median([r[i] for r in runs]) for i in range(4)]
            print(f"{name}\t{os.path.basename(path)} ({size:.1f} MB)\t{fmt(cols[0], 's')}\t"
                  f"{fmt(cols[1], 's')}\t{fmt(cols[2], 's')}\t{fmt(cols[3], 'MB')}", flush=True)
    shutil.rmtree(profile, ignore_errors=True)


if __name__ == "__main__":
    main()
