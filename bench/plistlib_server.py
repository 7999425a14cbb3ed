#!/usr/bin/env python3
"""Python's plistlib doing what bench_plist measures, for timing in the same run.

bench_plist starts this once and sends one command a line on standard input; each
answer is one line on standard output:

    mail-write PATH N               writes an N-entry Mail notification archive -> "ok"
    mail-edit SOURCE TARGET KEY     removes the entry KEY from SOURCE's "bulletins"
                                    and writes the archive to TARGET -> seconds taken
    read PATH                       reads a property-list file -> seconds taken

The Mail archive is a keyed archive as the system writes it: a root dictionary
whose "bulletins" dictionary maps record IDs to bulletin objects of a class the
platform does not model, with a date, a UUID object and an account object shared by
many of them.

The edit is the least work it takes in plistlib: load the file, take the key and its
object out of the two arrays of the "bulletins" dictionary (nothing else is decoded;
the removed entry's objects stay behind as orphans), write the file with the same
fsync policy as the platform's atomic write: a temporary file in the same folder,
flushed with fsync, renamed over the target, then the folder flushed.
"""
import os
import plistlib
import sys
import time


def mail_archive(entries):
    objects = ["$null"]

    def add(value):
        objects.append(value)
        return plistlib.UID(len(objects) - 1)

    classes = {}

    def cls(*chain):
        if chain not in classes:
            classes[chain] = add({"$classname": chain[0], "$classes": list(chain)})
        return classes[chain]

    root = add(None)
    bulletins = add(None)
    accounts = [add({"$class": cls("MailAccountSummary", "NSObject"), "identifier": add("acct-%d" % a),
                     "displayName": add("Account %d" % a), "unreadCount": 3 * a, "enabled": a % 2 == 0})
                for a in range(3)]
    keys, values = [], []
    for i in range(entries):
        keys.append(add("mail-record-%d" % i))
        date = add({"$class": cls("NSDate", "NSObject"), "NS.time": 410000000.0 + 60.0 * i})
        uuid = add({"$class": cls("NSUUID", "NSObject"), "NS.uuidbytes": i.to_bytes(16, "big")})
        values.append(add({
            "$class": cls("BBBulletin", "NSObject"),
            "bulletinID": add("bulletin-%08d" % i),
            "recordID": add("mail-record-%d" % i),
            "sectionID": add("com.apple.mobilemail"),
            "title": add("Sender %d" % (i % 97)),
            "message": add("Message number %d: a preview of the mail as the list shows it" % i),
            "date": date,
            "messageUUID": uuid,
            "account": accounts[i % 3],
            "badge": i % 50,
            "flags": 5,
            "score": 0.25,
        }))
    objects[bulletins.data] = {"$class": cls("NSMutableDictionary", "NSDictionary", "NSObject"),
                               "NS.keys": keys, "NS.objects": values}
    objects[root.data] = {"$class": cls("NSDictionary", "NSObject"),
                          "NS.keys": [add("version"), add("bulletins")], "NS.objects": [add(3), bulletins]}
    return {"$archiver": "NSKeyedArchiver", "$version": 100000, "$top": {"root": root}, "$objects": objects}


def write_atomically(target, data):
    folder = os.path.dirname(os.path.abspath(target))
    temp = target + ".tmp"
    with open(temp, "wb") as f:
        f.write(data)
        f.flush()
        os.fsync(f.fileno())
    os.replace(temp, target)
    fd = os.open(folder, os.O_RDONLY)
    try:
        os.fsync(fd)
    finally:
        os.close(fd)


def mail_edit(source, target, key):
    with open(source, "rb") as f:
        archive = plistlib.load(f)
    objects = archive["$objects"]
    root = objects[archive["$top"]["root"].data]
    bulletins = None
    for k, v in zip(root["NS.keys"], root["NS.objects"]):
        if objects[k.data] == "bulletins":
            bulletins = objects[v.data]
    keys, values = bulletins["NS.keys"], bulletins["NS.objects"]
    for i, k in enumerate(keys):
        if objects[k.data] == key:
            del keys[i]
            del values[i]
            break
    write_atomically(target, plistlib.dumps(archive, fmt=plistlib.FMT_BINARY, sort_keys=False))


def read(path):
    with open(path, "rb") as f:
        return plistlib.load(f)


def main():
    for line in sys.stdin:
        words = line.split()
        if not words:
            continue
        if words[0] == "mail-write":
            with open(words[1], "wb") as f:
                f.write(plistlib.dumps(mail_archive(int(words[2])), fmt=plistlib.FMT_BINARY, sort_keys=False))
            print("ok", flush=True)
        elif words[0] == "mail-edit":
            start = time.perf_counter()
            mail_edit(words[1], words[2], words[3])
            print("%.9f" % (time.perf_counter() - start), flush=True)
        elif words[0] == "read":
            start = time.perf_counter()
            read(words[1])
            print("%.9f" % (time.perf_counter() - start), flush=True)
        else:
            print("error unknown command", flush=True)


if __name__ == "__main__":
    main()
