#!/usr/bin/env python3
"""Local stand-in of the note service, for the client's tests and for manual runs.

Standard library only. One SQLite file holds accounts, sessions, folders and
notes, uploaded files and attachments, tags, tombstones, backups and share
links. See README.md beside this file for the protocol choices.

    python3 noteservice.py --port 0 --db PATH [--https] [--seed] [--verbose]
"""

import argparse
import contextlib
import hashlib
import html
import json
import math
import os
import re
import secrets
import shutil
import signal
import socket
import sqlite3
import ssl
import struct
import subprocess
import sys
import threading
import time
import traceback
import zlib
from collections import deque
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer
from urllib.parse import unquote, urlsplit

# The client digests "salt + password" with MD5 before it logs in; registration
# sends the plain password, so the service needs the same salt to store the
# digest that later logins are compared with.
PASSWORD_SALT = "(q7w2e9rtz)54abKLmnop8yuD~8421ghj]{[}xvb}[907T"
CLIENT_SOFTWARE = "win_notes"
SESSION_HEADER = "Marrowgate-Session-ID"
UPDATE_PATH = "/repo/win-notes/"

# Service error codes (the client maps only its own 2..8 range; ours are negative).
E_BAD_REQUEST = -1      # unreadable JSON, wrong envelope, request too large
E_UNKNOWN_ACTION = -2
E_BAD_LOGIN = -3
E_USER_EXISTS = -4      # the registration dialog has a message of its own for it
E_NO_SESSION = -5
E_INVALID = -9          # a body key is missing or of the wrong kind
E_NOT_FOUND = -19       # no such item here (removed, never uploaded, unknown backup)
E_QUOTA = -20           # with "_errorDesc": note_too_large / usage_quota_exceed / attachment_too_large
E_UPLOAD_UNKNOWN = -23  # an attachment names an upload ("tempname") this service does not hold
E_INTERNAL = -99

DEFAULT_LIMITS = {"quota": 1 << 30, "max_note_size": 16 << 20, "max_attachment_size": 256 << 20}
MAX_BODY = 512 << 20
UINT32_MAX = 0xFFFFFFFF
DEFAULT_UPDATE_REPLY = "209|2.0.9|{base}/download/pelora-setup.exe"
FAULT_KINDS = ("delay", "stall", "drop", "garbage", "error", "hold", "trickle", "nested", "huge", "bomb")
# Hostile replies: "nested", "huge" and "bomb" answer in place of the action.
HOSTILE_KINDS = ("nested", "huge", "bomb")
HUGE_CHUNK = 1 << 20
GARBAGE = b"<html><body>502 Bad Gateway (not JSON)</body></html>\n"

SCHEMA = """
CREATE TABLE IF NOT EXISTS meta(key TEXT PRIMARY KEY, value TEXT);
CREATE TABLE IF NOT EXISTS accounts(
    id INTEGER PRIMARY KEY, email TEXT UNIQUE NOT NULL, digest TEXT NOT NULL,
    register_date TEXT NOT NULL, quota INTEGER NOT NULL, max_note_size INTEGER NOT NULL,
    max_attachment_size INTEGER NOT NULL, usage_month TEXT NOT NULL, usage_bytes INTEGER NOT NULL);
CREATE TABLE IF NOT EXISTS sessions(id TEXT PRIMARY KEY, account_id INTEGER NOT NULL, created INTEGER);
CREATE TABLE IF NOT EXISTS items(
    account_id INTEGER NOT NULL, global_id TEXT NOT NULL, type TEXT NOT NULL, parent_id TEXT NOT NULL,
    date_updated INTEGER NOT NULL, data TEXT NOT NULL, PRIMARY KEY(account_id, global_id));
CREATE INDEX IF NOT EXISTS items_by_time ON items(account_id, date_updated);
CREATE TABLE IF NOT EXISTS files(
    id TEXT PRIMARY KEY, account_id INTEGER NOT NULL, name TEXT, mime TEXT, size INTEGER, data BLOB, created INTEGER);
CREATE TABLE IF NOT EXISTS attachments(
    account_id INTEGER NOT NULL, global_id TEXT NOT NULL, note_id TEXT NOT NULL, file_id TEXT NOT NULL,
    display_name TEXT, in_list INTEGER, date_added INTEGER, token TEXT UNIQUE NOT NULL,
    PRIMARY KEY(account_id, global_id));
CREATE TABLE IF NOT EXISTS tags(account_id INTEGER NOT NULL, name TEXT NOT NULL, PRIMARY KEY(account_id, name));
CREATE TABLE IF NOT EXISTS tombstones(
    account_id INTEGER NOT NULL, global_id TEXT NOT NULL, type TEXT NOT NULL, stamp INTEGER NOT NULL,
    PRIMARY KEY(account_id, global_id));
CREATE TABLE IF NOT EXISTS backups(
    global_id TEXT PRIMARY KEY, account_id INTEGER NOT NULL, date INTEGER, count_notes INTEGER,
    count_folders INTEGER, snapshot TEXT);
CREATE TABLE IF NOT EXISTS shares(token TEXT PRIMARY KEY, account_id INTEGER NOT NULL, note_id TEXT NOT NULL);
"""
TABLES = ("meta", "accounts", "sessions", "items", "files", "attachments", "tags", "tombstones", "backups", "shares")


class ApiError(Exception):
    def __init__(self, code, desc):
        super().__init__(desc)
        self.code = code
        self.desc = desc


def password_digest(password):
    """Lowercase hex MD5 of salt + UTF-8 password, as the client sends it."""
    return hashlib.md5((PASSWORD_SALT + password).encode("utf-8")).hexdigest()


# ---- value normalisation: what goes out must have the JSON type the client reads ----

def _uint(v, default=0, limit=UINT32_MAX):
    try:
        n = int(v)
    except (TypeError, ValueError, OverflowError):
        return default
    return min(max(n, 0), limit)


def _int32(v, default=0):
    try:
        n = int(v)
    except (TypeError, ValueError, OverflowError):
        return default
    return min(max(n, -(1 << 31)), (1 << 31) - 1)


def _num(v, default=0.0):
    if isinstance(v, bool) or not isinstance(v, (int, float)):
        return default
    if isinstance(v, float) and not math.isfinite(v):
        return default
    return v


def _text(v, default=""):
    return v if isinstance(v, str) else default


def _index(v):
    n = _num(v, 0)
    return int(n) if float(n).is_integer() and abs(n) < (1 << 53) else n


def preview_text(markup, limit=200):
    s = re.sub(r"(?is)<(style|script)\b.*?</\1\s*>", " ", markup)
    s = re.sub(r"(?s)<!--.*?-->|<[^>]*>", " ", s)
    s = " ".join(html.unescape(s).split())
    return s[:limit]


def normalise_reminder(r):
    if not isinstance(r, dict):
        return None
    return {"date": _int32(r.get("date")), "lat": float(_num(r.get("lat"))), "lng": float(_num(r.get("lng"))),
            "priority": _int32(r.get("priority"), 2), "interval": _int32(r.get("interval"))}


def normalise_item(obj, stamp):
    """The stored form of a note or folder object sent by a client."""
    data = {
        "title": _text(obj.get("title")),
        "parent_id": _text(obj.get("parent_id")) or "root",
        "index": _index(obj.get("index")),
        "date_added_user": _uint(obj.get("date_added_user")),
        "date_added": _uint(obj.get("date_added")),
        "date_updated_user": _uint(obj.get("date_updated_user")),
    }
    for key in ("date_added", "date_added_user", "date_updated_user"):
        data[key] = data[key] or stamp
    if obj.get("type") == "note":
        text = _text(obj.get("text"))
        tags = obj.get("tags") if isinstance(obj.get("tags"), list) else []
        todo = obj.get("todo") if isinstance(obj.get("todo"), list) else []
        data.update({
            "text": text,
            "text_short": _text(obj.get("text_short")) or preview_text(text),
            "root_parent_id": _text(obj.get("root_parent_id")),
            "editnote": _int32(obj.get("editnote"), 1),
            "url": _text(obj.get("url")),
            "location_lat": float(_num(obj.get("location_lat"))),
            "location_lng": float(_num(obj.get("location_lng"))),
            "reminder": normalise_reminder(obj.get("reminder")),
            "tags": list(dict.fromkeys(t.strip() for t in tags if isinstance(t, str) and t.strip())),
            "todo": [{"global_id": _text(t.get("global_id")), "label": _text(t.get("label")),
                      "checked": bool(t.get("checked"))} for t in todo if isinstance(t, dict)],
        })
        if "pagecolor" in obj:
            data["pagecolor"] = _int32(obj.get("pagecolor"), 0xFFFFFF)
        if isinstance(obj.get("text_attachment_global_id"), str):
            data["text_attachment_global_id"] = obj["text_attachment_global_id"]
    return data


def tiny_png(width=16, height=16, rgb=(0x2B, 0x8C, 0xD1)):
    raw = b"".join(b"\x00" + bytes(rgb) * width for _ in range(height))

    def chunk(kind, payload):
        return (struct.pack(">I", len(payload)) + kind + payload
                + struct.pack(">I", zlib.crc32(kind + payload) & 0xFFFFFFFF))
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
            + chunk(b"IDAT", zlib.compress(raw)) + chunk(b"IEND", b""))


class LazyStamp:
    def __init__(self, service, db):
        self.service, self.db, self.value = service, db, None

    def __call__(self):
        if self.value is None:
            self.value = self.service.new_stamp(self.db)
        return self.value


class NoteService:
    """The service's data and actions. Every database access holds one lock."""

    def __init__(self, db_path):
        self.db = sqlite3.connect(db_path, check_same_thread=False, isolation_level=None)
        self.db.row_factory = sqlite3.Row
        self.db.executescript(SCHEMA)
        self.lock = threading.RLock()
        self.actions = {
            "user:auth": (self.act_auth, False),
            "user:register": (self.act_register, False),
            "user_register": (self.act_register, False),
            "user:info": (self.act_user_info, True),
            "notes:account": (self.act_notes_account, True),
            "notes:get": (self.act_get, True),
            "notes:update": (self.act_update, True),
            "notes:share": (self.act_share, True),
            "notes:unshare": (self.act_unshare, True),
            "notes:getBackups": (self.act_get_backups, True),
            "notes:viewBackup": (self.act_view_backup, True),
            "notes:restoreBackup": (self.act_restore_backup, True),
        }

    @contextlib.contextmanager
    def transaction(self):
        with self.lock:
            self.db.execute("BEGIN IMMEDIATE")
            try:
                yield self.db
            except BaseException:
                self.db.execute("ROLLBACK")
                raise
            self.db.execute("COMMIT")

    # ---- time stamps: strictly increasing, one per writing request ----

    def last_stamp(self, db):
        row = db.execute("SELECT value FROM meta WHERE key='last_stamp'").fetchone()
        return int(row[0]) if row else 0

    def new_stamp(self, db):
        stamp = max(int(time.time()), self.last_stamp(db) + 1)
        db.execute("INSERT OR REPLACE INTO meta(key, value) VALUES('last_stamp', ?)", (str(stamp),))
        return stamp

    def lazy_stamp(self, db):
        """A stamp taken on first use, so a request that writes nothing takes none."""
        return LazyStamp(self, db)

    # ---- accounts ----

    def create_account(self, db, email, digest):
        db.execute("INSERT INTO accounts(email, digest, register_date, quota, max_note_size, max_attachment_size,"
                   " usage_month, usage_bytes) VALUES(?,?,?,?,?,?,?,0)",
                   (email, digest, time.strftime("%Y-%m-%d", time.gmtime()), DEFAULT_LIMITS["quota"],
                    DEFAULT_LIMITS["max_note_size"], DEFAULT_LIMITS["max_attachment_size"], self.month()))
        return db.execute("SELECT * FROM accounts WHERE email=?", (email,)).fetchone()

    @staticmethod
    def month():
        return time.strftime("%Y-%m", time.gmtime())

    def usage(self, acc):
        return acc["usage_bytes"] if acc["usage_month"] == self.month() else 0

    def add_usage(self, db, acc, nbytes):
        db.execute("UPDATE accounts SET usage_bytes=?, usage_month=? WHERE id=?",
                   (self.usage(acc) + nbytes, self.month(), acc["id"]))

    def check_quota(self, acc, nbytes):
        if self.usage(acc) + nbytes > acc["quota"]:
            raise ApiError(E_QUOTA, "usage_quota_exceed")

    def account_info(self, acc):
        now = time.gmtime()
        year, mon = (now.tm_year + 1, 1) if now.tm_mon == 12 else (now.tm_year, now.tm_mon + 1)
        reset = time.mktime((year, mon, 1, 0, 0, 0, 0, 0, 0)) - time.mktime(
            (now.tm_year, now.tm_mon, now.tm_mday, 0, 0, 0, 0, 0, 0))
        return {
            "register_date": acc["register_date"],
            "days_to_quota_reset": int(round(reset / 86400)),
            "usage": {"notes": {"max": acc["quota"], "current": self.usage(acc)}},
            "limits": {"NOTES_MAX_SIZE": acc["max_note_size"], "NOTES_MONTH_USAGE_QUOTA": acc["quota"],
                       "NOTES_MAX_ATTACHMENT_SIZE": acc["max_attachment_size"]},
        }

    def session_account(self, db, session_id):
        if not session_id:
            raise ApiError(E_NO_SESSION, "not_authenticated")
        row = db.execute("SELECT a.* FROM sessions s JOIN accounts a ON a.id=s.account_id WHERE s.id=?",
                         (session_id,)).fetchone()
        if row is None:
            raise ApiError(E_NO_SESSION, "not_authenticated")
        return row

    def find_account(self, db, email):
        return db.execute("SELECT * FROM accounts WHERE email=?", (email.strip().lower(),)).fetchone()

    # ---- dispatch ----

    def dispatch(self, request, session_id, base):
        """Answer one envelope; returns (errorCode, body)."""
        if not isinstance(request, dict) or not isinstance(request.get("action"), str):
            return E_BAD_REQUEST, {"_errorDesc": "bad_request"}
        if request.get("_client_software") != CLIENT_SOFTWARE:
            return E_BAD_REQUEST, {"_errorDesc": "unknown_client_software"}
        action = request["action"]
        entry = self.actions.get(action)
        if entry is None:
            return E_UNKNOWN_ACTION, {"_errorDesc": "unknown_action"}
        handler, needs_session = entry
        # The older registration form carries its keys at the top level.
        body = request if action == "user_register" else request.get("body")
        try:
            with self.transaction() as db:
                acc = self.session_account(db, session_id) if needs_session else None
                result = handler(db, acc, body, base)
        except ApiError as err:
            return err.code, {"_errorDesc": err.desc}
        if isinstance(result, tuple):
            return result
        return 0, result

    @staticmethod
    def need_object(body):
        if not isinstance(body, dict):
            raise ApiError(E_INVALID, "body_not_object")
        return body

    # ---- account actions ----

    def act_auth(self, db, _acc, body, _base):
        body = self.need_object(body)
        email, password = body.get("email"), body.get("password")
        if not isinstance(email, str) or not isinstance(password, str):
            raise ApiError(E_INVALID, "email_or_password_missing")
        digest = password.strip().lower() if body.get("hauth") is True else password_digest(password)
        acc = self.find_account(db, email)
        if acc is None or not secrets.compare_digest(acc["digest"].encode(), digest.encode("utf-8")):
            raise ApiError(E_BAD_LOGIN, "invalid_login")
        sid = secrets.token_hex(16)
        db.execute("INSERT INTO sessions(id, account_id, created) VALUES(?,?,?)", (sid, acc["id"], int(time.time())))
        return {"sessionid": sid, "info": self.account_info(acc)}

    def act_register(self, db, _acc, body, _base):
        body = self.need_object(body)
        email, password = body.get("email"), body.get("password")
        if not isinstance(email, str) or not re.fullmatch(r"[^@\s]+@[^@\s]+", email.strip()):
            raise ApiError(E_INVALID, "invalid_email")
        if not isinstance(password, str) or not password:
            raise ApiError(E_INVALID, "invalid_password")
        if self.find_account(db, email):
            raise ApiError(E_USER_EXISTS, "user_exists")
        self.create_account(db, email.strip().lower(), password_digest(password))
        return {}

    def act_user_info(self, _db, acc, _body, _base):
        return self.account_info(acc)

    def act_notes_account(self, _db, acc, _body, _base):
        local = re.sub(r"[^a-z0-9._-]", "", acc["email"].split("@")[0]) or "user"
        return {"notes_email": "%s.%d@notes.pelora.invalid" % (local, acc["id"])}

    # ---- server objects ----

    def attachment_objects(self, db, acc_id, note_id, base):
        rows = db.execute("SELECT a.*, f.mime, f.size FROM attachments a JOIN files f ON f.id=a.file_id"
                          " WHERE a.account_id=? AND a.note_id=? ORDER BY a.date_added, a.global_id",
                          (acc_id, note_id)).fetchall()
        return [{"global_id": r["global_id"], "mime": r["mime"] or "application/octet-stream",
                 "size": _uint(r["size"], 0, (1 << 64) - 1), "date_added": _uint(r["date_added"]),
                 "location": "%s/files/%s" % (base, r["token"]), "display_name": r["display_name"] or "",
                 "in_list": _int32(r["in_list"])} for r in rows]

    def object_of(self, db, acc_id, row, base, with_text):
        data = json.loads(row["data"])
        obj = {"global_id": row["global_id"], "type": row["type"], "parent_id": row["parent_id"],
               "index": data.get("index", 0), "title": data.get("title", ""),
               "date_added": data.get("date_added", 0), "date_added_user": data.get("date_added_user", 0),
               "date_updated": _uint(row["date_updated"]), "date_updated_user": data.get("date_updated_user", 0)}
        if row["type"] != "note":
            return obj
        shared = db.execute("SELECT 1 FROM shares WHERE account_id=? AND note_id=?",
                            (acc_id, row["global_id"])).fetchone()
        for key in ("root_parent_id", "text_short", "editnote", "url", "location_lat", "location_lng",
                    "reminder", "tags", "todo", "pagecolor", "text_attachment_global_id"):
            if key in data:
                obj[key] = data[key]
        obj["shared"] = 1 if shared else 0
        obj["attachements"] = self.attachment_objects(db, acc_id, row["global_id"], base)
        if with_text:
            obj["text"] = data.get("text", "")
        return obj

    def item(self, db, acc_id, gid):
        return db.execute("SELECT * FROM items WHERE account_id=? AND global_id=?", (acc_id, gid)).fetchone()

    def tag_names(self, db, acc_id):
        rows = db.execute("SELECT name FROM tags WHERE account_id=?", (acc_id,)).fetchall()
        return sorted((r[0] for r in rows), key=str.casefold)

    def add_tags(self, db, acc_id, names):
        for name in names:
            if isinstance(name, str) and name.strip():
                db.execute("INSERT OR IGNORE INTO tags(account_id, name) VALUES(?,?)", (acc_id, name.strip()))

    def folders_parents_first(self, rows):
        ids = {r["global_id"] for r in rows}
        by_id = {r["global_id"]: r for r in rows}

        def depth(r, seen=()):
            p = r["parent_id"]
            return 0 if p not in ids or p in seen else 1 + depth(by_id[p], seen + (r["global_id"],))
        return sorted(rows, key=lambda r: (depth(r), r["date_updated"], r["global_id"]))

    # ---- notes:get ----

    def act_get(self, db, acc, body, base):
        body = self.need_object(body)
        try:
            since = max(int(str(body.get("last_update_time", "0")).strip() or 0), 0)
        except ValueError:
            since = 0
        if since > self.last_stamp(db):
            since = 0  # a stamp this service never gave (another database): send everything
        with_text = body.get("returnData") == "all"
        limit = body.get("limit")
        aid = acc["id"]
        if isinstance(limit, dict) and isinstance(limit.get("global_id"), str):
            # One item asked for by id: the time stamp does not narrow it.
            gid = limit["global_id"]
            rows = db.execute("SELECT * FROM items WHERE account_id=? AND global_id=?", (aid, gid)).fetchall()
            removed = db.execute("SELECT * FROM tombstones WHERE account_id=? AND global_id=?",
                                 (aid, gid)).fetchall()
        else:
            rows = db.execute("SELECT * FROM items WHERE account_id=? AND date_updated>?"
                              " ORDER BY date_updated, global_id", (aid, since)).fetchall()
            removed = db.execute("SELECT * FROM tombstones WHERE account_id=? AND stamp>? ORDER BY stamp, rowid",
                                 (aid, since)).fetchall()
        folders = self.folders_parents_first([r for r in rows if r["type"] == "folder"])
        notes = [r for r in rows if r["type"] == "note"]
        return {
            "notes": [self.object_of(db, aid, r, base, with_text) for r in folders + notes],
            "removedItems": [{"global_id": r["global_id"], "type": r["type"], "date_updated": _uint(r["stamp"])}
                             for r in removed],
            "tags": self.tag_names(db, aid),
            "last_update_time": str(self.last_stamp(db)),
        }

    # ---- notes:update ----

    def act_update(self, db, acc, body, _base):
        body = self.need_object(body)
        stamp = self.lazy_stamp(db)
        skipped = []
        store, remove = body.get("store"), body.get("remove")
        if store is not None:
            skipped = self.store_objects(db, acc, self.need_object(store), stamp)
        if remove is not None:
            self.remove_objects(db, acc, self.need_object(remove), stamp)
        last = stamp.value if stamp.value is not None else self.last_stamp(db)
        if skipped:
            return E_NOT_FOUND, {"_errorDesc": "item_removed", "skipped": skipped, "last_update_time": last}
        return {"last_update_time": last}

    def store_objects(self, db, acc, store, stamp):
        objs = store.get("notes", [])
        if not isinstance(objs, list):
            raise ApiError(E_INVALID, "notes_not_array")
        aid = acc["id"]
        writes, skipped, new_bytes = [], [], 0
        for obj in objs:
            if not isinstance(obj, dict) or not isinstance(obj.get("global_id"), str) or not obj["global_id"]:
                raise ApiError(E_INVALID, "invalid_global_id")
            kind, gid = obj.get("type"), obj["global_id"]
            if kind not in ("note", "folder"):
                raise ApiError(E_INVALID, "invalid_type")
            existing = self.item(db, aid, gid)
            if existing is not None and existing["type"] != kind:
                raise ApiError(E_INVALID, "type_mismatch")
            if kind == "note":
                gone = db.execute("SELECT 1 FROM tombstones WHERE account_id=? AND global_id=?", (aid, gid)).fetchone()
                if gone and existing is None:
                    skipped.append(gid)  # removed here: removal wins over a late edit
                    continue
                size = len(_text(obj.get("text")).encode("utf-8"))
                if size > acc["max_note_size"]:
                    raise ApiError(E_QUOTA, "note_too_large")
                new_bytes += size
                self.check_attachments(db, aid, obj.get("attachements"))
            writes.append(obj)
        self.check_quota(acc, new_bytes)
        for obj in writes:
            self.write_item(db, aid, obj, stamp())
        tags = store.get("tags")
        if isinstance(tags, list):
            self.add_tags(db, aid, tags)
        if new_bytes:
            self.add_usage(db, acc, new_bytes)
        return skipped

    def check_attachments(self, db, aid, atts):
        for att in atts if isinstance(atts, list) else []:
            if not isinstance(att, dict) or not isinstance(att.get("global_id"), str) or not att["global_id"]:
                raise ApiError(E_INVALID, "invalid_attachment")
            if self.upload(db, aid, att.get("tempname")) is None and db.execute(
                    "SELECT 1 FROM attachments WHERE account_id=? AND global_id=?",
                    (aid, att["global_id"])).fetchone() is None:
                raise ApiError(E_UPLOAD_UNKNOWN, "attachment_not_found")

    def upload(self, db, aid, tempname):
        if not isinstance(tempname, str) or not tempname:
            return None
        return db.execute("SELECT id FROM files WHERE id=? AND account_id=?", (tempname, aid)).fetchone()

    @staticmethod
    def put_item(db, aid, gid, kind, parent_id, stamp, data):
        db.execute("INSERT OR REPLACE INTO items(account_id, global_id, type, parent_id, date_updated, data)"
                   " VALUES(?,?,?,?,?,?)", (aid, gid, kind, parent_id, stamp, json.dumps(data)))
        db.execute("DELETE FROM tombstones WHERE account_id=? AND global_id=?", (aid, gid))

    @staticmethod
    def put_attachment(db, aid, gid, note_id, file_id, name, in_list, date_added):
        """Links an upload to a note under a new unguessable download token."""
        db.execute("INSERT OR REPLACE INTO attachments(account_id, global_id, note_id, file_id, display_name,"
                   " in_list, date_added, token) VALUES(?,?,?,?,?,?,?,?)",
                   (aid, gid, note_id, file_id, name, in_list, date_added, secrets.token_urlsafe(24)))
        db.execute("DELETE FROM tombstones WHERE account_id=? AND global_id=?", (aid, gid))

    def write_item(self, db, aid, obj, stamp):
        data = normalise_item(obj, stamp)
        gid = obj["global_id"]
        self.put_item(db, aid, gid, obj["type"], data.pop("parent_id"), stamp, data)
        if obj["type"] != "note":
            return
        self.add_tags(db, aid, data["tags"])
        # Attachments are added or updated; only an explicit removal takes one away.
        atts = obj.get("attachements")
        for att in atts if isinstance(atts, list) else []:
            aid_ = att["global_id"]
            upload = self.upload(db, aid, att.get("tempname"))
            row = db.execute("SELECT * FROM attachments WHERE account_id=? AND global_id=?", (aid, aid_)).fetchone()
            name, in_list = _text(att.get("display_name")), 1 if _int32(att.get("in_list")) else 0
            if upload is not None and (row is None or row["file_id"] != upload["id"]):
                self.put_attachment(db, aid, aid_, gid, upload["id"], name, in_list, stamp)
            else:
                db.execute("UPDATE attachments SET note_id=?, display_name=?, in_list=? WHERE account_id=?"
                           " AND global_id=?", (gid, name or row["display_name"], in_list, aid, aid_))

    # ---- removals ----

    def tombstone(self, db, aid, gid, kind, stamp):
        db.execute("INSERT OR REPLACE INTO tombstones(account_id, global_id, type, stamp) VALUES(?,?,?,?)",
                   (aid, gid, kind, stamp))

    def drop_note(self, db, aid, gid, stamp):
        db.execute("DELETE FROM items WHERE account_id=? AND global_id=?", (aid, gid))
        db.execute("DELETE FROM attachments WHERE account_id=? AND note_id=?", (aid, gid))
        db.execute("DELETE FROM shares WHERE account_id=? AND note_id=?", (aid, gid))
        self.tombstone(db, aid, gid, "note", stamp)

    def remove_objects(self, db, acc, remove, stamp):
        aid = acc["id"]
        for gid in self.id_list(remove.get("notes")):
            row = self.item(db, aid, gid)
            if row is None:
                continue  # never uploaded or already gone
            if row["type"] == "note":
                self.drop_note(db, aid, gid, stamp())
                continue
            # A folder takes its subfolders and every note in them along.
            order, queue = [], [gid]
            while queue:
                fid = queue.pop(0)
                order.append(fid)
                queue += [r[0] for r in db.execute("SELECT global_id FROM items WHERE account_id=? AND type='folder'"
                                                   " AND parent_id=?", (aid, fid)) if r[0] not in order]
            for fid in order:
                for (nid,) in db.execute("SELECT global_id FROM items WHERE account_id=? AND type='note'"
                                         " AND parent_id=?", (aid, fid)).fetchall():
                    self.drop_note(db, aid, nid, stamp())
            for fid in reversed(order):
                db.execute("DELETE FROM items WHERE account_id=? AND global_id=?", (aid, fid))
                self.tombstone(db, aid, fid, "folder", stamp())
        for gid in self.id_list(remove.get("attachements")):
            if db.execute("DELETE FROM attachments WHERE account_id=? AND global_id=?", (aid, gid)).rowcount:
                self.tombstone(db, aid, gid, "attachement", stamp())
        names = [n for n in self.id_list(remove.get("tags"))]
        if names:
            db.executemany("DELETE FROM tags WHERE account_id=? AND name=?", [(aid, n) for n in names])
            # Notes lose the tag without a new time stamp: a client that still has the
            # tag drops it when the tag list no longer names it.
            for row in db.execute("SELECT global_id, data FROM items WHERE account_id=? AND type='note'",
                                  (aid,)).fetchall():
                data = json.loads(row["data"])
                kept = [t for t in data.get("tags", []) if t not in names]
                if kept != data.get("tags", []):
                    data["tags"] = kept
                    db.execute("UPDATE items SET data=? WHERE account_id=? AND global_id=?",
                               (json.dumps(data), aid, row["global_id"]))

    @staticmethod
    def id_list(value):
        if isinstance(value, str):
            value = [value]
        if value is None:
            return []
        if not isinstance(value, list):
            raise ApiError(E_INVALID, "ids_not_array")
        return [v for v in value if isinstance(v, str) and v]

    # ---- sharing ----

    def act_share(self, db, acc, body, base):
        ids = self.id_list(self.need_object(body).get("global_id"))
        if not ids:
            raise ApiError(E_INVALID, "global_id_missing")
        links = {}
        for gid in ids:
            row = self.item(db, acc["id"], gid)
            if row is None or row["type"] != "note":
                raise ApiError(E_NOT_FOUND, "note_not_found")
            token = db.execute("SELECT token FROM shares WHERE account_id=? AND note_id=?", (acc["id"], gid)).fetchone()
            if token is None:
                token = (secrets.token_urlsafe(18),)
                db.execute("INSERT INTO shares(token, account_id, note_id) VALUES(?,?,?)", (token[0], acc["id"], gid))
            links[gid] = "%s/s/%s" % (base, token[0])
        return links

    def act_unshare(self, db, acc, body, _base):
        ids = self.id_list(self.need_object(body).get("global_id"))
        if not ids:
            raise ApiError(E_INVALID, "global_id_missing")
        for gid in ids:
            if self.item(db, acc["id"], gid) is None:
                raise ApiError(E_NOT_FOUND, "note_not_found")
            db.execute("DELETE FROM shares WHERE account_id=? AND note_id=?", (acc["id"], gid))
        return {}

    def shared_page(self, token):
        with self.lock:
            row = self.db.execute("SELECT i.data FROM shares s JOIN items i ON i.account_id=s.account_id"
                                  " AND i.global_id=s.note_id WHERE s.token=?", (token,)).fetchone()
        if row is None:
            return None
        data = json.loads(row["data"])
        title = html.escape(data.get("title", ""))
        return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\"><title>%s</title></head>"
                "<body><h1>%s</h1>\n%s\n</body></html>\n" % (title, title, data.get("text", ""))).encode("utf-8")

    # ---- backups ----

    def take_backup(self, db, aid):
        items = [{"global_id": r["global_id"], "type": r["type"], "parent_id": r["parent_id"],
                  "data": json.loads(r["data"])}
                 for r in db.execute("SELECT * FROM items WHERE account_id=? ORDER BY rowid", (aid,))]
        atts = [dict(r) for r in db.execute("SELECT global_id, note_id, file_id, display_name, in_list, date_added"
                                            " FROM attachments WHERE account_id=?", (aid,))]
        gid = secrets.token_hex(8)
        db.execute("INSERT INTO backups(global_id, account_id, date, count_notes, count_folders, snapshot)"
                   " VALUES(?,?,?,?,?,?)",
                   (gid, aid, int(time.time()), sum(i["type"] == "note" for i in items),
                    sum(i["type"] == "folder" for i in items), json.dumps({"items": items, "attachments": atts})))
        return gid

    def act_get_backups(self, db, acc, _body, _base):
        rows = db.execute("SELECT * FROM backups WHERE account_id=? ORDER BY date DESC, rowid DESC", (acc["id"],))
        return [{"global_id": r["global_id"], "date": _uint(r["date"]), "count_notes": r["count_notes"],
                 "count_folders": r["count_folders"]} for r in rows]

    def snapshot(self, db, acc, body):
        gid = self.need_object(body).get("global_id")
        row = db.execute("SELECT snapshot FROM backups WHERE account_id=? AND global_id=?",
                         (acc["id"], gid if isinstance(gid, str) else "")).fetchone()
        if row is None:
            raise ApiError(E_NOT_FOUND, "backup_not_found")
        return json.loads(row[0])

    def act_view_backup(self, db, acc, body, _base):
        return [{"global_id": i["global_id"], "title": i["data"].get("title", ""), "parent_id": i["parent_id"],
                 "date_added_user": i["data"].get("date_added_user", 0),
                 "date_updated_user": i["data"].get("date_updated_user", 0), "type": i["type"]}
                for i in self.snapshot(db, acc, body)["items"]]

    def act_restore_backup(self, db, acc, body, _base):
        snap = self.snapshot(db, acc, body)
        aid, stamp = acc["id"], self.lazy_stamp(db)
        by_id = {i["global_id"]: i for i in snap["items"]}
        wanted = body.get("items")
        if isinstance(wanted, list) and wanted:
            chosen = [g for g in wanted if isinstance(g, str) and g in by_id]
        else:
            chosen = [i["global_id"] for i in snap["items"] if i["type"] == "folder"]
            chosen += [i["global_id"] for i in snap["items"] if i["type"] == "note"]
        done = set()

        def restore(gid):
            if gid in done:
                return
            done.add(gid)
            entry = by_id[gid]
            parent = by_id.get(entry["parent_id"])
            if parent and parent["type"] == "folder" and self.item(db, aid, parent["global_id"]) is None:
                restore(parent["global_id"])  # a restored note needs its folder back
            self.put_item(db, aid, gid, entry["type"], entry["parent_id"], stamp(), entry["data"])
            if entry["type"] != "note":
                return
            self.add_tags(db, aid, entry["data"].get("tags", []))
            for att in snap["attachments"]:
                if att["note_id"] == gid and self.upload(db, aid, att["file_id"]) is not None:
                    self.put_attachment(db, aid, att["global_id"], gid, att["file_id"], att["display_name"],
                                        att["in_list"], att["date_added"])
        for gid in chosen:
            restore(gid)
        return {"restored": len(done)}

    # ---- files ----

    def store_upload(self, session_id, name, mime, data):
        try:
            with self.transaction() as db:
                acc = self.session_account(db, session_id)
                if len(data) > acc["max_attachment_size"]:
                    raise ApiError(E_QUOTA, "attachment_too_large")
                self.check_quota(acc, len(data))
                fid = secrets.token_hex(16)
                db.execute("INSERT INTO files(id, account_id, name, mime, size, data, created) VALUES(?,?,?,?,?,?,?)",
                           (fid, acc["id"], name, mime, len(data), sqlite3.Binary(data), int(time.time())))
                self.add_usage(db, acc, len(data))
        except ApiError as err:
            return err.code, {"_errorDesc": err.desc}
        return 0, {"files": {"file": fid}}

    def download(self, token):
        with self.lock:
            row = self.db.execute("SELECT f.mime, f.data FROM attachments a JOIN files f ON f.id=a.file_id"
                                  " WHERE a.token=?", (token,)).fetchone()
        return None if row is None else (row["mime"] or "application/octet-stream", bytes(row["data"]))

    # ---- test control ----

    def control_backup(self, email):
        with self.transaction() as db:
            acc = self.find_account(db, email or "")
            if acc is None:
                raise ApiError(E_NOT_FOUND, "account_not_found")
            return self.take_backup(db, acc["id"])

    def control_limits(self, req):
        with self.transaction() as db:
            acc = self.find_account(db, _text(req.get("email")))
            if acc is None:
                raise ApiError(E_NOT_FOUND, "account_not_found")
            for key in ("quota", "max_note_size", "max_attachment_size"):
                if key in req:
                    db.execute("UPDATE accounts SET %s=? WHERE id=?" % key, (_uint(req[key], 0, 1 << 62), acc["id"]))
            if "usage" in req:
                db.execute("UPDATE accounts SET usage_bytes=?, usage_month=? WHERE id=?",
                           (_uint(req["usage"], 0, 1 << 62), self.month(), acc["id"]))

    def expire_sessions(self):
        with self.transaction() as db:
            db.execute("DELETE FROM sessions")

    def reset(self):
        with self.transaction() as db:
            for table in TABLES:
                if table != "meta":  # the clock never runs back, so old client stamps stay behind it
                    db.execute("DELETE FROM %s" % table)

    # ---- demo data ----

    def seed(self):
        """A demo account (demo@example.com / demo) with folders, notes, tags and a backup."""
        with self.transaction() as db:
            if self.find_account(db, "demo@example.com"):
                return
            acc = self.create_account(db, "demo@example.com", password_digest("demo"))
            aid, stamp, now = acc["id"], self.new_stamp(db), int(time.time())
            image = tiny_png()
            db.execute("INSERT INTO files(id, account_id, name, mime, size, data, created) VALUES(?,?,?,?,?,?,?)",
                       ("seedfile00000000000000000000png", aid, "square.png", "image/png", len(image),
                        sqlite3.Binary(image), now))

            def folder(gid, title, parent="root"):
                return {"global_id": gid, "type": "folder", "title": title, "parent_id": parent,
                        "date_added_user": now, "date_updated_user": now}

            def note(gid, parent, title, text, tags=(), todo=(), atts=()):
                return {"global_id": gid, "type": "note", "parent_id": parent, "title": title, "text": text,
                        "tags": list(tags), "todo": list(todo), "attachements": list(atts),
                        "date_added_user": now, "date_updated_user": now, "editnote": 1}
            objects = [
                folder("default", "My Notes"),
                folder("seedfolderwork01", "Work"),
                folder("seedfolderproj01", "Projects", "seedfolderwork01"),
                folder("seedfolderfood01", "Recipes"),
                note("seednotewelcome1", "default", "Welcome to Pelora",
                     "<h1>Welcome</h1><p>This note comes from the <b>local note service</b>.</p>"
                     "<p><!checkbox checked /> Sign in<br><!checkbox /> Write a note</p>"
                     "<p><img src=\"#attacheloc:seedattachpng01#\"></p>",
                     tags=["ideas"], atts=[{"global_id": "seedattachpng01", "tempname": "seedfile00000000000000000000png",
                                            "display_name": "square.png", "in_list": 1}]),
                note("seednotemeeting", "seedfolderwork01", "Weekly meeting",
                     "<p>Agenda:</p><ul><li>Release plan</li><li>Bug triage</li></ul>", tags=["work"],
                     todo=[{"global_id": "seedtodo00000001", "label": "Send minutes", "checked": False}]),
                note("seednoteroadmap", "seedfolderproj01", "Roadmap",
                     "<p>Q1: sync &amp; backups.<br>Q2: sharing.</p>", tags=["work", "ideas"]),
                note("seednotepancake", "seedfolderfood01", "Pancakes",
                     "<p>2 eggs, 200 g flour, 300 ml milk, a pinch of salt.</p>", tags=["food"]),
            ]
            for obj in objects:
                self.write_item(db, aid, obj, stamp)
            self.take_backup(db, aid)


# ---- HTTP ----

def parse_multipart(body, content_type):
    """Parts of a multipart/form-data body as (headers, data); headers keys lower case."""
    m = re.search(r'boundary=(?:"([^"]+)"|([^;\s]+))', content_type or "", re.I)
    if not m:
        return []
    delim = b"--" + (m.group(1) or m.group(2)).encode("latin-1")
    parts, pos = [], body.find(delim)
    if pos < 0:
        return parts
    pos += len(delim)
    while not body.startswith(b"--", pos):
        if body.startswith(b"\r\n", pos):
            pos += 2
        end = body.find(b"\r\n" + delim, pos)
        if end < 0:
            break
        chunk = body[pos:end]
        if chunk.startswith(b"\r\n"):
            head, data = b"", chunk[2:]
        else:
            head, _, data = chunk.partition(b"\r\n\r\n")
        headers = {}
        for line in head.decode("utf-8", "replace").split("\r\n"):
            name, sep, value = line.partition(":")
            if sep:
                headers[name.strip().lower()] = value.strip()
        parts.append((headers, data))
        pos = end + 2 + len(delim)
    return parts


def disposition_params(value):
    params = {}
    for key, raw in re.findall(r';\s*([\w*-]+)\s*=\s*("(?:[^"\\]|\\.)*"|[^;]*)', ";" + (value or "")):
        raw = raw.strip()
        if raw.startswith('"'):
            raw = re.sub(r"\\(.)", r"\1", raw[1:-1])
        if key.endswith("*"):
            key, raw = key[:-1], unquote(raw.split("''", 1)[-1])
        params[key.lower()] = raw
    return params


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "PeloraNoteService/1.0"
    timeout = 120  # idle keep-alive connections end on their own

    def setup(self):
        super().setup()
        # Every answer goes out in one write (see send_payload); without Nagle's delay it
        # leaves at once instead of waiting for the client's acknowledgement.
        with contextlib.suppress(OSError):
            self.connection.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)

    def handle(self):
        # A kept connection that the client resets or drops while idle is no error.
        with contextlib.suppress(ConnectionResetError, BrokenPipeError, socket.timeout):
            super().handle()

    def log_message(self, fmt, *args):
        if self.server.verbose:
            sys.stderr.write("noteservice: %s - %s\n" % (self.address_string(), fmt % args))

    @property
    def base(self):
        scheme = "https" if isinstance(self.connection, ssl.SSLSocket) else "http"
        host = self.headers.get("Host", "")
        if not re.fullmatch(r"[A-Za-z0-9.\-\[\]:]+", host):
            host = "127.0.0.1:%d" % self.server.server_address[1]
        return "%s://%s" % (scheme, host)

    # ---- request plumbing ----

    def read_body(self):
        if "chunked" in self.headers.get("Transfer-Encoding", "").lower():
            out = bytearray()
            while True:
                size = int(self.rfile.readline().split(b";")[0].strip() or b"0", 16)
                if size == 0:
                    while self.rfile.readline().strip():
                        pass
                    return bytes(out)
                if len(out) + size > MAX_BODY:
                    raise ApiError(E_BAD_REQUEST, "request_too_large")
                out += self.rfile.read(size)
                self.rfile.readline()
        try:
            length = int(self.headers.get("Content-Length") or 0)
        except ValueError:
            raise ApiError(E_BAD_REQUEST, "bad_content_length") from None
        if length < 0 or length > MAX_BODY:
            raise ApiError(E_BAD_REQUEST, "request_too_large")
        return self.rfile.read(length)

    def note_request(self, action):
        with self.server.count_lock:
            self.server.request_counts[action] = self.server.request_counts.get(action, 0) + 1
        self.server.request_log.append({
            "method": self.command, "path": self.path, "action": action,
            "session": self.headers.get(SESSION_HEADER), "expect": self.headers.get("Expect"),
            "accept_encoding": self.headers.get("Accept-Encoding"), "content_type": self.headers.get("Content-Type"),
            "scheme": "https" if isinstance(self.connection, ssl.SSLSocket) else "http",
            "port": self.client_address[1]})

    def send_payload(self, status, ctype, payload, fault=None):
        if fault and fault["kind"] == "drop":
            self.close_connection = True
            with contextlib.suppress(OSError):
                self.connection.shutdown(socket.SHUT_RDWR)
            return
        if fault and fault["kind"] == "garbage":
            status, ctype, payload = 200, "text/html", GARBAGE
        if fault and fault["kind"] == "delay":
            self.server.stopping.wait(fault.get("ms", 0) / 1000.0)
        encoding = None
        if self.server.options.get("deflate") and "deflate" in self.headers.get("Accept-Encoding", "").lower():
            payload, encoding = zlib.compress(payload), "deflate"
        self.send_response(status)
        self.send_header("Content-Type", ctype)
        self.send_header("Content-Length", str(len(payload)))
        if encoding:
            self.send_header("Content-Encoding", encoding)
        if fault and fault["kind"] == "stall":
            # Headers (and perhaps a few bytes), then silence, then a closed connection.
            self.end_headers()
            self.wfile.write(payload[:max(int(fault.get("after_bytes", 0)), 0)])
            self.wfile.flush()
            self.server.stopping.wait(fault.get("seconds", 0))
            self.close_connection = True
            return
        if fault and fault["kind"] == "trickle":
            # Headers, then one byte every `ms` milliseconds: never stalled, never done in time.
            self.end_headers()
            for i in range(len(payload)):
                self.wfile.write(payload[i:i + 1])
                if self.server.stopping.wait(max(fault.get("ms", 0), 1) / 1000.0):
                    break
            self.close_connection = True
            return
        # Headers and body in one write: a second small write would wait for the client's
        # delayed acknowledgement.
        self._headers_buffer.append(b"\r\n")
        self._headers_buffer.append(payload)
        self.flush_headers()

    def send_hostile(self, fault, json_reply):
        """A reply made to hurt the client: JSON nested `depth` deep, a body of `bytes`
        bytes, or a deflate body that expands to `bytes` bytes."""
        kind, size = fault["kind"], max(int(fault.get("bytes", 0)), 0)
        if kind == "nested":
            depth = max(int(fault.get("depth", 0)), 1)
            payload = b'{"errorCode":0,"body":' + b"[" * depth + b"]" * depth + b"}"
            return self.send_payload(200, "application/json", payload)
        head, tail = (b'{"errorCode":0,"body":{"pad":"', b'"}}') if json_reply else (b"", b"")
        fill = max(size - len(head) - len(tail), 0)
        if kind == "bomb":
            payload = self.server.bomb(head, fill, tail)
            self.send_response(200)
            self.send_header("Content-Type", "application/json" if json_reply else "application/octet-stream")
            self.send_header("Content-Length", str(len(payload)))
            self.send_header("Content-Encoding", "deflate")
            self._headers_buffer.append(b"\r\n")
            self._headers_buffer.append(payload)
            self.flush_headers()
            return
        # huge: streamed, never held whole; the client may hang up at any point
        self.send_response(200)
        self.send_header("Content-Type", "application/json" if json_reply else "application/octet-stream")
        self.send_header("Content-Length", str(len(head) + fill + len(tail)))
        self.end_headers()
        self.close_connection = True
        self.wfile.write(head)
        chunk = b"x" * HUGE_CHUNK
        while fill > 0:
            self.wfile.write(chunk[:min(fill, HUGE_CHUNK)])
            fill -= HUGE_CHUNK
        self.wfile.write(tail)

    def send_envelope(self, code, body, fault=None):
        payload = json.dumps({"errorCode": code, "body": body}, ensure_ascii=False).encode("utf-8")
        self.send_payload(200, "application/json; charset=utf-8", payload, fault)

    def take_fault(self, target, json_reply=True, body=b""):
        """Logs the request and takes its fault rule. Returns (fault, answered): drop,
        garbage and error replace the action, so the request is answered here; hold waits
        for a release before the action runs."""
        self.note_request(target)
        fault = self.server.faults.take(target, body)
        if fault and fault["kind"] == "hold":
            self.server.faults.hold(fault["seconds"] or 30, self.server.stopping)
            return None, False
        if not fault or fault["kind"] not in ("drop", "garbage", "error") + HOSTILE_KINDS:
            return fault, False
        if fault["kind"] in HOSTILE_KINDS:
            self.send_hostile(fault, json_reply)
        elif fault["kind"] != "error":
            self.send_payload(200, "", b"", fault)
        elif json_reply:
            self.send_envelope(fault["code"], {"_errorDesc": fault["desc"]})
        else:
            self.send_payload(500, "text/plain", b"forced error\n")
        return fault, True

    def run_safely(self, work):
        try:
            work()
        except (BrokenPipeError, ConnectionResetError, socket.timeout):
            self.close_connection = True
        except ApiError as err:
            self.close_connection = True
            with contextlib.suppress(OSError):
                self.send_envelope(err.code, {"_errorDesc": err.desc})
        except Exception:  # a fault in one request must not take the service down
            traceback.print_exc(file=sys.stderr)
            self.close_connection = True
            with contextlib.suppress(OSError):
                self.send_envelope(E_INTERNAL, {"_errorDesc": "internal_error"})

    # ---- GET ----

    def do_GET(self):
        self.run_safely(self.handle_get)

    def handle_get(self):
        path = urlsplit(self.path).path
        if path.startswith(UPDATE_PATH):
            target = "update"
        elif path.startswith("/files/"):
            target = "download"
        elif path.startswith("/s/"):
            target = "share_page"
        elif path.startswith("/download/"):
            target = "installer"
        else:
            target = "other"
        fault, answered = self.take_fault(target, json_reply=False)
        if answered:
            return
        if target == "update":
            text = self.server.options.get("update_reply", DEFAULT_UPDATE_REPLY).replace("{base}", self.base)
            return self.send_payload(200, "text/plain; charset=utf-8", text.encode("utf-8"), fault)
        if target == "download":
            found = self.server.service.download(path[len("/files/"):])
            if found is None:
                return self.send_payload(404, "text/plain", b"not found\n", fault)
            return self.send_payload(200, found[0], found[1], fault)
        if target == "share_page":
            page = self.server.service.shared_page(path[len("/s/"):])
            if page is None:
                return self.send_payload(404, "text/plain", b"not found\n", fault)
            return self.send_payload(200, "text/html; charset=utf-8", page, fault)
        if target == "installer":
            # Not a program: only something of a realistic size to download.
            blob = b"MZ" + bytes(range(256)) * 256
            return self.send_payload(200, "application/octet-stream", blob, fault)
        if path == "/":
            return self.send_payload(200, "text/plain", b"Pelora note service stand-in\n", fault)
        self.send_payload(404, "text/plain", b"not found\n", fault)

    # ---- POST ----

    def do_POST(self):
        self.run_safely(self.handle_post)

    def handle_post(self):
        path = urlsplit(self.path).path
        raw = self.read_body()
        if path == "/_control":
            return self.handle_control(raw)
        if path.endswith("/files:preupload"):
            return self.handle_upload(raw)
        try:
            request = json.loads(raw.decode("utf-8"))
        except (UnicodeDecodeError, ValueError):
            request = None
        action = request.get("action") if isinstance(request, dict) else None
        action = action if isinstance(action, str) else ""
        fault, answered = self.take_fault(action, body=raw)
        if answered:
            return
        if request is None:
            return self.send_envelope(E_BAD_REQUEST, {"_errorDesc": "unreadable_json"}, fault)
        code, body = self.server.service.dispatch(request, self.headers.get(SESSION_HEADER, "").strip(), self.base)
        self.send_envelope(code, body, fault)

    def handle_upload(self, raw):
        fault, answered = self.take_fault("upload", body=raw)
        if answered:
            return
        for headers, data in parse_multipart(raw, self.headers.get("Content-Type")):
            params = disposition_params(headers.get("content-disposition", "").partition(";")[2])
            if params.get("name") == "file":
                mime = headers.get("content-type") or "application/octet-stream"
                code, body = self.server.service.store_upload(self.headers.get(SESSION_HEADER, "").strip(),
                                                              params.get("filename", ""), mime, data)
                return self.send_envelope(code, body, fault)
        self.send_envelope(E_INVALID, {"_errorDesc": "no_file_part"}, fault)

    def handle_control(self, raw):
        try:
            req = json.loads(raw.decode("utf-8"))
            if not isinstance(req, dict):
                raise ValueError("not an object")
            result = self.server.control(req)
            reply = {"ok": True}
            reply.update(result or {})
        except ApiError as err:
            reply = {"ok": False, "error": err.desc}
        except (UnicodeDecodeError, ValueError, TypeError, KeyError) as err:
            reply = {"ok": False, "error": str(err)}
        self.send_payload(200, "application/json", json.dumps(reply).encode("utf-8"))


class Faults:
    """Test-controlled misbehaviour, matched by target (an action name, "upload",
    "download", "update", "share_page", "installer" or "*")."""

    def __init__(self):
        self.lock = threading.Lock()
        self.rules = []
        self.released = threading.Condition(self.lock)
        self.waiting = 0
        self.release_count = 0

    def add(self, req):
        kind = req.get("kind")
        if kind not in FAULT_KINDS:
            raise ValueError("kind must be one of %s" % ", ".join(FAULT_KINDS))
        rule = {"target": _text(req.get("target"), "*") or "*", "kind": kind,
                "ms": _uint(req.get("ms")), "seconds": float(_num(req.get("seconds"), 0)),
                "after_bytes": _uint(req.get("after_bytes")), "code": _int32(req.get("code"), E_INTERNAL),
                "depth": _uint(req.get("depth"), 0, 1 << 24), "bytes": _uint(req.get("bytes"), 0, 1 << 40),
                "desc": _text(req.get("desc"), "forced_error"), "times": _uint(req.get("times")),
                "match": _text(req.get("match")).encode("utf-8")}
        with self.lock:
            self.rules.append(rule)

    def take(self, target, body=b""):
        with self.lock:
            for rule in self.rules:
                if rule["target"] in ("*", target) and rule["match"] in body:
                    if rule["times"]:
                        rule["times"] -= 1
                        if rule["times"] == 0:
                            self.rules.remove(rule)
                    return dict(rule)
        return None

    def clear(self):
        with self.lock:
            self.rules = []

    def hold(self, seconds, stopping):
        """Waits until the next release (or `seconds`, or the server stops)."""
        with self.lock:
            self.waiting += 1
            seen = self.release_count
            deadline = time.monotonic() + seconds
            while self.release_count == seen and not stopping.is_set():
                left = deadline - time.monotonic()
                if left <= 0:
                    break
                self.released.wait(min(left, 0.2))
            self.waiting -= 1

    def held(self):
        with self.lock:
            return self.waiting

    def release(self):
        with self.lock:
            self.release_count += 1
            self.released.notify_all()


class NoteServer(ThreadingHTTPServer):
    daemon_threads = True
    allow_reuse_address = True

    def __init__(self, port, service, ssl_context=None, seed=False, verbose=False):
        super().__init__(("127.0.0.1", port), Handler)
        self.service = service
        self.ssl_context = ssl_context
        self.seed_on_reset = seed
        self.verbose = verbose
        self.faults = Faults()
        self.options = {}
        self.request_log = deque(maxlen=500)
        self.request_counts = {}  # target -> requests since the log was last cleared
        self.count_lock = threading.Lock()
        self.stopping = threading.Event()
        self.bomb_lock = threading.Lock()
        self.bombs = {}

    def finish_request(self, request, client_address):
        # With TLS on, one port serves both: a TLS hello starts with 0x16, anything
        # else is plain HTTP (the update check is made over http://).
        conn = request
        if self.ssl_context is not None:
            try:
                request.settimeout(30)
                if request.recv(1, socket.MSG_PEEK) == b"\x16":
                    conn = self.ssl_context.wrap_socket(request, server_side=True)
                conn.settimeout(None)
            except (OSError, ssl.SSLError):
                return
        try:
            self.RequestHandlerClass(conn, client_address, self)
        finally:
            if conn is not request:
                with contextlib.suppress(OSError):
                    conn.close()

    def bomb(self, head, fill, tail):
        """head + fill bytes of "0" + tail, deflated; made once per size (repeated tests)."""
        key = (head, fill, tail)
        with self.bomb_lock:
            if key not in self.bombs:
                packer = zlib.compressobj(9)
                parts = [packer.compress(head)]
                chunk = b"0" * HUGE_CHUNK
                left = fill
                while left > 0:
                    parts.append(packer.compress(chunk[:min(left, HUGE_CHUNK)]))
                    left -= HUGE_CHUNK
                parts.append(packer.compress(tail))
                parts.append(packer.flush())
                self.bombs = {key: b"".join(parts)}
            return self.bombs[key]

    def shutdown(self):
        self.stopping.set()
        super().shutdown()

    def control(self, req):
        op = req.get("op")
        if op == "fault":
            self.faults.add(req)
        elif op == "clear_faults":
            self.faults.clear()
        elif op == "held":
            return {"held": self.faults.held()}
        elif op == "release":
            self.faults.release()
        elif op == "options":
            for key in ("deflate", "update_reply"):
                if key in req:
                    self.options[key] = req[key]
        elif op == "limits":
            self.service.control_limits(req)
        elif op == "backup":
            return {"global_id": self.service.control_backup(_text(req.get("email")))}
        elif op == "expire_sessions":
            self.service.expire_sessions()
        elif op == "requests":
            log = list(self.request_log)
            with self.count_lock:
                counts = dict(self.request_counts)
                if req.get("clear"):
                    self.request_log.clear()
                    self.request_counts = {}
            return {"requests": log, "counts": counts}
        elif op == "reset":
            self.faults.clear()
            self.options.clear()
            self.request_log.clear()
            with self.count_lock:
                self.request_counts = {}
            self.service.reset()
            if req.get("seed", self.seed_on_reset):
                self.service.seed()
        else:
            raise ValueError("unknown op %r" % (op,))
        return None


def make_certificate(directory):
    """Self-signed certificate for 127.0.0.1, made with the openssl tool."""
    tool = shutil.which("openssl")
    if tool is None:
        raise SystemExit("noteservice: --https needs the openssl command-line tool")
    cert, key = os.path.join(directory, "cert.pem"), os.path.join(directory, "key.pem")
    subprocess.run([tool, "req", "-x509", "-newkey", "rsa:2048", "-nodes", "-keyout", key, "-out", cert,
                    "-days", "30", "-subj", "/CN=127.0.0.1", "-addext", "subjectAltName=IP:127.0.0.1"],
                   check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    ctx = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
    ctx.load_cert_chain(cert, key)
    return ctx, cert


def main(argv=None):
    parser = argparse.ArgumentParser(description="Local stand-in of the note service.")
    parser.add_argument("--port", type=int, default=0, help="port on 127.0.0.1 (0 = any free port)")
    parser.add_argument("--db", required=True, help="SQLite file of the service's data")
    parser.add_argument("--https", action="store_true", help="serve HTTPS with a self-signed certificate")
    parser.add_argument("--seed", action="store_true", help="create the demo account demo@example.com / demo")
    parser.add_argument("--verbose", action="store_true", help="log every request to stderr")
    args = parser.parse_args(argv)

    db_path = os.path.abspath(args.db)
    os.makedirs(os.path.dirname(db_path), exist_ok=True)
    service = NoteService(db_path)
    if args.seed:
        service.seed()
    ctx, cert = make_certificate(os.path.dirname(db_path)) if args.https else (None, None)
    server = NoteServer(args.port, service, ctx, seed=args.seed, verbose=args.verbose)

    def stop(_signum, _frame):
        raise KeyboardInterrupt
    signal.signal(signal.SIGTERM, stop)
    line = "listening on %s://127.0.0.1:%d" % ("https" if ctx else "http", server.server_address[1])
    print(line + (" cert=%s" % cert if cert else ""), flush=True)
    try:
        server.serve_forever(poll_interval=0.2)
    except KeyboardInterrupt:
        pass
    finally:
        server.stopping.set()
        server.server_close()
        with service.lock:
            service.db.close()
    return 0


if __name__ == "__main__":
    sys.exit(main())
