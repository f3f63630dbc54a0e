"""xbt relay end to end, judged from outside: the bulletin files parsed as
WMO-386 prescribes them, their BUFR decoded by ecCodes against the JSON
export of the same inputs, the ledger read with Python's own sqlite3, and
the folders, the log and the daily collections made to agree; then a relay
killed at random moments and restarted until done, which must have lost
nothing and sent nothing twice.

Environment: XBT, MAKE_MESSAGES, CHECK_BUFR (tests/formats/check_bufr.py);
RELAY_KILLS sets the number of kills (default 12), RELAY_KILL_MESSAGES the
messages (400), RELAY_KILL_WINDOW the longest a relay runs before its kill
(0.2 s; shorter for many kills over a few messages' work).
"""
import calendar
import json
import os
import random
import re
import shutil
import signal
import sqlite3
import subprocess
import sys
import time

import pytest

XBT = os.environ["XBT"]
NOW = "2026-12-08T12:00:00Z"
NOW_SECONDS = calendar.timegm(time.strptime(NOW, "%Y-%m-%dT%H:%M:%SZ"))
HEADING = re.compile(r"^IOS[A-LX]\d\d [A-Z]{4} \d{6}( (RR|CC|AA)[A-Z])?$")
EXAMPLE = open(os.path.join(os.path.dirname(__file__), "../../examples/standard_two_meter.bin"),
               "rb").read()
FOLDERS = {"sent": "archive", "correction": "archive", "held": "state/held",
           "duplicate": "state/duplicates", "failed": "state/failed"}


def relay_arguments(root, *more, settle="0"):
    return [XBT, "relay", "--inbox", f"{root}/inbox", "--outbox", f"{root}/outbox",
            "--archive", f"{root}/archive", "--state", f"{root}/state", "--cccc", "KWBC",
            "--centre", "7", "--now", NOW, "--settle", settle, *more]


def generate(folder, count, seed):
    os.makedirs(folder, exist_ok=True)
    subprocess.run([os.environ["MAKE_MESSAGES"], "relay", folder, str(count), str(seed),
                    str(NOW_SECONDS)], check=True, stdout=subprocess.DEVNULL)
    return sorted(os.listdir(folder))


def bulletins(path):
    """The bulletins of one file as WMO-386's FTP format lays them out:
    (channel, heading, BUFR bytes); raises on any departure."""
    data = open(path, "rb").read()
    found = []
    while data:
        length, identifier = int(data[:8]), data[8:10]
        assert data[:8].isdigit() and identifier == b"00", path
        message, data = data[10:10 + length], data[10 + length:]
        assert len(message) == length and message[:4] == b"\x01\r\r\n", path
        digits = message.index(b"\r\r\n", 4) - 4  # 3, or 5 where the link agrees on them
        assert digits in (3, 5) and message[4:4 + digits].isdigit(), path
        assert message.endswith(b"\r\r\n\x03"), path
        heading, _, text = message[7 + digits:-4].partition(b"\r\r\n")
        assert text.startswith(b"BUFR") and text.endswith(b"7777"), path
        assert int.from_bytes(text[4:7], "big") == len(text), path
        found.append((message[4:4 + digits].decode(), heading.decode("ascii"), text))
    return found


def folder_files(root, outcome):
    base = os.path.join(root, FOLDERS[outcome])
    names = []
    for where, _, files in os.walk(base):
        names += [os.path.join(where, name) for name in files if not name.endswith(".nc")]
    return names


def judge(root, inputs, check_values, most_drops=100, digits=3):
    """Everything the relay's promises say of a finished run."""
    ledger = sqlite3.connect(f"file:{root}/state/ledger.sqlite?mode=ro", uri=True)
    rows = ledger.execute("SELECT name, stage, outcome, place FROM inputs").fetchall()
    assert sorted(name for name, *_ in rows) == sorted(inputs)
    assert {stage for _, stage, _, _ in rows} == {"done"}
    counts = {}
    for _, _, outcome, _ in rows:
        counts[outcome] = counts.get(outcome, 0) + 1
    # Every input kept in exactly one place, the relay's own copy, where the
    # ledger says (what was no file, a link or a FIFO, is kept nowhere).
    for outcome in ("held", "duplicate", "failed", "sent"):
        placed = sorted(os.path.join(root, "archive" if outcome == "sent" else "state", place)
                        for _, _, kind, place in rows
                        if place and (kind == outcome or outcome == "sent" and kind == "correction"))
        assert sorted(folder_files(root, outcome)) == placed, outcome
    assert all(place or outcome == "failed" for _, _, outcome, place in rows)
    assert not os.listdir(f"{root}/inbox/.xbt-relay") and not os.listdir(f"{root}/archive/.xbt-copies")
    # Each bulletin file whole, each heading once, the channel numbers in
    # sequence across every restart, each sent input in exactly one.
    files = sorted(os.listdir(f"{root}/outbox"))
    assert not [name for name in files if name.endswith(".tmp")]
    headings, texts = set(), {}
    for name in files:
        for channel, heading, text in bulletins(f"{root}/outbox/{name}"):
            assert HEADING.match(heading), heading
            assert heading not in headings, f"{heading} sent twice"
            headings.add(heading)
            texts[heading] = (channel, text, name)
    carried = ledger.execute(
        "SELECT b.id, b.heading, b.channel, f.name, b.update_sequence, b.corrects, i.place, "
        "i.outcome FROM bulletins AS b JOIN inputs AS i ON i.bulletin_id = b.id JOIN outbox_files "
        "AS f ON f.id = b.file_id ORDER BY b.id, i.id").fetchall()
    assert len(carried) == counts.get("sent", 0) + counts.get("correction", 0)
    sent = {}  # bulletin id: (heading, channel, file, update sequence, corrects, drops)
    for bulletin, heading, channel, name, sequence, corrects, place, outcome in carried:
        sent.setdefault(bulletin, (heading, channel, name, sequence, corrects, []))[5].append(
            (place, outcome))
    assert len(sent) == len(headings)
    for number, (heading, channel, name, sequence, corrects, drops) in enumerate(sent.values()):
        assert channel == number % 10 ** digits and texts[heading][0] == f"{channel:0{digits}d}"
        assert len(drops) <= most_drops, heading
        assert texts[heading][2] == name
        assert int.from_bytes(texts[heading][1][34:36], "big") == len(drops), heading
        # A bulletin's drops share its update sequence: 0 for new drops, a
        # correction's raised one. A correction of a drop that went out
        # alone goes out alone, under that bulletin's heading with CCx.
        assert all((sequence > 0) == (outcome == "correction") for _, outcome in drops), heading
        assert (corrects is not None) == (heading[-4:-1] == " CC"), heading
        assert corrects is None or len(drops) == 1 and sequence > 0, heading
        # CCx replaces the bulletin it corrects: only one that carried the
        # corrected drop alone.
        assert corrects is None or len(sent[corrects][5]) == 1, heading
    originals = {heading[:18] for heading, *_ in sent.values() if heading[-4:-1] != " CC"}
    assert all(heading[:18] in originals for heading, *_ in sent.values()), \
        "a correction of nothing sent"
    if check_values and sent:
        with open(f"{root}/all.bufr", "wb") as out:
            for heading, *_ in sent.values():
                out.write(texts[heading][1])
        sequences = [sequence for _, _, _, sequence, _, drops in sent.values() for _ in drops]
        places = [f"{root}/archive/{place}" for *_, drops in sent.values() for place, _ in drops]
        export = subprocess.run([XBT, "export", "--format", "json", "--stdout", "--now", NOW,
                                 *places], capture_output=True, check=True)
        with open(f"{root}/all.jsonl", "w", encoding="utf-8") as out:
            for line, sequence in zip(export.stdout.splitlines(), sequences):
                out.write(json.dumps(dict(json.loads(line), update_sequence=sequence)) + "\n")
        open(f"{root}/none.txt", "w").close()
        judged = subprocess.run([sys.executable, os.environ["CHECK_BUFR"], f"{root}/all.bufr",
                                 f"{root}/all.jsonl", f"{root}/none.txt", "7", "0", "31",
                                 "--subsets"], capture_output=True, text=True)
        assert judged.returncode == 0, judged.stdout[-2000:]
    # The day's collections: each drop once, in its latest version.
    import xarray
    latest = {}
    for identity, day, place in ledger.execute(
            "SELECT identity, day, place FROM inputs WHERE outcome IN ('sent', 'correction') "
            "ORDER BY id"):
        latest[identity] = (day, place)
    for day in {day for day, _ in latest.values()}:
        with xarray.open_dataset(f"{root}/archive/{day[:4]}/{day[5:7]}/{day}.nc") as dataset:
            assert sorted(i.decode() if isinstance(i, bytes) else str(i)
                          for i in dataset.profile_id.values) == \
                sorted(place for d, place in latest.values() if d == day), day
    return counts


def log_lines(path):
    """The log's whole lines: one the relay is writing as we read is left
    for the next look."""
    if not os.path.exists(path):
        return []
    with open(path, encoding="utf-8") as log:
        return [json.loads(line) for line in log if line.endswith("\n")]


def test_a_run_sends_each_message_once_and_files_each_input(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 300, 11)
    # Never taken: an upload under way, a hidden file. Taken but never
    # opened: a link to a file elsewhere, a FIFO.
    open(f"{root}/inbox/upload.bin.tmp", "w").close()
    open(f"{root}/inbox/.hidden", "w").close()
    os.symlink("/etc/hostname", f"{root}/inbox/link.bin")
    os.mkfifo(f"{root}/inbox/pipe.bin")
    inputs += ["link.bin", "pipe.bin"]
    # Some options from a configuration file, as an operator keeps them.
    with open(f"{root}/relay.toml", "w") as config:
        config.write('log-format = "json"\nhold-older-than = 30\n')
    run = subprocess.run(relay_arguments(root, "--once", "--log", f"{root}/log", "--config",
                                         f"{root}/relay.toml", "--bulletin-drops", "7"),
                         timeout=300)
    assert run.returncode == 0
    assert sorted(os.listdir(f"{root}/inbox")) == [".hidden", ".xbt-relay", "upload.bin.tmp"]
    counts = judge(root, inputs, check_values=True, most_drops=7)
    assert counts["duplicate"] > 0 and counts["correction"] > 0
    reasons = " ".join(reason for reason, in sqlite3.connect(f"{root}/state/ledger.sqlite").execute(
        "SELECT reason FROM inputs WHERE outcome = 'held'"))
    assert "profile flag 4" in reasons and "no platform identity" in reasons
    lines = [line for line in log_lines(f"{root}/log") if "outcome" in line]
    assert len(lines) == len(inputs)
    for outcome, count in counts.items():
        assert sum(line["outcome"] == outcome for line in lines) == count
    failed = {line["input"]: line["reason"] for line in lines if line["outcome"] == "failed"}
    assert "link" in failed["link.bin"] and "FIFO" in failed["pipe.bin"]
    assert open("/etc/hostname").read()  # the link's target untouched

    # An operator releases a held input: it goes out, the decision logged.
    held = sorted(os.listdir(f"{root}/state/held"))[0]
    release = subprocess.run(
        [XBT, "relay", "release", f"state/held/{held}", "--operator", "tester"] +
        relay_arguments(root, "--log", f"{root}/log", "--log-format", "json")[2:],
        capture_output=True, text=True, timeout=60)
    assert release.returncode == 0, release.stderr
    ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
    assert ledger.execute("SELECT operator FROM operator_decisions").fetchall() == [("tester",)]
    assert ledger.execute("SELECT outcome FROM inputs WHERE name = ?", (held,)).fetchone()[0] \
        in ("sent", "correction")
    status = subprocess.run([XBT, "relay", "status", "--state", f"{root}/state"],
                            capture_output=True, text=True, check=True).stdout
    assert f"held, waiting for an operator: {counts['held'] - 1}" in status


def test_a_relay_killed_at_any_moment_loses_nothing_and_sends_nothing_twice(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", int(os.environ.get("RELAY_KILL_MESSAGES", "400")), 23)
    chooser = random.Random(int(os.environ.get("RELAY_SEED", "5")))
    kills = int(os.environ.get("RELAY_KILLS", "12"))
    window = float(os.environ.get("RELAY_KILL_WINDOW", "0.2"))
    log = f"{root}/log"
    killed = 0
    for _ in range(kills):
        # Killed a random moment after it has started its work, so that the
        # kills land at every step; what must hold afterwards holds
        # whenever they land.
        starts = open(log).read().count('"started"') if os.path.exists(log) else 0
        process = subprocess.Popen(relay_arguments(root, "--once", "--log", log,
                                                   "--log-format", "json"))
        while process.poll() is None and \
                (not os.path.exists(log) or open(log).read().count('"started"') == starts):
            time.sleep(0.001)
        time.sleep(chooser.uniform(0, window))
        process.send_signal(signal.SIGKILL)
        process.wait()
        if process.returncode == 0:
            break
        killed += 1
    settled = open(log, encoding="utf-8").read().count('"outcome"')
    print(f"killed {killed} times over {len(inputs)} messages, {settled} settled before the last run")
    final = subprocess.run(relay_arguments(root, "--once", "--log", log, "--log-format", "json"),
                           timeout=300)
    assert final.returncode == 0
    judge(root, inputs, check_values=False)
    # Every input's outcome in the log, however the kills fell (a line a
    # kill cut off is said again).
    assert_log_says_every_outcome(root, log)
    # A running relay: a second on the state folder refuses to start; a file
    # renamed into the inbox is taken at once (the settle time would keep a
    # file written in place for an hour); an operator's release while it
    # runs is left to it.
    daemon_log = f"{root}/daemon.log"
    daemon = subprocess.Popen(relay_arguments(root, "--log", daemon_log, "--log-format", "json",
                                              settle="3600"))
    try:
        wait_for(lambda: any(line.get("event") == "started" for line in log_lines(daemon_log)),
                 daemon)
        second = subprocess.run(relay_arguments(root, "--once"), capture_output=True, text=True)
        assert second.returncode == 1 and "another relay is running" in second.stderr
        source = f"{root}/archive/" + min(n for n in os.listdir(f"{root}/archive") if n[0] != ".")
        for where, _, files in os.walk(source):
            if [name for name in files if name.endswith(".bin")]:
                first = os.path.join(where, [n for n in sorted(files) if n.endswith(".bin")][0])
                break
        with open(first, "rb") as original, open(f"{root}/inbox/again.bin.tmp", "wb") as copy:
            copy.write(original.read())
        os.rename(f"{root}/inbox/again.bin.tmp", f"{root}/inbox/again.bin")
        wait_for(lambda: any(line.get("input") == "again.bin" and line["outcome"] == "duplicate"
                             for line in log_lines(daemon_log)), daemon)
        # The operator is told which input it repeats, by the name it came in.
        again = next(line for line in log_lines(daemon_log) if line.get("input") == "again.bin")
        assert f"as {os.path.basename(first)} (input " in again["reason"], again
        held = sorted(os.listdir(f"{root}/state/held"))[0]
        release = subprocess.run(
            [XBT, "relay", "release", held] + relay_arguments(root)[2:],
            capture_output=True, text=True, timeout=60)
        assert release.returncode == 0 and "running relay" in release.stdout, release.stderr
        wait_for(lambda: any(line.get("input") == held and line["outcome"] != "held"
                             for line in log_lines(daemon_log)), daemon)
    finally:
        daemon.send_signal(signal.SIGTERM)
        assert daemon.wait(timeout=60) == 0


def assert_log_says_every_outcome(root, log):
    said = {}
    for line in open(log, encoding="utf-8", errors="replace"):
        try:
            entry = json.loads(line)
        except ValueError:
            continue
        if "outcome" in entry:
            said[entry["input"]] = entry["outcome"]
    ledger = sqlite3.connect(f"file:{root}/state/ledger.sqlite?mode=ro", uri=True)
    assert said == dict(ledger.execute("SELECT name, outcome FROM inputs").fetchall())


def test_lines_a_full_log_could_not_take_are_said_once_it_can(tmp_path):
    root = str(tmp_path)
    generate(f"{root}/inbox", 30, 43)
    for log in ("/dev/full", f"{root}/log"):
        run = subprocess.run(relay_arguments(root, "--once", "--log", log, "--log-format", "json"),
                             timeout=300)
        assert run.returncode == 0
    assert_log_says_every_outcome(root, f"{root}/log")


def wait_for(condition, process):
    """Waits until `condition` holds while `process` runs; the deadline only
    guards against a hang."""
    deadline = time.monotonic() + 120
    while not condition():
        assert process.poll() is None and time.monotonic() < deadline
        time.sleep(0.01)


def test_batches_carry_up_to_a_hundred_bulletins_a_file(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 260, 31)
    run = subprocess.run(relay_arguments(root, "--once", "--batch", "--bulletin-drops", "1",
                                         "--channel-digits", "5", "--log", f"{root}/log",
                                         "--log-format", "json"), timeout=300)
    assert run.returncode == 0
    counts = judge(root, inputs, check_values=False, most_drops=1, digits=5)
    files = sorted(os.listdir(f"{root}/outbox"))
    assert all(re.fullmatch(r"KWBC\d{8}\.b", name) for name in files), files
    sizes = [len(bulletins(f"{root}/outbox/{name}")) for name in files]
    assert max(sizes) == 100 and sum(sizes) == counts["sent"] + counts["correction"]
    assert files[0] == "KWBC00000001.b"


def test_a_full_outbox_stops_the_intake_and_loses_nothing(tmp_path):
    root = str(tmp_path)
    os.makedirs(f"{root}/outbox")
    # A file system of 64 KiB for the outbox: full after a few bulletins.
    if os.geteuid() != 0 or subprocess.run(["mount", "-t", "tmpfs", "-o", "size=64k", "tmpfs",
                                            f"{root}/outbox"]).returncode != 0:
        pytest.skip("needs to mount a small file system (root)")
    try:
        inputs = generate(f"{root}/inbox", 120, 41)
        log = f"{root}/log"
        relay = subprocess.Popen(relay_arguments(root, "--log", log, "--log-format", "json"))
        try:
            wait_for(lambda: any(line.get("event") == "waiting" and "No space" in line["message"]
                                 for line in log_lines(log)), relay)
            subprocess.run(["mount", "-o", "remount,size=16m", f"{root}/outbox"], check=True)
            wait_for(lambda: any(line.get("event") == "resumed" for line in log_lines(log)), relay)
            wait_for(lambda: sum("outcome" in line for line in log_lines(log)) == len(inputs),
                     relay)
        finally:
            relay.send_signal(signal.SIGTERM)
            assert relay.wait(timeout=60) == 0
        judge(root, inputs, check_values=False)
    finally:
        subprocess.run(["umount", f"{root}/outbox"])


def test_names_a_sender_chooses_are_kept_whole_and_the_copies_are_the_relays(tmp_path):
    root = str(tmp_path)
    os.makedirs(f"{root}/inbox")
    long = "é" * 125 + ".bin"  # 254 octets: a numbered one must be cut to fit

    def run_with(files):
        for name, content in files.items():
            with open(f"{root}/inbox/{name}", "wb") as out:
                out.write(content)
        run = subprocess.run(relay_arguments(root, "--once", "--log", f"{root}/log",
                                             "--hold-older-than", "0"), timeout=120)
        assert run.returncode == 0
    # A name numbered as the relay numbers names, then one the relay would
    # number so (input 3); a name like the relay's own temporary copies;
    # a name at the limit, twice.
    run_with({"x.3.bin": b"3", "x.bin": b"x"})
    run_with({"x.bin": b"again"})
    run_with({"x.xbt-0123456789ab.partial": b"not a message", long: b"first"})
    run_with({long: b"second"})
    sender = open(f"{root}/inbox/x.bin", "wb")  # a sender that writes on after the rename
    sender.write(EXAMPLE)
    sender.flush()
    run_with({})
    sender.write(b"written after it was taken")
    sender.close()
    run_with({})  # a restart: nothing of the sender's is removed as a leftover
    failed = f"{root}/state/failed"
    kept = {name: open(f"{failed}/{name}", "rb").read() for name in os.listdir(failed)}
    assert kept == {"x.3.bin": b"3", "x.bin": b"x", "x.3-2.bin": b"again",
                    "x.xbt-0123456789ab.partial": b"not a message", long: b"first",
                    "é" * 124 + ".6.bin": b"second"}
    # What is sent is the relay's own copy of what it read, not the file the
    # sender still writes.
    archived = [os.path.join(where, name) for where, _, files in os.walk(f"{root}/archive")
                for name in files if name == "x.bin"]
    assert len(archived) == 1 and open(archived[0], "rb").read() == EXAMPLE
    assert not os.stat(archived[0]).st_mode & 0o022


def test_folders_on_other_mounts_and_folders_replaced_under_a_running_relay(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 40, 17)
    for folder in ("outbox", "archive", "state", "inbox/navy"):
        os.makedirs(f"{root}/{folder}")
    unshare = ["unshare", "-m", "--propagation", "private", "sh", "-c",
               "for d in inbox outbox archive state inbox/navy; do "
               "mount --bind \"$0/$d\" \"$0/$d\"; done; exec \"$@\"", root]
    if os.geteuid() != 0 or subprocess.run(unshare + ["true"]).returncode != 0:
        pytest.skip("needs a mount namespace of its own (root)")
    # As the shipped unit runs it (ProtectSystem=strict, ReadWritePaths= for
    # each folder): every folder its own mount, no rename between them.
    run = subprocess.run(unshare + relay_arguments(root, "--once", "--log", f"{root}/log"),
                         timeout=300)
    assert run.returncode == 0
    judge(root, inputs, check_values=False)
    # A sender's folder must be on the inbox's mount: taking is a rename.
    run = subprocess.run(unshare + relay_arguments(root, "--once", "--sender", "navy=*"),
                         capture_output=True, text=True, timeout=60)
    assert run.returncode == 1 and "navy is on another file system" in run.stderr
    # An outbox mounted over, then an inbox moved aside and made again, while
    # the relay runs: it takes nothing until each is back, and says why.
    log = f"{root}/daemon.log"
    relay = subprocess.Popen(relay_arguments(root, "--log", log, "--log-format", "json"))
    try:
        wait_for(lambda: any(line.get("event") == "started" for line in log_lines(log)), relay)
        subprocess.run(["mount", "-t", "tmpfs", "tmpfs", f"{root}/outbox"], check=True)
        try:
            wait_for(lambda: any("outbox" in line.get("message", "") and "another folder" in
                                 line["message"] for line in log_lines(log)), relay)
            with open(f"{root}/inbox/late.bin", "wb") as out:
                out.write(EXAMPLE)
        finally:
            subprocess.run(["umount", f"{root}/outbox"], check=True)
        wait_for(lambda: any(line.get("input") == "late.bin" for line in log_lines(log)), relay)
        os.rename(f"{root}/inbox", f"{root}/inbox.old")
        os.makedirs(f"{root}/inbox")
        wait_for(lambda: any("inbox" in line.get("message", "") and "another folder" in
                             line["message"] for line in log_lines(log)), relay)
    finally:
        relay.send_signal(signal.SIGTERM)
        assert relay.wait(timeout=60) == 0


def test_a_drop_corrected_26_times_goes_out_as_corrections_only(tmp_path):
    root = str(tmp_path)
    os.makedirs(f"{root}/inbox")
    os.makedirs(f"{root}/versions")
    subprocess.run([os.environ["MAKE_MESSAGES"], "versions", f"{root}/versions", "27",
                    str(NOW_SECONDS)], check=True)
    versions = sorted(os.listdir(f"{root}/versions"))
    for name in versions:  # one at a time, as corrections come
        os.rename(f"{root}/versions/{name}", f"{root}/inbox/{name}")
        assert subprocess.run(relay_arguments(root, "--once"), timeout=60).returncode == 0
    judge(root, versions, check_values=True)
    ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
    bulletins = ledger.execute("SELECT heading, update_sequence FROM bulletins "
                               "ORDER BY id").fetchall()
    # A drop two days old: CCZ, then CCA to CCX of the first bulletin, then
    # under a heading of its own with the update sequence raised: never
    # RRx, never the first heading again.
    first = bulletins[0][0]
    assert [heading for heading, _ in bulletins[1:26]] == \
        [f"{first} CCZ"] + [f"{first} CC{chr(ord('A') + i)}" for i in range(24)]
    assert bulletins[26][1] == 26 and bulletins[26][0][18:] in ("", " RRZ") and \
        bulletins[26][0][:18] != first


def test_what_an_operator_watches_status_check_metrics_and_the_service_manager(tmp_path):
    import socket
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 60, 7)
    manager = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    manager.bind(f"{root}/notify")
    manager.settimeout(60)
    relay = subprocess.Popen(
        relay_arguments(root, "--log", f"{root}/log", "--log-format", "json", "--metrics",
                        f"{root}/relay.prom"),
        env=dict(os.environ, NOTIFY_SOCKET=f"{root}/notify", WATCHDOG_USEC="100000"))
    try:
        said = [manager.recv(4096).decode()]
        assert said[0].startswith("READY=1\nSTATUS=taking inputs"), said
        # Told at half the watchdog's interval (100 ms here): three times,
        # each well within ten seconds (a relay that took the interval for
        # milliseconds would say it every 50 s).
        manager.settimeout(10)
        while said.count("WATCHDOG=1") < 3:
            said.append(manager.recv(4096).decode())
        wait_for(lambda: sum("outcome" in line for line in log_lines(f"{root}/log")) ==
                 len(inputs), relay)
    finally:
        relay.send_signal(signal.SIGTERM)
        assert relay.wait(timeout=60) == 0
    while "STOPPING=1" not in said:
        said.append(manager.recv(4096).decode())
    counts = judge(root, inputs, check_values=False)
    # The counters, written whole as the relay stopped.
    metrics = dict(line.split() for line in open(f"{root}/relay.prom") if line[0] != "#")
    for outcome, count in counts.items():
        assert int(metrics[f'xbt_relay_inputs_total{{outcome="{outcome}"}}']) == count
    assert int(metrics["xbt_relay_held"]) == counts["held"]
    assert metrics['xbt_relay_folder_writable{folder="outbox"}'] == "1"
    # Status for machines; an alarm's check, with each limit at its edge.
    folders = relay_arguments(root)[2:]
    status = json.loads(subprocess.run([XBT, "relay", "status", "--format", "json"] + folders,
                                       capture_output=True, text=True, check=True).stdout)
    assert status["held"] == counts["held"] and status["under_way"] == 0
    outbox = next(folder for folder in status["folders"] if folder["role"] == "outbox")
    assert outbox["files_waiting"] == len(os.listdir(f"{root}/outbox")) > 0

    def check(*limits):
        run = subprocess.run([XBT, "relay", "check", *limits] + folders, capture_output=True,
                             text=True)
        return run.returncode, run.stdout
    assert check("--outbox-minutes", "0", "--held-hours", "0")[0] == 0
    assert check()[0] == 0  # the bulletins are minutes old, the held inputs seconds
    old = time.time() - 11 * 60
    for name in os.listdir(f"{root}/outbox"):
        os.utime(f"{root}/outbox/{name}", (old, old))
    status, line = check()
    assert status == 2 and line.startswith("XBT RELAY CRITICAL - ") and "outbox" in line, line
    assert check("--outbox-minutes", "12")[0] == 0
    ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
    with ledger:
        ledger.execute("UPDATE inputs SET received_ms = received_ms - 25 * 3600 * 1000")
    status, line = check("--outbox-minutes", "0")
    assert status == 1 and "held" in line, line
    assert check("--outbox-minutes", "0", "--held-hours", "26")[0] == 0
    assert check("--outbox-minutes", "0", "--held-hours", "0", "--silent-hours", "24")[0] == 1
    os.rename(f"{root}/archive", f"{root}/archive.away")
    status, line = check("--outbox-minutes", "0", "--held-hours", "0")
    assert status == 2 and "archive" in line and "missing" in line, line
    shutil.rmtree(f"{root}/state")
    assert check()[0] == 3


@pytest.mark.parametrize("step", ["taken", "decided", "bulletins", "kept", "finished", "said"])
def test_a_kill_just_after_each_step_then_a_restart_loses_and_repeats_nothing(tmp_path, step):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 60, 47)
    killed = subprocess.run(relay_arguments(root, "--once", "--log", f"{root}/log",
                                            "--log-format", "json"),
                            env=dict(os.environ, XBT_RELAY_KILL_AFTER=step), timeout=120)
    assert killed.returncode == -signal.SIGKILL
    run = subprocess.run(relay_arguments(root, "--once", "--log", f"{root}/log", "--log-format",
                                         "json"), timeout=120)
    assert run.returncode == 0
    judge(root, inputs, check_values=False)
    assert_log_says_every_outcome(root, f"{root}/log")


def test_a_correction_of_a_drop_sent_with_others_goes_out_under_a_heading_of_its_own(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 40, 3)  # one ship: all in one area
    os.makedirs(f"{root}/versions")
    subprocess.run([os.environ["MAKE_MESSAGES"], "versions", f"{root}/versions", "2",
                    str(NOW_SECONDS - 3600)], check=True)
    os.rename(f"{root}/versions/v-000.bin", f"{root}/inbox/v-000.bin")
    assert subprocess.run(relay_arguments(root, "--once"), timeout=60).returncode == 0
    os.rename(f"{root}/versions/v-001.bin", f"{root}/inbox/v-001.bin")
    assert subprocess.run(relay_arguments(root, "--once"), timeout=60).returncode == 0
    judge(root, inputs + ["v-000.bin", "v-001.bin"], check_values=True)
    ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
    (drops,), = ledger.execute("SELECT count(*) FROM inputs WHERE bulletin_id = (SELECT "
                               "bulletin_id FROM inputs WHERE name = 'v-000.bin')")
    (heading, sequence), = ledger.execute(
        "SELECT b.heading, b.update_sequence FROM bulletins AS b JOIN inputs AS i ON "
        "i.bulletin_id = b.id WHERE i.name = 'v-001.bin'")
    assert drops > 1 and " CC" not in heading and sequence == 1, (drops, heading)


def test_a_sender_sends_for_its_own_platforms_only(tmp_path):
    root = str(tmp_path)
    os.makedirs(f"{root}/v")
    subprocess.run([os.environ["MAKE_MESSAGES"], "versions", f"{root}/v", "3", str(NOW_SECONDS)],
                   check=True)
    drop, first, second = (open(f"{root}/v/v-00{i}.bin", "rb").read() for i in range(3))  # S0000
    with open(f"{root}/relay.toml", "w") as config:  # by call sign, by IMO number, or any
        config.write('sender = ["navy=S0000", "nsf=S0009,9000009", "imo=9000000", "desk=*"]\n')
    bad = subprocess.run(relay_arguments(root, "--once", "--sender", ".navy=S0000"),
                         capture_output=True, text=True)
    assert bad.returncode == 2 and "not '.navy=S0000'" in bad.stderr

    def run_with(name, content):
        os.makedirs(os.path.dirname(f"{root}/inbox/{name}"), exist_ok=True)
        with open(f"{root}/inbox/{name}", "wb") as out:
            out.write(content)
        assert subprocess.run(relay_arguments(root, "--once", "--config", f"{root}/relay.toml",
                                              "--hold-older-than", "0"), timeout=60).returncode == 0
    # Another sender's copy of the drop, and one put in the inbox itself,
    # come first: held, and neither makes the true sender's a duplicate; a
    # correction from another sender is held and corrects nothing.
    for name, content in [("nsf/v-000.bin", drop), ("v-000.bin", drop), ("navy/v-000.bin", drop),
                          ("nsf/v-001.bin", first), ("imo/v-001.bin", first),
                          ("nsf/v-001.bin", second), ("desk/v-002.bin", second)]:
        run_with(name, content)
    ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
    nsf = "sender nsf is not named for S0000"
    assert ledger.execute("SELECT name, outcome, reason, place FROM inputs ORDER BY id").fetchall() \
        == [("nsf/v-000.bin", "held", nsf, "held/v-000.bin"),
            ("v-000.bin", "held", "not from a sender's folder (no sender is named for S0000)",
             "held/v-000.2.bin"),
            ("navy/v-000.bin", "sent", "", "2026/12/06/v-000.bin"),
            ("nsf/v-001.bin", "held", nsf, "held/v-001.bin"),
            ("imo/v-001.bin", "correction", "", "2026/12/06/v-001.bin"),
            ("nsf/v-001.bin", "held", nsf, "held/v-001.6.bin"),
            ("desk/v-002.bin", "correction", "", "2026/12/06/v-002.bin")]
    assert sorted(os.listdir(f"{root}/inbox")) == [".xbt-relay", "desk", "imo", "navy", "nsf"]
    # A sender's folder the relay cannot take from is an alarm.
    os.rmdir(f"{root}/inbox/nsf")
    check = subprocess.run([XBT, "relay", "check", "--config", f"{root}/relay.toml"] +
                           relay_arguments(root)[2:], capture_output=True, text=True)
    assert check.returncode == 2 and f"the sender nsf {root}/inbox/nsf is missing" in check.stdout
