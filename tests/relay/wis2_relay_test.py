"""xbt relay as a WIS2 node, judged as a Global Broker and a Global Cache
judge it: a real mosquitto broker with a node's password file and ACL, a
subscriber as `everyone`, the data folder served over HTTP; every
notification validated, every file downloaded against its digest and
decoded by ecCodes to the JSON export's values; one notification for each
drop sent and each correction, none for the rest; a broker that goes away
and comes back; kills at random moments, after which a drop announced twice
is announced under the same id.

Environment: as relay_test.py.
"""
import collections
import datetime
import json
import os
import random
import signal
import sqlite3
import subprocess
import sys
import time

import pytest

sys.path.insert(0, os.path.dirname(__file__))
import wis2_node  # noqa: E402
from relay_test import XBT, NOW, generate, judge, log_lines, relay_arguments, wait_for  # noqa: E402

CENTRE = "zz-xbt-test"


def wis2_arguments(root, broker, server, *more):
    return relay_arguments(root, "--wis2-broker", broker.url("relay", "s3cret"),
                           "--wis2-centre-id", CENTRE, "--wis2-data", f"{root}/wis2",
                           "--wis2-base-url", server.base_url, *more)


def announced(messages):
    """The data notifications received: {data_id: [(rel, id, notification)]}."""
    drops = collections.defaultdict(list)
    for topic, payload, _ in messages:
        if topic == wis2_node.data_topic(CENTRE):
            note = json.loads(payload)
            drops[note["properties"]["data_id"]].append((note["links"][0]["rel"], note["id"], note))
    return drops


def test_each_drop_sent_is_announced_once_and_downloads_as_sent(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 150, 11)
    os.makedirs(f"{root}/wis2")
    with wis2_node.Broker("relay", "s3cret") as broker, \
            wis2_node.HttpServer(f"{root}/wis2") as server, \
            wis2_node.Subscriber(broker) as subscriber:
        run = subprocess.run(wis2_arguments(root, broker, server, "--once", "--wis2-gts-hint",
                                            "--log", f"{root}/log"), timeout=300)
        assert run.returncode == 0
        counts = judge(root, inputs, check_values=False)
        # And the discovery record, then (the drops being days older than the
        # record's first announcement) its update reaching back to the
        # earliest drop.
        ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
        first_day = ledger.execute("SELECT min(file) FROM notifications WHERE input_id IS NOT NULL"
                                   ).fetchone()[0][:10].replace("/", "-")
        today = datetime.datetime.now(datetime.timezone.utc).date().isoformat()
        expected = counts["sent"] + counts.get("correction", 0) + (2 if first_day < today else 1)
        messages = subscriber.wait_for(expected)
        time.sleep(0.2)  # (nothing more may come: a repeat would show now)
        messages = subscriber.messages
        assert len(messages) == expected
        problems = [p for topic, payload, retain in messages
                    for p in wis2_node.judge_notification(topic, payload, retain, CENTRE)]
        assert not problems, problems[:5]
        sent = dict(ledger.execute(
            "SELECT i.place, b.heading FROM inputs AS i JOIN bulletins AS b "
            "ON b.id = i.bulletin_id WHERE i.outcome IN ('sent', 'correction') ORDER BY i.id"))
        drops = announced(messages)
        files, documents = [], []
        for data_id, notes in drops.items():
            # A drop's first announcement is canonical, each correction an
            # update under the same data_id.
            assert [rel for rel, _, _ in notes] == ["canonical"] + ["update"] * (len(notes) - 1)
            for _, _, note in notes:
                data, problems = wis2_node.fetch_and_check(note)
                assert not problems, problems
                files.append(data)
                assert note["properties"]["gts"]["cccc"] == "KWBC"
        assert sum(len(notes) for notes in drops.values()) == len(sent)
        assert len({note["id"] for notes in drops.values() for _, _, note in notes}) == len(sent)
        # Each file decodes to the values of the drop as the JSON export
        # gives them (files in the order the ledger sent them).
        by_href = {note["links"][0]["href"]: data
                   for notes in drops.values() for _, _, note in notes
                   for data in [wis2_node.fetch_and_check(note)[0]]}
        ordered = ledger.execute(
            "SELECT n.file, n.update_sequence, i.place FROM notifications AS n JOIN inputs AS i "
            "ON i.id = n.input_id ORDER BY n.id").fetchall()
        with open(f"{root}/wis2.bufr", "wb") as out:
            for file, _, _ in ordered:
                out.write(by_href[f"{server.base_url}/{file}"])
        export = subprocess.run([XBT, "export", "--format", "json", "--stdout", "--now", NOW] +
                                [f"{root}/archive/{place}" for _, _, place in ordered],
                                capture_output=True, check=True)
        with open(f"{root}/wis2.jsonl", "w") as out:
            for line, (_, sequence, _) in zip(export.stdout.splitlines(), ordered):
                out.write(json.dumps(dict(json.loads(line), update_sequence=sequence)) + "\n")
        # Each notification says where and when its drop was, as the export
        # does, and names the bulletin that carried it.
        for line, (file, _, place) in zip(export.stdout.splitlines(), ordered):
            drop = json.loads(line)
            note = next(note for notes in drops.values() for _, _, note in notes
                        if note["links"][0]["href"] == f"{server.base_url}/{file}")
            assert note["geometry"]["coordinates"] == pytest.approx(
                [drop["longitude"], drop["latitude"]], abs=1e-6)
            assert (datetime.datetime.fromisoformat(note["properties"]["datetime"]) ==
                    datetime.datetime.fromisoformat(drop["time"]))
            assert note["properties"]["gts"]["ttaaii"] == sent[place].split()[0]
        open(f"{root}/none.txt", "w").close()
        checked = subprocess.run([sys.executable, os.environ["CHECK_BUFR"], f"{root}/wis2.bufr",
                                  f"{root}/wis2.jsonl", f"{root}/none.txt", "7", "0", "31"],
                                 capture_output=True, text=True)
        assert checked.returncode == 0, checked.stdout[-2000:]
        # The discovery record, announced and served, its time from the
        # earliest drop's day on.
        record_notes = [json.loads(payload) for topic, payload, _ in messages
                        if topic == wis2_node.metadata_topic(CENTRE)]
        assert [note["links"][0]["rel"] for note in record_notes] == \
            ["canonical", "update"][:len(record_notes)]
        record, problems = wis2_node.fetch_and_check(record_notes[-1])
        assert not problems and not wis2_node.judge_record(record, CENTRE), problems
        assert json.loads(record)["time"]["interval"] == [first_day, ".."]
        assert ledger.execute("SELECT count(*) FROM notifications WHERE state != 'published'"
                              ).fetchone()[0] == 0
        # A second run announces nothing again, the record unchanged; a
        # third with the record changed announces that alone, as an update.
        assert subprocess.run(wis2_arguments(root, broker, server, "--once"),
                              timeout=60).returncode == 0
        time.sleep(0.2)
        assert len(subscriber.messages) == expected
        assert subprocess.run(wis2_arguments(root, broker, server, "--once", "--wis2-title",
                                             "XBT profiles of the test centre"),
                              timeout=60).returncode == 0
        topic, payload, _ = subscriber.wait_for(expected + 1)[-1]
        assert topic == wis2_node.metadata_topic(CENTRE)
        assert json.loads(payload)["links"][0]["rel"] == "update"
        record, problems = wis2_node.fetch_and_check(json.loads(payload))
        assert not problems and b"XBT profiles of the test centre" in record


def test_a_broker_away_holds_up_nothing_and_gets_everything_once_back(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 60, 13)
    os.makedirs(f"{root}/wis2")
    log = f"{root}/log"
    with wis2_node.Broker("relay", "s3cret") as broker, \
            wis2_node.HttpServer(f"{root}/wis2") as server, \
            wis2_node.Subscriber(broker) as subscriber:
        broker.stop()
        # --once with the broker away: the GTS gets everything; the run's
        # work is not done, so it says so.
        run = subprocess.run(wis2_arguments(root, broker, server, "--once", "--log", log,
                                            "--log-format", "json"), timeout=120)
        assert run.returncode == 1
        counts = judge(root, inputs, check_values=False)
        said = [line["message"] for line in log_lines(log) if line.get("event") == "wis2"]
        assert len([m for m in said if "unreachable" in m]) == 1, said
        # A running relay: the broker comes back, what waited goes out once.
        relay = subprocess.Popen(wis2_arguments(root, broker, server, "--log", log,
                                                "--log-format", "json"))
        try:
            wait_for(lambda: sum("unreachable" in line.get("message", "")
                                 for line in log_lines(log)) == 2, relay)
            broker.start()
            subscriber.wait_subscribed(times=2)
            messages = subscriber.wait_for(counts["sent"] + counts.get("correction", 0) + 1)
            wait_for(lambda: any("is back" in line.get("message", "") for line in log_lines(log)),
                     relay)
        finally:
            relay.send_signal(signal.SIGTERM)
            assert relay.wait(timeout=60) == 0
        drops = announced(messages)
        assert sum(len(notes) for notes in drops.values()) == counts["sent"] + counts.get("correction", 0)
        # No GTS hint unless asked for: the relay sends to the GTS itself.
        assert not any("gts" in note["properties"] for notes in drops.values()
                       for _, _, note in notes)
        said = [line["message"] for line in log_lines(log) if line.get("event") == "wis2"]
        assert sum("unreachable" in m for m in said) == 2 and sum("back" in m for m in said) == 1
        # What the broker has is not kept: the ledger does not grow by a
        # message with every drop.
        ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
        assert ledger.execute("SELECT count(*) FROM notification_messages").fetchone() == (0,)


def test_kills_at_random_moments_announce_every_drop_and_repeat_only_an_id(tmp_path):
    root = str(tmp_path)
    inputs = generate(f"{root}/inbox", 300, 29)
    os.makedirs(f"{root}/wis2")
    chooser = random.Random(int(os.environ.get("RELAY_SEED", "5")))
    log = f"{root}/log"
    with wis2_node.Broker("relay", "s3cret") as broker, \
            wis2_node.HttpServer(f"{root}/wis2") as server, \
            wis2_node.Subscriber(broker) as subscriber:
        for _ in range(int(os.environ.get("RELAY_KILLS", "8"))):
            starts = open(log).read().count('"started"') if os.path.exists(log) else 0
            process = subprocess.Popen(wis2_arguments(root, broker, server, "--once", "--log", log,
                                                      "--log-format", "json"))
            while process.poll() is None and \
                    (not os.path.exists(log) or open(log).read().count('"started"') == starts):
                time.sleep(0.001)
            time.sleep(chooser.uniform(0, 0.3))
            process.send_signal(signal.SIGKILL)
            if process.wait() == 0:
                break
        assert subprocess.run(wis2_arguments(root, broker, server, "--once", "--log", log,
                                             "--log-format", "json"), timeout=300).returncode == 0
        counts = judge(root, inputs, check_values=False)
        ledger = sqlite3.connect(f"{root}/state/ledger.sqlite")
        expected = dict(ledger.execute("SELECT file, uuid FROM notifications WHERE input_id IS NOT "
                                       "NULL"))
        assert len(expected) == counts["sent"] + counts.get("correction", 0)
        subscriber.wait_for(len(expected))
        time.sleep(0.2)
        ids = collections.defaultdict(set)
        for _, notes in announced(subscriber.messages).items():
            for _, uuid, note in notes:
                ids["/".join(note["links"][0]["href"].split("/")[-4:])].add(uuid)
        # Every drop announced; one announced twice, only under its one id.
        assert {file: next(iter(uuids)) for file, uuids in ids.items()} == expected
        assert all(len(uuids) == 1 for uuids in ids.values())
