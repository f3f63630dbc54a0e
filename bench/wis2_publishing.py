#!/usr/bin/python3
"""What publishing on WIS2 costs the relay, measured against a real broker.

N messages (make_messages relay) dropped into the inbox at once and taken by
`xbt relay --once`, without and then with the WIS2 options (a mosquitto of
its own on a free port, as the tests start it), in alternating rounds: the
median CPU time (user + system) of each and their ratio. Then a relay at
rest with WIS2: a message renamed into its inbox, until a subscriber has its
notification (the wall time, median of a few).

    bench/wis2_publishing.py [N] [ROUNDS]

XBT_BUILD=DIR takes xbt and make_messages from that optimised build
(build/bench by default, which must exist).
"""
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "tests", "relay"))
import wis2_node  # noqa: E402

count = int(sys.argv[1]) if len(sys.argv) > 1 else 10000
rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 5
build = os.environ.get("XBT_BUILD", os.path.join(here, "..", "build", "bench"))
xbt = os.path.join(build, "xbt")
now = "2026-12-08T12:00:00Z"
now_seconds = "1796731200"
work = tempfile.mkdtemp(prefix="wis2-bench-", dir="/dev/shm" if os.path.isdir("/dev/shm") else None)


def relay(root, *more):
    return [xbt, "relay", "--inbox", f"{root}/inbox", "--outbox", f"{root}/outbox",
            "--archive", f"{root}/archive", "--state", f"{root}/state", "--cccc", "KWBC",
            "--centre", "7", "--settle", "0", "--log", f"{root}/log", *more]


def cpu(command):
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    if status != 0:
        sys.exit(f"{' '.join(command)}: exit status {status}")
    return usage.ru_utime + usage.ru_stime


def fresh(root):
    shutil.rmtree(root, ignore_errors=True)
    os.makedirs(f"{root}/wis2")
    shutil.copytree(f"{work}/messages", f"{root}/inbox")


try:
    os.makedirs(f"{work}/messages")
    subprocess.run([os.path.join(build, "make_messages"), "relay", f"{work}/messages", str(count),
                    "2026", now_seconds], check=True, stdout=subprocess.DEVNULL)
    root = f"{work}/r"
    with wis2_node.Broker("relay", "s3cret") as broker:
        wis2 = ["--wis2-broker", broker.url("relay", "s3cret"), "--wis2-centre-id", "xx-bench",
                "--wis2-data", f"{root}/wis2", "--wis2-base-url", "http://127.0.0.1:1/data"]
        plain, published = [], []
        for _ in range(rounds):
            fresh(root)
            plain.append(cpu(relay(root, "--once", "--now", now)))
            fresh(root)
            published.append(cpu(relay(root, "--once", "--now", now, *wis2)))
        p, w = statistics.median(plain), statistics.median(published)
        print(f"relay --once, {count} messages: CPU {p:.3f} s; with WIS2 {w:.3f} s;"
              f" ratio {w / p:.2f}")
        # At rest: renamed in, until the subscriber has the notification.
        fresh(root)
        for name in os.listdir(f"{root}/inbox"):
            os.remove(f"{root}/inbox/{name}")
        messages = sorted(os.listdir(f"{work}/messages"))
        with wis2_node.Subscriber(broker, wis2_node.data_topic("xx-bench")) as subscriber:
            running = subprocess.Popen(relay(root, "--hold-older-than", "0", *wis2),
                                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
            while "started" not in (open(f"{root}/log").read()
                                    if os.path.exists(f"{root}/log") else ""):
                time.sleep(0.01)
            waits = []
            for i, name in enumerate(messages[:40]):
                shutil.copy(f"{work}/messages/{name}", f"{root}/inbox/{name}.tmp")
                before = len(subscriber.messages)
                start = time.perf_counter()
                os.rename(f"{root}/inbox/{name}.tmp", f"{root}/inbox/{name}")
                try:
                    subscriber.wait_for(before + 1, timeout=5)
                except AssertionError:
                    continue  # a duplicate, held or failed input: no notification
                waits.append(time.perf_counter() - start)
            running.terminate()
            running.wait()
        print(f"at rest, renamed in to notification received: median"
              f" {statistics.median(waits):.3f} s, longest {max(waits):.3f} s"
              f" ({len(waits)} notifications)")
finally:
    shutil.rmtree(work, ignore_errors=True)
