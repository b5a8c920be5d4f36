"""Tests of the note-service stand-in, run against a real server process.

    python3 -m unittest -v test_noteservice
"""

import hashlib
import http.client
import json
import os
import re
import shutil
import socket
import ssl
import subprocess
import sys
import tempfile
import threading
import time
import unittest
import urllib.error
import urllib.request
import zlib

HERE = os.path.dirname(os.path.abspath(__file__))
SERVER = os.path.join(HERE, "noteservice.py")
SALT = "(q7w2e9rtz)54abKLmnop8yuD~8421ghj]{[}xvb}[907T"


def digest(password):
    return hashlib.md5((SALT + password).encode("utf-8")).hexdigest()


class Server:
    """A server process on a free port; its first stdout line gives the address."""

    def __init__(self, *extra):
        self.dir = tempfile.mkdtemp(prefix="noteservice-test-")
        self.proc = subprocess.Popen([sys.executable, SERVER, "--port", "0", "--db",
                                      os.path.join(self.dir, "service.db")] + list(extra),
                                     stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
        line = []
        reader = threading.Thread(target=lambda: line.append(self.proc.stdout.readline()), daemon=True)
        reader.start()
        reader.join(15)
        if not line or not line[0].startswith("listening on "):
            self.stop()
            raise RuntimeError("server did not start: %r" % (line,))
        self.line = line[0].strip()
        self.url = self.line.split()[2]
        self.port = int(self.url.rsplit(":", 1)[1])

    def stop(self):
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(5)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait(5)
        self.proc.stdout.close()
        self.proc.stderr.close()
        shutil.rmtree(self.dir, ignore_errors=True)


SRV = None


def setUpModule():
    global SRV
    SRV = Server("--seed")


def tearDownModule():
    SRV.stop()


def post(path, payload, headers=None, timeout=10, context=None, base=None):
    data = payload if isinstance(payload, bytes) else json.dumps(payload).encode("utf-8")
    req = urllib.request.Request((base or SRV.url) + path, data=data, headers=headers or {})
    with urllib.request.urlopen(req, timeout=timeout, context=context) as reply:
        return reply.read()


def get(path, timeout=10):
    with urllib.request.urlopen(SRV.url + path, timeout=timeout) as reply:
        return reply.status, reply.headers, reply.read()


def call(action, body=None, session=None, omit_body=False):
    request = {"action": action, "_client_software": "win_notes"}
    if not omit_body:
        request["body"] = body
    headers = {"Marrowgate-Session-ID": session} if session else {}
    return json.loads(post("/", request, headers))


def control(op, **kw):
    kw["op"] = op
    reply = json.loads(post("/_control", kw))
    assert reply["ok"], reply
    return reply


_counter = [0]


def new_account():
    _counter[0] += 1
    email = "user%d-%d@example.com" % (os.getpid(), _counter[0])
    assert call("user:register", {"email": email, "password": "secret-pass", "service": "pelora",
                                  "languages": None})["errorCode"] == 0
    reply = call("user:auth", {"email": email, "password": digest("secret-pass"), "hauth": True})
    assert reply["errorCode"] == 0, reply
    return email, reply["body"]["sessionid"]


def folder(gid, title, parent="root"):
    return {"global_id": gid, "type": "folder", "parent_id": parent, "title": title, "index": 0,
            "date_added_user": 1000, "date_updated_user": 1000, "date_added": 1000, "date_updated": 1000}


def note(gid, parent, title, text="<p>x</p>", **extra):
    obj = {"global_id": gid, "type": "note", "parent_id": parent, "title": title, "text": text, "index": 0,
           "url": "", "root_parent_id": "", "editnote": 1, "date_added_user": 1000, "date_updated_user": 1000,
           "date_added": 1000, "date_updated": 1000, "pagecolor": 0xFFFFFF, "reminder": None,
           "attachements": [], "tags": [], "todo": []}
    obj.update(extra)
    return obj


def store(session, objects, tags=None):
    body = {"store": {"notes": objects}}
    if tags is not None:
        body["store"]["tags"] = tags
    return call("notes:update", body, session)


def changes(session, since, what="structure"):
    reply = call("notes:get", {"last_update_time": str(since), "returnData": what}, session)
    assert reply["errorCode"] == 0, reply
    return reply["body"]


def multipart(field, filename, data, ctype):
    boundary = "----pelora-test-boundary-7c1f"
    head = ('--%s\r\nContent-Disposition: form-data; name="%s"; filename="%s"\r\nContent-Type: %s\r\n\r\n'
            % (boundary, field, filename, ctype)).encode("utf-8")
    return head + data + ("\r\n--%s--\r\n" % boundary).encode(), "multipart/form-data; boundary=" + boundary


def upload(session, data, name="blob.bin", ctype="application/octet-stream"):
    body, content_type = multipart("file", name, data, ctype)
    headers = {"Content-Type": content_type}
    if session:
        headers["Marrowgate-Session-ID"] = session
    return json.loads(post("/files:preupload", body, headers))


class EnvelopeTest(unittest.TestCase):
    def test_malformed_requests_get_error_replies(self):
        _, session = new_account()
        cases = [
            ("unreadable JSON", b"{not json", {}, -1),
            ("not an object", b"[1, 2]", {}, -1),
            ("no client software", {"action": "notes:get", "body": {}}, {}, -1),
            ("unknown action", {"action": "notes:fly", "body": None, "_client_software": "win_notes"}, {}, -2),
            ("no session", {"action": "notes:get", "body": {}, "_client_software": "win_notes"}, {}, -5),
            ("unknown session", {"action": "notes:get", "body": {}, "_client_software": "win_notes"},
             {"Marrowgate-Session-ID": "deadbeef"}, -5),
            ("body not object", {"action": "notes:get", "body": "x", "_client_software": "win_notes"},
             {"Marrowgate-Session-ID": session}, -9),
            ("store of a nameless note", {"action": "notes:update", "_client_software": "win_notes",
                                          "body": {"store": {"notes": [{"type": "note"}]}}},
             {"Marrowgate-Session-ID": session}, -9),
        ]
        for name, payload, headers, code in cases:
            with self.subTest(name):
                reply = json.loads(post("/", payload, headers))
                self.assertEqual(reply["errorCode"], code)
                self.assertIsInstance(reply["body"]["_errorDesc"], str)
        # Still serving after all of that.
        self.assertEqual(call("user:info", session=session, omit_body=True)["errorCode"], 0)


class AccountTest(unittest.TestCase):
    def test_register_then_login_with_digest(self):
        email = "Reg.Test@Example.com"
        body = {"email": email, "password": "päss wörd 1", "service": "pelora", "languages": None}
        self.assertEqual(call("user:register", body)["errorCode"], 0)
        self.assertEqual(call("user:register", body)["errorCode"], -4)
        # The older form, keys at the top level, knows the same accounts.
        old = json.loads(post("/", {"action": "user_register", "email": email.lower(), "password": "x",
                                    "_client_software": "win_notes"}))
        self.assertEqual(old["errorCode"], -4)
        self.assertEqual(call("user:register", {"email": "no-at-sign", "password": "12345678"})["errorCode"], -9)

        wrong = call("user:auth", {"email": email, "password": digest("wrong"), "hauth": True})
        self.assertEqual(wrong["errorCode"], -3)
        reply = call("user:auth", {"email": " reg.test@example.com ", "password": digest("päss wörd 1"),
                                   "hauth": True})
        self.assertEqual(reply["errorCode"], 0)
        info = reply["body"]["info"]
        self.assertRegex(info["register_date"], r"^\d{4}-\d{2}-\d{2}$")
        self.assertIsInstance(info["days_to_quota_reset"], int)
        for value in (info["usage"]["notes"]["max"], info["usage"]["notes"]["current"],
                      info["limits"]["NOTES_MAX_SIZE"], info["limits"]["NOTES_MONTH_USAGE_QUOTA"],
                      info["limits"]["NOTES_MAX_ATTACHMENT_SIZE"]):
            self.assertIsInstance(value, int)
        session = reply["body"]["sessionid"]
        self.assertIn("@", call("notes:account", session=session)["body"]["notes_email"])
        self.assertEqual(call("user:info", session=session, omit_body=True)["body"]["register_date"],
                         info["register_date"])

    def test_seeded_demo_account(self):
        reply = call("user:auth", {"email": "demo@example.com", "password": digest("demo"), "hauth": True})
        self.assertEqual(reply["errorCode"], 0)
        body = changes(reply["body"]["sessionid"], 0)
        kinds = [o["type"] for o in body["notes"]]
        self.assertGreaterEqual(kinds.count("folder"), 3)
        self.assertGreaterEqual(kinds.count("note"), 3)
        self.assertTrue({"work", "food"} <= set(body["tags"]))


class SyncTest(unittest.TestCase):
    def test_change_sets_follow_time_stamps(self):
        _, session = new_account()
        start = changes(session, 0)
        self.assertEqual((start["notes"], start["removedItems"]), ([], []))
        s0 = int(start["last_update_time"])

        r1 = store(session, [folder("F1", "Folder one")], tags=["alpha"])
        self.assertEqual(r1["errorCode"], 0)
        s1 = r1["body"]["last_update_time"]
        r2 = store(session, [note("N1", "F1", "First", "<p>Hello <b>world</b></p>", tags=["beta"],
                                  todo=[{"global_id": "T1", "label": "do it", "checked": True}],
                                  reminder={"date": 2000, "lat": 0, "lng": 0, "priority": 2, "interval": 0})])
        s2 = r2["body"]["last_update_time"]
        self.assertTrue(s0 < s1 < s2, (s0, s1, s2))

        body = changes(session, s0)
        self.assertEqual(int(body["last_update_time"]), s2)
        self.assertEqual(sorted(body["tags"]), ["alpha", "beta"])
        objs = {o["global_id"]: o for o in body["notes"]}
        self.assertEqual(objs["F1"]["date_updated"], s1)
        n1 = objs["N1"]
        self.assertEqual(n1["date_updated"], s2)
        self.assertNotIn("text", n1)
        self.assertEqual(n1["text_short"], "Hello world")
        self.assertEqual((n1["shared"], n1["editnote"], n1["pagecolor"]), (0, 1, 0xFFFFFF))
        self.assertEqual(n1["todo"], [{"global_id": "T1", "label": "do it", "checked": True}])
        self.assertEqual(n1["reminder"]["date"], 2000)

        self.assertEqual([o["global_id"] for o in changes(session, s1)["notes"]], ["N1"])
        self.assertEqual(changes(session, s2)["notes"], [])
        # A stamp this service never gave (another database) is answered with everything.
        self.assertEqual(len(changes(session, s2 + 10 ** 6)["notes"]), 2)
        # The same second twice still gives two stamps.
        s3 = store(session, [note("N1", "F1", "First, edited")])["body"]["last_update_time"]
        s4 = store(session, [note("N1", "F1", "First, again")])["body"]["last_update_time"]
        self.assertTrue(s2 < s3 < s4)

        one = call("notes:get", {"last_update_time": str(s4), "returnData": "all", "limit": {"global_id": "N1"}},
                   session)["body"]["notes"]
        self.assertEqual([(o["title"], o["text"]) for o in one], [("First, again", "<p>x</p>")])

    def test_removals_leave_tombstones(self):
        _, session = new_account()
        store(session, [folder("FA", "A"), folder("FB", "B", "FA"), folder("FC", "C")])
        store(session, [note("NA", "FA", "a"), note("NB", "FB", "b"), note("NC", "FC", "c")])
        before = int(changes(session, 0)["last_update_time"])

        reply = call("notes:update", {"remove": {"notes": ["FA", "unknown-id"], "tags": []}}, session)
        self.assertEqual(reply["errorCode"], 0)
        self.assertGreater(reply["body"]["last_update_time"], before)
        body = changes(session, before)
        removed = {(r["global_id"], r["type"]) for r in body["removedItems"]}
        self.assertEqual(removed, {("FA", "folder"), ("FB", "folder"), ("NA", "note"), ("NB", "note")})
        self.assertEqual(body["notes"], [])
        left = {o["global_id"] for o in changes(session, 0)["notes"]}
        self.assertEqual(left, {"FC", "NC"})

        # A late edit of a removed note is refused with -19, the rest of the batch is kept.
        late = store(session, [note("NA", "FC", "late edit"), note("NC", "FC", "kept")])
        self.assertEqual(late["errorCode"], -19)
        self.assertEqual(late["body"]["skipped"], ["NA"])
        titles = {o["global_id"]: o["title"] for o in changes(session, 0)["notes"]}
        self.assertEqual(titles, {"FC": "C", "NC": "kept"})

        store(session, [note("NC", "FC", "c", tags=["t1", "t2"])])
        call("notes:update", {"remove": {"tags": ["t1"]}}, session)
        body = changes(session, 0)
        self.assertEqual(body["tags"], ["t2"])
        self.assertEqual([o["tags"] for o in body["notes"] if o["type"] == "note"], [["t2"]])

    def test_quota_and_unknown_upload_errors(self):
        email, session = new_account()
        control("limits", email=email, max_note_size=100)
        reply = store(session, [note("BIG", "default", "big", "x" * 101)])
        self.assertEqual((reply["errorCode"], reply["body"]["_errorDesc"]), (-20, "note_too_large"))
        control("limits", email=email, max_note_size=1000, quota=150, usage=100)
        reply = store(session, [note("MID", "default", "mid", "y" * 60)])
        self.assertEqual((reply["errorCode"], reply["body"]["_errorDesc"]), (-20, "usage_quota_exceed"))
        info = call("user:info", session=session, omit_body=True)["body"]
        self.assertEqual(info["usage"]["notes"], {"max": 150, "current": 100})

        control("limits", email=email, quota=1 << 30, usage=0)
        reply = store(session, [note("ATT", "default", "att", attachements=[
            {"global_id": "A1", "tempname": "no-such-upload", "type": "", "type_extra": "",
             "display_name": "a.bin", "in_list": 1}])])
        self.assertEqual(reply["errorCode"], -23)
        self.assertEqual(changes(session, 0)["notes"], [])


class FileTest(unittest.TestCase):
    def test_upload_attach_download_remove(self):
        _, session = new_account()
        data = bytes(range(256)) * 40 + b"\r\n--not-a-boundary\r\n" + os.urandom(3000)
        self.assertEqual(upload(None, data)["errorCode"], -5)
        reply = upload(session, data, "Bild ä.png", "image/png")
        self.assertEqual(reply["errorCode"], 0)
        tempname = reply["body"]["files"]["file"]

        att = {"global_id": "ATT1", "tempname": tempname, "type": "", "type_extra": "",
               "display_name": "Bild ä.png", "in_list": 1}
        self.assertEqual(store(session, [note("NF", "default", "with file", attachements=[att])])["errorCode"], 0)
        # The same upload name again (the client keeps it as the server id) is still accepted.
        self.assertEqual(store(session, [note("NF", "default", "edited", attachements=[att])])["errorCode"], 0)
        obj = changes(session, 0, "all")["notes"][0]
        self.assertEqual(len(obj["attachements"]), 1)
        got = obj["attachements"][0]
        self.assertEqual((got["global_id"], got["mime"], got["size"], got["display_name"], got["in_list"]),
                         ("ATT1", "image/png", len(data), "Bild ä.png", 1))
        token = got["location"].rsplit("/", 1)[1]
        self.assertGreaterEqual(len(token), 24)
        status, headers, downloaded = get(got["location"][len(SRV.url):])
        self.assertEqual((status, headers["Content-Type"]), (200, "image/png"))
        self.assertEqual(downloaded, data)

        before = int(changes(session, 0)["last_update_time"])
        call("notes:update", {"remove": {"attachements": ["ATT1"]}}, session)
        self.assertEqual([(r["global_id"], r["type"]) for r in changes(session, before)["removedItems"]],
                         [("ATT1", "attachement")])
        with self.assertRaises(urllib.error.HTTPError) as ctx:
            get(got["location"][len(SRV.url):])
        self.assertEqual(ctx.exception.code, 404)


class UpdateCheckTest(unittest.TestCase):
    def tearDown(self):
        control("options", update_reply="209|2.0.9|{base}/download/pelora-setup.exe")

    def test_plain_text_reply(self):
        status, headers, text = get("/repo/win-notes/?v=0")
        number, version, url = text.decode().split("|")
        self.assertEqual((status, number, version), (200, "209", "2.0.9"))
        self.assertTrue(headers["Content-Type"].startswith("text/plain"))
        self.assertEqual(get(url[len(SRV.url):])[2][:2], b"MZ")
        control("options", update_reply="210|2.1.0|http://example.invalid/setup.exe")
        self.assertEqual(get("/repo/win-notes/?v=0")[2], b"210|2.1.0|http://example.invalid/setup.exe")


class ControlTest(unittest.TestCase):
    def tearDown(self):
        control("clear_faults")

    def test_forced_error_for_one_action_once(self):
        _, session = new_account()
        control("fault", target="notes:get", kind="error", code=-20, desc="usage_quota_exceed", times=1)
        self.assertEqual(call("user:info", session=session, omit_body=True)["errorCode"], 0)
        reply = call("notes:get", {"last_update_time": "0"}, session)
        self.assertEqual((reply["errorCode"], reply["body"]["_errorDesc"]), (-20, "usage_quota_exceed"))
        self.assertEqual(call("notes:get", {"last_update_time": "0"}, session)["errorCode"], 0)

    def test_garbage_drop_delay_stall(self):
        control("fault", target="user:auth", kind="garbage", times=1)
        raw = post("/", {"action": "user:auth", "body": {}, "_client_software": "win_notes"})
        with self.assertRaises(ValueError):
            json.loads(raw)

        control("fault", target="update", kind="drop", times=1)
        with self.assertRaises((http.client.HTTPException, ConnectionError, urllib.error.URLError)):
            get("/repo/win-notes/?v=0")

        control("fault", target="update", kind="delay", ms=300, times=1)
        began = time.monotonic()
        get("/repo/win-notes/?v=0")
        self.assertGreaterEqual(time.monotonic() - began, 0.28)

        # Headers and three bytes, then nothing: the reader times out.
        control("fault", target="update", kind="stall", seconds=2, after_bytes=3, times=1)
        conn = http.client.HTTPConnection("127.0.0.1", SRV.port, timeout=0.5)
        conn.request("GET", "/repo/win-notes/?v=0")
        reply = conn.getresponse()
        self.assertEqual(reply.status, 200)
        self.assertEqual(reply.read(3), b"209")
        with self.assertRaises(socket.timeout):
            reply.read(1)
        conn.close()

    def test_hold_waits_for_release_and_matches_the_body(self):
        _, session = new_account()
        # only the store naming HELD is held; it runs after the release, so it sees what came meanwhile
        control("fault", target="notes:update", kind="hold", match='"HELD"', times=1)
        self.assertEqual(store(session, [note("OTHER", "default", "passes")])["errorCode"], 0)
        done = []
        worker = threading.Thread(target=lambda: done.append(store(session, [note("HELD", "default", "late")])))
        worker.start()
        for _ in range(200):
            if control("held")["held"] == 1:
                break
            time.sleep(0.01)
        self.assertEqual(control("held")["held"], 1)
        first = store(session, [note("HELD", "default", "meanwhile")])   # the rule was used up
        self.assertEqual(first["errorCode"], 0)
        self.assertEqual(done, [])
        control("release")
        worker.join(10)
        self.assertEqual(done[0]["errorCode"], 0)
        self.assertGreater(done[0]["body"]["last_update_time"], first["body"]["last_update_time"])
        self.assertEqual(control("held")["held"], 0)

    def test_hostile_replies(self):
        control("fault", target="notes:account", kind="nested", depth=5000, times=1)
        raw = post("/", {"action": "notes:account", "body": None, "_client_software": "win_notes"})
        self.assertTrue(raw.startswith(b'{"errorCode":0,"body":' + b"[" * 5000 + b"]" * 5000))

        # streamed: the body has the size asked for and is one JSON object
        control("fault", target="notes:account", kind="huge", bytes=3 * (1 << 20) + 5, times=1)
        raw = post("/", {"action": "notes:account", "body": None, "_client_software": "win_notes"})
        self.assertEqual(len(raw), 3 * (1 << 20) + 5)
        self.assertEqual(len(json.loads(raw)["body"]["pad"]), len(raw) - 33)

        # a few kilobytes on the wire that expand to 64 MiB
        control("fault", target="download", kind="bomb", bytes=64 << 20, times=1)
        conn = http.client.HTTPConnection("127.0.0.1", SRV.port, timeout=10)
        conn.request("GET", "/files/anything", headers={"Accept-Encoding": "deflate"})
        reply = conn.getresponse()
        self.assertEqual(reply.getheader("Content-Encoding"), "deflate")
        wire = reply.read()
        conn.close()
        self.assertLess(len(wire), 1 << 20)
        self.assertEqual(len(zlib.decompress(wire)), 64 << 20)

        # the real reply, one byte every 100 ms
        control("fault", target="update", kind="trickle", ms=100, times=1)
        conn = http.client.HTTPConnection("127.0.0.1", SRV.port, timeout=10)
        began = time.monotonic()
        conn.request("GET", "/repo/win-notes/?v=0")
        reply = conn.getresponse()
        self.assertEqual(reply.read(4), b"209|")
        self.assertGreaterEqual(time.monotonic() - began, 0.3)
        conn.close()

    def test_answer_leaves_in_one_write_on_a_kept_connection(self):
        # headers and body arrive together, and the connection serves the next request
        sock = socket.create_connection(("127.0.0.1", SRV.port), timeout=10)
        try:
            for _ in range(2):
                sock.sendall(b"GET /repo/win-notes/?v=0 HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n")
                first = sock.recv(65536)
                self.assertIn(b"\r\n\r\n209|", first)
        finally:
            sock.close()

    def test_backup_restore_share_and_request_log(self):
        email, session = new_account()
        store(session, [folder("BF", "Kept")])
        store(session, [note("BN", "BF", "precious", "<p>gold</p>", tags=["keep"])])
        backup = control("backup", email=email)["global_id"]
        listed = call("notes:getBackups", None, session)["body"]
        self.assertEqual([(b["global_id"], b["count_notes"], b["count_folders"]) for b in listed], [(backup, 1, 1)])
        view = call("notes:viewBackup", {"global_id": backup}, session)["body"]
        self.assertEqual({(v["global_id"], v["type"], v["parent_id"]) for v in view},
                         {("BF", "folder", "root"), ("BN", "note", "BF")})
        self.assertEqual(call("notes:viewBackup", {"global_id": "nope"}, session)["errorCode"], -19)

        call("notes:update", {"remove": {"notes": ["BF"]}}, session)
        before = int(changes(session, 0)["last_update_time"])
        self.assertEqual(call("notes:restoreBackup", {"global_id": backup, "items": ["BN"]}, session)["errorCode"], 0)
        body = changes(session, before, "all")
        self.assertEqual(sorted((o["global_id"], o.get("text")) for o in body["notes"]),
                         [("BF", None), ("BN", "<p>gold</p>")])

        link = call("notes:share", {"global_id": ["BN"]}, session)["body"]["BN"]
        self.assertIn(b"<p>gold</p>", get(link[len(SRV.url):])[2])
        self.assertEqual([o["shared"] for o in changes(session, 0)["notes"] if o["type"] == "note"], [1])
        self.assertEqual(call("notes:share", {"global_id": ["missing"]}, session)["errorCode"], -19)
        self.assertEqual(call("notes:unshare", {"global_id": ["BN"]}, session)["errorCode"], 0)
        with self.assertRaises(urllib.error.HTTPError):
            get(link[len(SRV.url):])

        control("requests", clear=True)
        call("notes:get", {"last_update_time": "0"}, session)
        log = control("requests")["requests"]
        self.assertEqual([(r["action"], r["session"]) for r in log], [("notes:get", session)])

    def test_reset_empties_and_reseeds(self):
        email, session = new_account()
        control("reset", seed=True)
        self.assertEqual(call("user:info", session=session, omit_body=True)["errorCode"], -5)
        self.assertEqual(call("user:auth", {"email": email, "password": digest("secret-pass"),
                                            "hauth": True})["errorCode"], -3)
        self.assertEqual(call("user:auth", {"email": "demo@example.com", "password": digest("demo"),
                                            "hauth": True})["errorCode"], 0)


@unittest.skipUnless(shutil.which("openssl"), "openssl tool not installed")
class HttpsTest(unittest.TestCase):
    def test_tls_and_plain_http_on_one_port(self):
        srv = Server("--https")
        try:
            self.assertRegex(srv.line, r"^listening on https://127\.0\.0\.1:\d+ cert=.*cert\.pem$")
            context = ssl.create_default_context()
            context.check_hostname = False
            context.verify_mode = ssl.CERT_NONE
            reply = json.loads(post("/", {"action": "user:register", "_client_software": "win_notes",
                                          "body": {"email": "tls@example.com", "password": "12345678"}},
                                    context=context, base=srv.url))
            self.assertEqual(reply["errorCode"], 0)
            with urllib.request.urlopen("http://127.0.0.1:%d/repo/win-notes/?v=0" % srv.port, timeout=5) as r:
                self.assertTrue(re.match(rb"^209\|", r.read()))
        finally:
            srv.stop()


if __name__ == "__main__":
    unittest.main()
