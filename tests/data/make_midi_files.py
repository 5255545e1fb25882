#!/usr/bin/env python3
"""Writes the small hand-made MIDI files of this folder. Run it from here;
the files are committed, so it is needed only to change them."""


def vlq(v):
    out = [v & 0x7F]
    v >>= 7
    while v:
        out.insert(0, (v & 0x7F) | 0x80)
        v >>= 7
    return bytes(out)


def be(v, n):
    return v.to_bytes(n, "big")


def meta(dt, typ, data):
    return vlq(dt) + bytes([0xFF, typ]) + vlq(len(data)) + data


def end(dt=0):
    return meta(dt, 0x2F, b"")


def chunk(cid, body, length=None):
    return cid + be(len(body) if length is None else length, 4) + body


def smf(fmt, division, tracks, count=None):
    head = chunk(b"MThd", be(fmt, 2) + be(len(tracks) if count is None else count, 2) + be(division, 2))
    return head + b"".join(chunk(b"MTrk", t) for t in tracks)


def save(name, data):
    with open(name, "wb") as f:
        f.write(data)


# Format 0: every channel message kind, running status, the common metas.
fmt0 = (meta(0, 0x00, be(7, 2)) + meta(0, 0x03, b"Running status") +
        meta(0, 0x51, be(400000, 3)) + meta(0, 0x58, bytes([3, 2, 24, 8])) +
        meta(0, 0x59, bytes([0xFD, 1])) + meta(0, 0x54, bytes([0x60, 1, 2, 3, 4])) +
        meta(0, 0x20, bytes([2])) + meta(0, 0x21, bytes([1])) +
        meta(0, 0x7F, bytes([0x43, 0x7B, 0x01])) + meta(0, 0x60, b"\x01\x02") +
        bytes([0x00, 0xC1, 0x15, 0x00, 0xB1, 0x07, 0x64, 0x00, 0x0A, 0x40]) +  # running status controllers
        bytes([0x00, 0x91, 60, 100, 0x30, 64, 90, 0x30, 67, 80]) +          # chord by running status
        bytes([0x60, 60, 0, 0x00, 64, 0, 0x00, 67, 0]) +                    # note-on velocity 0
        bytes([0x10, 0xE1, 0x00, 0x40, 0x10, 0x7F, 0x7F]) +                 # pitch bend, running
        bytes([0x10, 0xD1, 0x30, 0x05, 0x20]) +                             # channel pressure, running
        bytes([0x10, 0xA1, 60, 0x10, 0x10, 0x81, 60, 0x40]) +               # poly pressure, note-off
        meta(0x83, 0x06, b"Fine") + end(0x81))
save("format0_running.mid", smf(0, 96, [fmt0]))

# System exclusive: a whole message, one split into packets, an escape.
gs_reset = bytes([0x41, 0x10, 0x42, 0x12, 0x40, 0x00, 0x7F, 0x00, 0x41, 0xF7])
sysex = (meta(0, 0x03, b"Sysex") + vlq(0) + b"\xF0" + vlq(len(gs_reset)) + gs_reset +
         vlq(10) + b"\xF0" + vlq(3) + bytes([0x43, 0x12, 0x00]) +
         vlq(5) + b"\xF7" + vlq(3) + bytes([0x43, 0x12, 0xF7]) +
         vlq(5) + b"\xF7" + vlq(2) + bytes([0xF8, 0xFA]) +
         vlq(5) + b"\xF0" + vlq(0) + end())
save("sysex_forms.mid", smf(1, 480, [sysex, bytes([0, 0x90, 60, 64, 0x60, 0x80, 60, 0]) + end()]))

# The same kind of song inside a RIFF RMID wrapper, with an odd-sized chunk before the data.
inner = smf(1, 120, [meta(0, 0x51, be(500000, 3)) + end(),
                     bytes([0, 0xC0, 0x00, 0, 0x90, 0x3C, 0x40, 0x78, 0x3C, 0x00]) + end()])
riff_body = (b"RMID" + b"info" + (5).to_bytes(4, "little") + b"abcde\x00" +
             b"data" + len(inner).to_bytes(4, "little") + inner)
save("rmid_wrapper.rmi", b"RIFF" + len(riff_body).to_bytes(4, "little") + riff_body)


def karaoke(encode):
    words = ["@KMIDI KARAOKE FILE"]
    t1 = meta(0, 0x01, words[0].encode()) + meta(0, 0x51, be(500000, 3)) + end()
    syll = ["@TCanción", "\\Can", "ción ", "del ", "año", "/€5 ", "¿sí?"]
    t2 = meta(0, 0x03, b"Words")
    for i, s in enumerate(syll):
        t2 += meta(0 if i == 0 else 48, 0x01, encode(s))
    t2 += end()
    t3 = bytes([0, 0x90, 60, 64, 0x60, 0x90, 60, 0]) + meta(0, 0x05, encode("¡olé!")) + end()
    return smf(1, 96, [t1, t2, t3])


save("lyrics_cp1252.kar", karaoke(lambda s: s.encode("cp1252")))
save("lyrics_utf8.kar", karaoke(lambda s: s.encode("utf-8")))

# Damaged files as found in the wild.
t_ok = meta(0, 0x03, b"First") + bytes([0, 0x90, 60, 64, 0x10, 0x80, 60, 0]) + end()
t_cut = bytes([0, 0x90, 62, 64, 0x10, 0x80, 62, 0, 0x10, 0x90, 64])   # last event cut off
save("track_past_eof.mid", smf(1, 96, [t_ok], count=2) + chunk(b"MTrk", t_cut, length=200))

t_noend = bytes([0, 0x90, 60, 64, 0x10, 0x80, 60, 0])                  # no end of track
save("no_end_of_track.mid", smf(1, 96, [t_noend, t_ok]))

save("unknown_chunk.mid",
     chunk(b"MThd", be(1, 2) + be(2, 2) + be(96, 2)) + chunk(b"XFIH", b"\x00\x01\x02\x03\x04") +
     chunk(b"MTrk", t_ok) + chunk(b"ZZZZ", b"\xFF" * 7) + chunk(b"MTrk", t_noend + end()))

save("format2.mid", smf(2, 96, [meta(0, 0x51, be(300000, 3)) + bytes([0, 0x90, 60, 1, 1, 0x80, 60, 0]) + end(),
                                meta(0, 0x51, be(700000, 3)) + bytes([5, 0x92, 61, 2]) + end(3)]))

save("smpte.mid", chunk(b"MThd", be(0, 2) + be(1, 2) + bytes([0xE7, 40])) +
     chunk(b"MTrk", bytes([0, 0x90, 60, 64, 40, 0x80, 60, 0]) + end()))
