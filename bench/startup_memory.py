#!/usr/bin/env python3
"""Start-up time and resident memory of SBDeskTop on the demo hotel.

Usage: bench/startup_memory.py [--build DIR] [--runs N]

Starts the simulator and prepares the demo hotel (demo/prepare-demo-hotel), then starts the desktop
program N times and measures the time from the process start to the main window shown and
activated: the first activation writes the caption with the working mode to the log, and that line
is what is waited for. The resident memory (VmRSS) is read two seconds later, and also for the
unattended mode idling on its timer. Without a display it runs itself under xvfb-run.
Targets: start-up under 1 s, resident memory under 80 MB.
"""

import argparse
import os
import re
import shutil
import statistics
import subprocess
import sys
import tempfile
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent


def rss_kib(pid, field="VmRSS"):
    for line in Path(f"/proc/{pid}/status").read_text().splitlines():
        if line.startswith(field + ":"):
            return int(line.split()[1])
    return 0


def start_simulator(bindir, work):
    port_file = work / "port"
    sim = subprocess.Popen([str(bindir / "sbsim"), "--port", "0", "--port-file", str(port_file), "--scenario",
                            str(ROOT / "demo" / "sim"), "--ignore-stdin"],
                           stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    for _ in range(100):
        if port_file.exists() and port_file.read_text().strip():
            return sim, f"http://127.0.0.1:{port_file.read_text().strip()}"
        time.sleep(0.1)
    sim.kill()
    raise SystemExit("startup_memory: the simulator did not start")


def wait_for_line(proc, pattern, timeout):
    """Reads the process's standard error until a line matches; the time it matched."""
    deadline = time.monotonic() + timeout
    os.set_blocking(proc.stderr.fileno(), False)
    buffer = b""
    while time.monotonic() < deadline:
        chunk = proc.stderr.read()
        if chunk:
            buffer += chunk
            if re.search(pattern, buffer.decode(errors="replace")):
                return time.monotonic()
        elif proc.poll() is not None:
            break
        time.sleep(0.002)
    raise SystemExit(f"startup_memory: no {pattern!r} from SBDeskTop:\n{buffer.decode(errors='replace')}")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=str(ROOT / "build" / "default"))
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    bindir = Path(args.build).resolve() / "bin"

    if not os.environ.get("DISPLAY") and not os.environ.get("SB_BENCH_INSIDE"):
        if not shutil.which("xvfb-run"):
            raise SystemExit("startup_memory: no display and no xvfb-run")
        env = dict(os.environ, SB_BENCH_INSIDE="1")
        sys.exit(subprocess.call(["xvfb-run", "-a", "-s", "-screen 0 1280x800x24", sys.executable, __file__,
                                  "--build", args.build, "--runs", str(args.runs)], env=env))

    with tempfile.TemporaryDirectory() as tmp:
        work = Path(tmp)
        sim, base_url = start_simulator(bindir, work)
        try:
            env = dict(os.environ, SB_BASE_URL=base_url)
            demo = work / "demo-hotel"
            subprocess.run([str(ROOT / "demo" / "prepare-demo-hotel"), str(bindir), str(demo)], env=env,
                           check=True, stdout=subprocess.DEVNULL)

            times, rss, peak = [], [], []
            for _ in range(args.runs):
                start = time.monotonic()
                proc = subprocess.Popen([str(bindir / "SBDeskTop")], cwd=demo, env=env, stderr=subprocess.PIPE)
                shown = wait_for_line(proc, r"\(modalita \d '", 10)
                times.append(shown - start)
                time.sleep(2)
                rss.append(rss_kib(proc.pid))
                peak.append(rss_kib(proc.pid, "VmHWM"))
                proc.terminate()
                proc.wait(10)

            proc = subprocess.Popen([str(bindir / "SBDeskTop"), "--headless"], cwd=demo, env=env,
                                    stderr=subprocess.PIPE)
            wait_for_line(proc, r"SIGTERM", 10)
            time.sleep(1)
            headless = rss_kib(proc.pid)
            proc.terminate()
            proc.wait(10)
        finally:
            sim.terminate()
            sim.wait(10)

    print(f"SBDeskTop on the demo hotel, {args.runs} runs:")
    print(f"  start-up to the main window shown: median {statistics.median(times) * 1000:.0f} ms, "
          f"max {max(times) * 1000:.0f} ms (target < 1000 ms)")
    print(f"  resident memory with the window shown: max {max(rss) / 1024:.1f} MB, peak {max(peak) / 1024:.1f} MB "
          f"(target < 80 MB)")
    print(f"  resident memory of the unattended mode on its timer: {headless / 1024:.1f} MB")
    ok = max(times) < 1.0 and max(peak) < 80 * 1024
    sys.exit(0 if ok else 1)


if __name__ == "__main__":
    main()
