#!/usr/bin/env python3
"""Writes the keyed-archive files the removal tests of both tweak libraries edit, with Python's own
property-list writer, so that the files come from an encoder other than the
platform's.

Each file is a binary property list in the NSKeyedArchiver layout: $archiver,
$version, $top {root: UID} and $objects, whose first entry is "$null".  Containers
are stored as dictionaries with NS.keys / NS.objects and a $class reference to a
class dictionary ($classname, $classes).  Besides the entries the tests edit, the
files hold values of many kinds and objects of classes the platform does not model
(NSUUID, and record and account classes of the system's own), some of them
referenced from two places, all of which must survive an edit unchanged.

For each input the script also writes the file expected after the edit the tests
make, built from the same object graph with the entry taken out.  The tests compare
content, not bytes: the object graph each file describes.

Run it from any folder; it writes next to itself:
    python3 tests/data/stores/make_archives.py
"""

import datetime
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))


class Obj:
    """An object of an archived class: its class chain and its fields in order."""

    def __init__(self, classes, **fields):
        self.classes = classes
        self.fields = fields


class Dict:
    def __init__(self, pairs, mutable=True):
        self.pairs = list(pairs)
        self.mutable = mutable


class Array:
    def __init__(self, items, mutable=True):
        self.items = list(items)
        self.mutable = mutable


class Set:
    def __init__(self, items):
        self.items = list(items)


class Date:
    def __init__(self, seconds_since_2001):
        self.seconds = seconds_since_2001


class Archiver:
    """Flattens an object graph into $objects.  Objects are numbered in the order
    they are first met walking the graph breadth-first, which is not the order the
    platform's encoder uses; an object met twice (by identity) is stored once."""

    def __init__(self):
        self.objects = ["$null"]
        self.by_identity = {}
        self.classes = {}
        self.pending = []

    def class_uid(self, chain):
        key = tuple(chain)
        if key not in self.classes:
            self.objects.append({"$classname": chain[0], "$classes": list(chain)})
            self.classes[key] = plistlib.UID(len(self.objects) - 1)
        return self.classes[key]

    def ref(self, value):
        if value is None:
            return plistlib.UID(0)
        # Plain values are stored once per occurrence, as Foundation does for most.
        if isinstance(value, (str, int, float, bytes, bool)):
            self.objects.append(value)
            return plistlib.UID(len(self.objects) - 1)
        if id(value) in self.by_identity:
            return self.by_identity[id(value)]
        self.objects.append(None)  # filled in below
        uid = plistlib.UID(len(self.objects) - 1)
        self.by_identity[id(value)] = uid
        self.pending.append((uid, value))
        return uid

    def fill(self, uid, value):
        if isinstance(value, Dict):
            chain = ["NSMutableDictionary", "NSDictionary", "NSObject"] if value.mutable \
                else ["NSDictionary", "NSObject"]
            entry = {"NS.keys": [self.ref(k) for k, _ in value.pairs],
                     "NS.objects": [self.ref(v) for _, v in value.pairs]}
        elif isinstance(value, Array):
            chain = ["NSMutableArray", "NSArray", "NSObject"] if value.mutable else ["NSArray", "NSObject"]
            entry = {"NS.objects": [self.ref(v) for v in value.items]}
        elif isinstance(value, Set):
            chain = ["NSSet", "NSObject"]
            entry = {"NS.objects": [self.ref(v) for v in value.items]}
        elif isinstance(value, Date):
            chain = ["NSDate", "NSObject"]
            entry = {"NS.time": float(value.seconds)}
        elif isinstance(value, Obj):
            chain = value.classes
            entry = {}
            for name, field in value.fields.items():
                # Scalars of an unmodelled object are stored inline; objects by reference.
                if isinstance(field, (int, float, bool)) and not isinstance(field, Ref):
                    entry[name] = field
                else:
                    entry[name] = self.ref(field.value if isinstance(field, Ref) else field)
        else:
            raise TypeError(value)
        entry["$class"] = self.class_uid(chain)
        self.objects[uid.data] = entry

    def archive(self, root):
        top = self.ref(root)
        while self.pending:
            batch, self.pending = self.pending, []
            for uid, value in batch:
                self.fill(uid, value)
        return {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": top},
                "$objects": self.objects}


class Ref:
    """A scalar-looking field stored by reference (an NSNumber object)."""

    def __init__(self, value):
        self.value = value


def write(name, root):
    data = plistlib.dumps(Archiver().archive(root), fmt=plistlib.FMT_BINARY, sort_keys=False)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def uuid(hex_text):
    return Obj(["NSUUID", "NSObject"], **{"NS.uuidbytes": bytes.fromhex(hex_text)})


# ---- The Mail notification archive --------------------------------------------------

def mail_archive(without=()):
    work = Obj(["MailAccountSummary", "NSObject"], identifier="acct-work", displayName="Work",
               unreadCount=12, enabled=True)
    home = Obj(["MailAccountSummary", "NSObject"], identifier="acct-home", displayName="Home \u00e9t\u00e9",
               unreadCount=0, enabled=False)

    def record(subject, sender, account, when, uuid_hex, extra=None):
        fields = dict(subject=subject, sender=sender, account=account, received=Date(when),
                      messageUUID=uuid(uuid_hex), flags=5, score=0.25, preview=Ref(-7))
        if extra is not None:
            fields["attachments"] = extra
        return Obj(["MailBulletinRecord", "MailStoredRecord", "NSObject"], **fields)

    records = [
        ("mail-1", record("Quarterly report", "ann@example.com", work, 423000000.5,
                          "00112233445566778899aabbccddeeff")),
        ("mail-2", record("Lunch?", "bob@example.com", home, 423000100.0,
                          "ffeeddccbbaa99887766554433221100",
                          Array([b"\x89PNG\r\n\x1a\n", "invoice.pdf", 3], mutable=False))),
        ("mail-3", record("Re: Lunch?", "ann@example.com", work, 423000200.0,
                          "0f1e2d3c4b5a69788796a5b4c3d2e1f0")),
        # A record ID that is a number rather than a string.
        (42, record("Numbered", "carol@example.com", home, 423000300.0,
                    "1234567890abcdef1234567890abcdef")),
    ]
    bulletins = Dict([(k, v) for k, v in records if k not in without])
    return Dict([
        ("version", 3),
        ("bulletins", bulletins),
        ("accounts", Array([work, home], mutable=False)),
        ("lastPrune", Date(422999999.0)),
        ("tags", Set(["inbox", "vip"])),
        ("token", b"\x00\x01\x02\xff"),
        ("ratio", 1.5),
        ("offset", -12345678901),
        ("syncing", False),
        ("missing", Dict([("gone", Array([], mutable=True))], mutable=False)),
    ], mutable=False)


# ---- Push store files --------------------------------------------------------------

def push_entry(message, when, badge, sound="default", extra_uuid=None):
    aps = Dict([("alert", message), ("badge", badge), ("sound", sound)], mutable=False)
    pairs = [
        ("AppNotificationMessage", message),
        ("AppNotificationCreationDate", Date(when)),
        ("AppNotificationUserInfo", Dict([("aps", aps), ("thread", "t-%d" % badge)], mutable=False)),
        ("AppNotificationBadgeNumber", badge),
    ]
    if extra_uuid is not None:
        pairs.append(("AppNotificationIdentifier", uuid(extra_uuid)))
    return Dict(pairs, mutable=False)


def chat_store(drop_first_dinner=False):
    first_dinner = push_entry("Dinner at 8?", 423100000.0, 1, extra_uuid="aa" * 16)
    # The same message text, but a different entry in every other key.
    second_dinner = push_entry("Dinner at 8?", 423100500.0, 2, sound="chime", extra_uuid="bb" * 16)
    other = push_entry("Game on", 423100900.0, 3)
    entries = [first_dinner, second_dinner, other]
    if drop_first_dinner:
        entries.remove(first_dinner)
    return Array(entries, mutable=True)


def twins_store(drop_twins=False):
    shared_id = uuid("cc" * 16)

    def twin():
        # Equal in every key to its twin: the same values, the same referenced object.
        e = push_entry("Your order shipped", 423200000.0, 4)
        e.pairs.append(("AppNotificationIdentifier", shared_id))
        return e

    entries = [push_entry("Unrelated", 423199000.0, 1), twin(), push_entry("Later", 423201000.0, 6), twin()]
    if drop_twins:
        entries = [entries[0], entries[2]]
    return Array(entries, mutable=True)


if __name__ == "__main__":
    write("Bulletins", mail_archive())
    write("Bulletins.without-mail-2", mail_archive(without=("mail-2",)))
    write("Bulletins.without-42", mail_archive(without=(42,)))
    write("com.example.chat.pushstore", chat_store())
    write("com.example.chat.pushstore.without-dinner", chat_store(drop_first_dinner=True))
    write("com.example.twins.pushstore", twins_store())
    write("com.example.twins.pushstore.without-twins", twins_store(drop_twins=True))
