#!/usr/bin/env python3
"""Writes the property lists and keyed archives under tests/data/plist with Python's
plistlib, so the platform is checked against files it did not write itself.

Run from anywhere: python3 make_plist_data.py  (writes next to this script).
The tests read the files only; they never need Python.  The values written here are
the values the tests expect; keep both in step.
"""
import datetime
import os
import plistlib

HERE = os.path.dirname(os.path.abspath(__file__))
UTC = datetime.datetime  # plistlib treats naive datetimes as UTC


def save(name, value, fmt):
    data = plistlib.dumps(value, fmt=fmt, sort_keys=True)
    with open(os.path.join(HERE, name), "wb") as f:
        f.write(data)


def xml_uids(value):
    """plistlib writes no UIDs in XML; Foundation writes each as {CF$UID = n}."""
    if isinstance(value, plistlib.UID):
        return {"CF$UID": value.data}
    if isinstance(value, dict):
        return {k: xml_uids(v) for k, v in value.items()}
    if isinstance(value, list):
        return [xml_uids(v) for v in value]
    return value


def both(stem, value):
    save(stem + ".xml", xml_uids(value), plistlib.FMT_XML)
    save(stem + ".bin", value, plistlib.FMT_BINARY)


# --- Property lists -----------------------------------------------------------------

TYPES = {
    "true": True,
    "false": False,
    "zero": 0,
    "small": 200,
    "u16": 65535,
    "u32": 4294967295,
    "big": 9007199254740993,
    "max": 9223372036854775807,
    "minusOne": -1,
    "negative": -1234567890123,
    "min": -9223372036854775808,
    "half": 0.5,
    "real": -1234.125,
    "huge": 1e300,
    "ascii": "plain text & <markup>",
    "unicode": "h\u00e9llo \u65e5\u672c \U0001F600",
    "empty": "",
    "data": bytes(range(0, 256, 5)),
    "emptyData": b"",
    "date": UTC(2013, 9, 18, 12, 30, 45),
    "oldDate": UTC(1990, 1, 2, 3, 4, 5),
    "list": [1, "two", 3.5, False, [], {}],
    "nested": {"inner": {"deeper": ["x", "y"]}, "count": 2},
}

# Forty options of the kind a tweak's options file holds.
OPTIONS = {}
for i in range(24):
    OPTIONS["Switch%02d" % i] = i % 3 != 0
for i in range(6):
    OPTIONS["Level%02d" % i] = i * 7 - 10
for i in range(4):
    OPTIONS["Alpha%02d" % i] = 0.25 * i + 0.1
for i in range(4):
    OPTIONS["Name%02d" % i] = "value number %d" % i
OPTIONS["foldedSections"] = ["com.apple.MobileSMS", "com.apple.mobilemail", "com.example.weather"]
OPTIONS["tint"] = "hotpink"
assert len(OPTIONS) == 40


# --- Keyed archives -----------------------------------------------------------------

class Archive:
    """A hand-made NSKeyedArchiver layout.  UID objects are interned so that plistlib
    writes each UID value once, as the platform's writer does."""

    def __init__(self):
        self.objects = ["$null"]
        self.uids = {}
        self.class_uids = {}

    def uid(self, n):
        return self.uids.setdefault(n, plistlib.UID(n))

    def reserve(self):
        self.objects.append(None)
        return len(self.objects) - 1

    def put(self, index, value):
        self.objects[index] = value
        return self.uid(index)

    def add(self, value):
        return self.put(self.reserve(), value)

    def cls(self, chain, extra=None):
        key = tuple(chain)
        if key not in self.class_uids:
            entry = {"$classname": chain[0], "$classes": list(chain)}
            entry.update(extra or {})
            self.class_uids[key] = self.add(entry)
        return self.class_uids[key]

    def dictionary(self, pairs, mutable=False):
        index = self.reserve()
        keys = [k for k, _ in pairs]
        values = [v for _, v in pairs]
        chain = ["NSMutableDictionary", "NSDictionary", "NSObject"] if mutable else ["NSDictionary", "NSObject"]
        return self.put(index, {"NS.keys": keys, "NS.objects": values, "$class": self.cls(chain)})

    def array(self, items, mutable=False):
        chain = ["NSMutableArray", "NSArray", "NSObject"] if mutable else ["NSArray", "NSObject"]
        return self.add({"NS.objects": list(items), "$class": self.cls(chain)})

    def date(self, seconds):
        return self.add({"NS.time": seconds, "$class": self.cls(["NSDate", "NSObject"])})

    def document(self, root):
        return {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": root}, "$objects": self.objects}


def mail_archive():
    """Shaped like the Mail notification store: a root dictionary whose "bulletins"
    entry maps record IDs to objects of a class the platform does not model, next to
    entries of every class the platform does model."""
    a = Archive()
    root = a.reserve()
    k_bulletins, k_version, k_purge, k_tags = a.add("bulletins"), a.add("version"), a.add("lastPurge"), a.add("tags")
    k_home, k_nothing, k_title, k_shared = a.add("homepage"), a.add("nothing"), a.add("title"), a.add("sharedTitle")
    k_blob, k_negative, k_flags, k_buffer = a.add("blob"), a.add("negative"), a.add("flags"), a.add("buffer")

    section = a.add({"sectionID": a.add("com.apple.mobilemail"), "displayName": a.add("Mail"),
                     "$class": a.cls(["BBSectionInfo", "NSObject"], {"$classhints": ["BBSectionInfo"]})})
    bulletin_class = a.cls(["BBBulletin", "NSObject"], {"$classhints": ["BBBulletin"]})
    records = []
    for n, text in ((1, "Lunch at noon?"), (2, "Quarterly report"), (3, "Re: photos")):
        record = a.add("mail-record-%d" % n)
        records.append(record)
        a.add({
            "recordID": record,                # the same string object as the dictionary key
            "message": a.add(text),
            "date": a.date(400000000.0 + n),
            "section": section,                # one section object shared by every bulletin
            "badge": n,                        # inline scalars of several kinds
            "unread": n != 2,
            "ratio": n / 4,
            "token": bytes([n, 0, 255]),
            "actions": [a.add("open"), a.add("archive-%d" % n)],
            "context": {"mailbox": a.add("INBOX"), "empty": a.uid(0)},
            "$class": bulletin_class,
        })
    bulletin_uids = [a.uid(i) for i, o in enumerate(a.objects)
                     if isinstance(o, dict) and o.get("$class") == bulletin_class]
    bulletins = a.dictionary(list(zip(records, bulletin_uids)), mutable=True)

    title = a.add({"NS.string": "Mail \u2709", "$class": a.cls(["NSMutableString", "NSString", "NSObject"])})
    tags = a.add({"NS.objects": [a.add("work"), a.add("home")], "$class": a.cls(["NSSet", "NSObject"])})
    home = a.add({"NS.base": a.uid(0), "NS.relative": a.add("https://example.com/mail?x=1"),
                  "$class": a.cls(["NSURL", "NSObject"])})
    nothing = a.add({"$class": a.cls(["NSNull", "NSObject"])})
    flags = a.array([a.add(True), a.add(False), a.add(2.5), a.add(-7)], mutable=False)
    buffer = a.add({"NS.data": b"\x00\x01\x02mutable", "$class": a.cls(["NSMutableData", "NSData", "NSObject"])})
    pairs = [(k_bulletins, bulletins), (k_version, a.add(3)), (k_purge, a.date(399999000.5)), (k_tags, tags),
             (k_home, home), (k_nothing, nothing), (k_title, title), (k_shared, title),
             (k_blob, a.add(b"\xde\xad\xbe\xef")), (k_negative, a.add(-42)), (k_flags, flags), (k_buffer, buffer)]
    a.put(root, {"NS.keys": [k for k, _ in pairs], "NS.objects": [v for _, v in pairs],
                 "$class": a.cls(["NSDictionary", "NSObject"])})
    return a.document(a.uid(root))


def pushstore_archive(count):
    """Shaped like an app's push store: a mutable array of mutable dictionaries."""
    a = Archive()
    root = a.reserve()
    k_msg, k_date, k_badge, k_info = (a.add("AppNotificationMessage"), a.add("AppNotificationCreationDate"),
                                      a.add("AppNotificationBadgeNumber"), a.add("AppNotificationUserInfo"))
    k_aps, k_sound = a.add("aps"), a.add("sound")
    entries = []
    for n in range(count):
        info = a.dictionary([(k_aps, a.dictionary([(k_sound, a.add("chime"))]))])
        entries.append(a.dictionary([(k_msg, a.add("Message %d" % n)), (k_date, a.date(410000000.0 + 60 * n)),
                                     (k_badge, a.add(n + 1)), (k_info, info)], mutable=True))
    a.put(root, {"NS.objects": entries, "$class": a.cls(["NSMutableArray", "NSArray", "NSObject"])})
    return a.document(a.uid(root))


def malformed():
    """Archives that must be refused, each wrong in one way."""
    def simple(objects, root=1):
        return {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": plistlib.UID(root)},
                "$objects": objects}

    array_class = {"$classname": "NSArray", "$classes": ["NSArray", "NSObject"]}
    U = plistlib.UID
    return {
        "bad_uid_out_of_range": simple(["$null", {"NS.objects": [U(9)], "$class": U(2)}, array_class]),
        "bad_root_out_of_range": simple(["$null", "x"], root=5),
        "bad_cycle": simple(["$null", {"NS.objects": [U(3)], "$class": U(2)}, array_class,
                             {"NS.objects": [U(1)], "$class": U(2)}]),
        "bad_container_type": simple(["$null", {"NS.objects": "not an array", "$class": U(2)}, array_class]),
        "bad_class_reference": simple(["$null", {"NS.objects": [], "$class": U(1)}]),
        "bad_objects_not_array": {"$archiver": "NSKeyedArchiver", "$version": 100000,
                                  "$top": {"root": U(1)}, "$objects": {"a": 1}},
        "bad_dictionary_counts": simple(["$null", {"NS.keys": [U(3)], "NS.objects": [],
                                                   "$class": U(2)},
                                         {"$classname": "NSDictionary", "$classes": ["NSDictionary", "NSObject"]},
                                         "k"]),
    }


def main():
    both("types", TYPES)
    both("array_root", ["first", 2, {"third": True}])
    both("options", OPTIONS)
    both("archive_mail", mail_archive())
    save("archive_pushstore.bin", pushstore_archive(12), plistlib.FMT_BINARY)
    for name, value in malformed().items():
        save(name + ".bin", value, plistlib.FMT_BINARY)


if __name__ == "__main__":
    main()
