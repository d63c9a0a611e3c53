#!/usr/bin/env python3
"""Writes the seed corpora of the fuzz targets into fuzz/corpus/<target>/.

The seeds are realistic server streams (Windows-1252 bytes) in the record
format that fuzz_receive.cpp describes, and ChatWatch.cfg images of every
version. The output is deterministic; run it again after changing a seed.
"""

import random
import shutil
import struct
from pathlib import Path

HERE = Path(__file__).resolve().parent
CORPUS = HERE / "corpus"

# ---------------------------------------------------------------- fuzz_receive

OP_CHUNK_READ = 0
OP_CHUNK_QUEUE = 100
OP_READ = 112
OP_CLOSE = 118
OP_ATTACH = 122
OP_ATTACH_SAME_CHAT = 125
OP_FAIL = 126


class Stream:
    """Builds one input: records for session 0 and 1."""

    def __init__(self, seed):
        self.out = bytearray()
        self.rng = random.Random(seed)

    def record(self, session, op):
        self.out.append((op << 1) | session)

    def chunk(self, session, data, read=True):
        while data:
            part, data = data[:255], data[255:]
            self.record(session, OP_CHUNK_READ if read else OP_CHUNK_QUEUE)
            self.out.append(len(part))
            self.out += part

    def send(self, session, data, min_cut=1, max_cut=254):
        """Sends `data` in chunks of random size, each followed by a read event."""
        while data:
            n = self.rng.randint(min_cut, max_cut)
            self.chunk(session, data[:n])
            data = data[n:]

    def read(self, session):
        self.record(session, OP_READ)

    def close(self, session):
        self.record(session, OP_CLOSE)

    def attach(self, session, same_chat=False):
        self.record(session, OP_ATTACH_SAME_CHAT if same_chat else OP_ATTACH)

    def fail(self, session):
        self.record(session, OP_FAIL)

    def dialog_records(self, count):
        """The byte the Login dialog reads: it then runs `count` records."""
        self.out.append((count - 1) % 8)


def crlf(*lines):
    return b"".join(line + b"\r\n" for line in lines)


BOLD, RESET = b"\x1b[1m", b"\x1b[0m"
CHAT_LINES = crlf(
    BOLD + b"<Gast>" + RESET + b" Hallo zusammen!",
    b"<Anderer> Sch\xf6nen guten Morgen, wie geht's?",
    b"<*Fl\xfcsterer*> Hast Du kurz Zeit? Ich m\xf6chte Dich was fragen.",
    b"/w Fl\xfcsterer Ja klar, was gibt's?",
    b"--> Neuling kommt in den Chat.",
    b"--> Gast verl\xe4sst den Chat.",
    b">>> Gast ist jetzt weg (Mittagspause).",
    b">>> Server, bitte beachten: Wartung um 22 Uhr.",
    b"\x1b[31m<Rot>\x1b[0m \x1b[1;32mbunter\x1b[0m Text mit Farbe",
    b"<Lang> " + b"Ein sehr langer Satz \xfcber gro\xdfe Dinge, " * 5 + b"Ende.",
    b"<Ohne>Leerzeichen",
    b"Einfacher Text ohne Form",
    b"-- halbe Zeile",
    b"<",
    b">",
    b"-->",
    b"",
)

NAMES = [b"Gast", b"Anderer", b"Dritter", b"Fl\xe7cke", b"Zorro", b"abc123", b"Mia", b"Ben", b"Lea_2", b"X-Ray"]


def chatter_list(names, channels, header=b"| Chatter und Chatterinnen im Brenn-Chat:      "):
    frame = b"+" + b"-" * 60 + b"+"
    lines = [frame, header, frame]
    per = max(1, len(names) // len(channels))
    for i, (channel, protected) in enumerate(channels):
        group = names[i * per:(i + 1) * per] if i < len(channels) - 1 else names[i * per:]
        if not group:
            group = [b"Leer"]
        rows = [group[j:j + 5] for j in range(0, len(group), 5)]
        for k, row in enumerate(rows):
            text = b", ".join(row)
            if k < len(rows) - 1:
                lines.append(b"| " + text + b",")
            else:
                label = channel + b" " + (b"*" if protected else b"")
                lines.append(b"| " + text + b"      " + label + b"   ")
    lines.append(frame)
    return crlf(*lines)


LIST = chatter_list([n + b" (weg)" if i == 3 else n for i, n in enumerate(NAMES)],
                    [(b"Lobby", False), (b"Hinterzimmer", True), (b"Garten", False)])
HELP = crlf(b"/h", b"+------------------------+", b"| /w Name Text  fl\xfcstern |",
            b"| /s  Chatterliste        |", b"+------------------------+", b"Ende der Hilfe")
LOGIN_PROMPT = b"Gib Deinen Namen ein (oder /Show, /Exit, /Help): "
NAME_ERRORS = [
    b">>> Dieser Name wird bereits benutzt. Bitte gib einen anderen Namen ein.",
    b">>> Ungueltige Zeichen im Namen.",
    b">>> ### ERROR: ungueltige Zeichen im Namen ###",
    b">>> Den Chatter gibts schon!",
]


def receive_seeds():
    seeds = {}

    s = Stream(1)
    s.send(0, CHAT_LINES)
    seeds["chat_lines"] = s

    s = Stream(2)
    s.send(0, CHAT_LINES, 1, 8)
    s.send(1, CHAT_LINES, 200, 254)
    seeds["chat_lines_small_and_large_chunks"] = s

    # The keep-alive answers of both servers interleave line by line.
    s = Stream(3)
    a = (b"/s\r\n" + LIST).split(b"\n")
    b = (b"/s\r\n" + chatter_list(NAMES[::-1], [(b"Lobby", False)])).split(b"\n")
    for i in range(max(len(a), len(b))):
        if i < len(a) and a[i]:
            s.chunk(0, a[i] + b"\n")
        if i < len(b) and b[i]:
            s.chunk(1, b[i] + b"\n")
    seeds["keepalive_interleaved"] = s

    s = Stream(4)
    s.send(0, b"/S\r\n" + LIST + CHAT_LINES[:200])
    seeds["shown_list"] = s

    s = Stream(5)
    s.send(0, HELP + b"/s\r\n" + LIST)
    seeds["help_then_list"] = s

    s = Stream(6)
    s.send(0, crlf(b">-> Tester wird zu Neu.", b">-> Neu wird zu Tester.", b">-> Gast wird zu Gast2.",
                   b">-> Testerin wird zu Fremd."))
    s.send(1, crlf(b">-> Gast wird zu Anders."))
    seeds["renames"] = s

    for i, error in enumerate(NAME_ERRORS):
        s = Stream(10 + i)
        s.chunk(0, LOGIN_PROMPT)
        s.chunk(0, b"\r\n" + error + b"\r\n")
        # The dialog's nested loop: more bytes for both sessions, another rejection, a close.
        s.dialog_records(4)
        s.chunk(0, b"<Gast> w\xe4hrend des Dialogs\r\n" + NAME_ERRORS[(i + 1) % 4] + b"\r\n")
        s.chunk(1, b"/s\r\n" + LIST[:120])
        s.close(0)
        s.attach(0)
        s.send(0, CHAT_LINES[:300])
        seeds[f"name_error_{i}"] = s

    s = Stream(20)
    s.chunk(0, LOGIN_PROMPT)
    s.chunk(0, b"/s\r\n" + LIST)
    seeds["login_prompt_with_echo"] = s

    s = Stream(21)
    s.chunk(0, LOGIN_PROMPT)
    s.read(0)
    seeds["login_prompt_only"] = s

    s = Stream(22)
    s.chunk(0, b"<Gast> fett \x1b[")
    s.chunk(0, b"1mweiter\x1b[0m\r\n<Gast> Ende \x1b")
    s.chunk(0, b"[")
    s.chunk(0, b"0m\r\n\x1b[")
    seeds["escape_cut"] = s

    s = Stream(23)
    s.send(0, b"<Gast> mit\x00Null\x00bytes\r\n\x00\x00\x00\r\n<\x00*x*> y\r\n")
    seeds["nul_bytes"] = s

    s = Stream(24)
    long_line = b"<Gast> " + b"x" * 247
    s.chunk(0, long_line)
    s.chunk(0, b"y" * 254)
    s.chunk(0, b"z" * 10 + b"\r\n")
    s.chunk(1, b"a" * 254, read=False)
    s.chunk(1, b"b" * 254, read=False)
    s.chunk(1, b"\n")
    seeds["lines_without_feed"] = s

    s = Stream(25)
    s.send(0, CHAT_LINES[:150])
    s.close(0)
    s.send(1, CHAT_LINES[:150])
    s.attach(0)
    s.send(0, b"/s\r\n" + LIST)
    s.close(1)
    s.attach(1, same_chat=True)
    s.send(1, b"/s\r\n" + LIST)
    s.close(0)
    seeds["close_and_reconnect"] = s

    s = Stream(26)
    s.chunk(0, b"<Gast> halb")
    s.fail(0)
    s.read(0)
    s.chunk(0, b"e Zeile\r\n")
    seeds["receive_fails"] = s

    s = Stream(27)
    rows = [b"| " + b", ".join(NAMES) + b","] * 4
    s.send(0, b"/s\r\n" + crlf(b"+---+", b"| Chatter und Chatterinnen im Brenn-Chat:      ", b"+---+",
                                *rows, b"| Gast (sehr lange Bemerkung ohne Ende", b"|Name:  Lobby *",
                                b"| a, b (x), c (y)   " + b"K" * 120 + b" *", b"+---+"))
    seeds["odd_list_lines"] = s
    return seeds


# --------------------------------------------------------- fuzz_chatwatch_load

def field(text, width):
    text = text[:width - 1]
    return text + b"\0" * (width - len(text))


def record(name, text=b"", context=None, flags=(0, 0, 1, 0)):
    out = bytes(flags) + field(name, 21) + field(text, 255)
    if context is not None:
        out += field(context, 128)
    return out


def chatwatch_seeds():
    seeds = {}
    v = lambda n: struct.pack("<I", n)
    old = [record(b"Gast"), record(b"Fl\xfcsterer", b"Hallo, sch\xf6n Dich zu sehen!", flags=(0, 0, 1, 1)),
           record(b"Zorro", b"", flags=(1, 1, 0, 0))]
    new = [record(b"Gast", context=b""), record(b"Gast", b"Willkommen", context=b"Brenn-Chat"),
           record(b"Mia", b"Gru\xdf", context=b"", flags=(0, 0, 0, 1)),
           record(b"N" * 30, b"T" * 300, context=b"C" * 200, flags=(255, 7, 2, 9))]
    seeds["v0"] = v(0) + b"".join(old)
    seeds["v1"] = v(1) + b"".join(old)
    seeds["v2"] = v(2) + b"".join(new)
    seeds["v2_empty"] = v(2)
    seeds["v1_truncated"] = v(1) + b"".join(old)[:400]
    seeds["v2_truncated_record"] = v(2) + b"".join(new)[:500]
    seeds["v2_truncated_in_flags"] = v(2) + new[0] + new[1][:2]
    seeds["version_word_only_short"] = v(2)[:3]
    seeds["unknown_version"] = v(3) + new[0]
    seeds["v2_no_terminators"] = v(2) + b"\xff" * 408 * 2
    return seeds


# ---------------------------------------------------------------- fuzz_reentrancy
# Records as fuzz_reentrancy.cpp reads them: an options byte, then op bytes
# with their arguments; a box or dialog that opens reads a count byte and runs
# that many records in its loop (a dialog then reads its answer byte).

RE_LOG_FAILS = 1
RE_SAVE_FAILS = 2
RE_GREET = 4
RE_NOTIFY_ONCE = 8
RE_AUTOWHISPER = 16

# Indices into the Lines table of fuzz_reentrancy.cpp.
L_ECHO, L_ECHO_SHOWN, L_PLUS, L_HEADER, L_LOBBY, L_KELLER = 0, 1, 2, 3, 4, 5
L_LONG_PUBLIC, L_LONG_PLAIN, L_WHISPER, L_EVENT, L_NAME_ERROR, L_RENAME, L_PROMPT, L_HALF = range(6, 14)

RE_LIST = [L_ECHO, L_PLUS, L_HEADER, L_PLUS, L_LOBBY, L_PLUS]


def re_connect(chat=0, nick=0):
    return bytes([0, chat + 4 * nick])


def re_lines(session, lines):
    out = bytearray()
    while lines:
        part, lines = lines[:6], lines[6:]
        out += bytes([3, session, len(part) - 1]) + bytes(part)
    return bytes(out)


def re_close(session):
    return bytes([6, session])


def re_box(*records):
    """What runs in the next box's loop."""
    return bytes([len(records)]) + b"".join(records)


def reentrancy_seeds():
    seeds = {}
    # The two crashes: a box opens while a list or a wrapped row is read, and
    # the server closes the session in the box's loop.
    seeds["crash_tree_after_log_box"] = (
        bytes([RE_LOG_FAILS]) + re_connect() + re_lines(0, RE_LIST) + re_box(re_close(0)))
    seeds["crash_wrapped_row_after_log_box"] = (
        bytes([RE_LOG_FAILS]) + re_connect() + re_lines(0, [L_LONG_PLAIN]) + re_box(re_close(0)))
    seeds["crash_tree_after_save_box"] = (
        bytes([RE_SAVE_FAILS | RE_GREET]) + re_connect() + re_lines(0, RE_LIST) + re_box(re_close(0)))
    # The box closes another session, or a new one connects in it.
    seeds["box_closes_other"] = (
        bytes([RE_LOG_FAILS]) + re_connect(0) + re_connect(1) + re_lines(0, RE_LIST) + re_box(re_close(1))
        + re_lines(1, RE_LIST))
    seeds["box_connects_and_lists"] = (
        bytes([RE_SAVE_FAILS | RE_GREET | RE_NOTIFY_ONCE]) + re_connect(0) + re_lines(0, RE_LIST)
        + re_box(re_connect(1), re_lines(1, RE_LIST), re_lines(0, RE_LIST)) + re_box(re_close(0)))
    # Dialogs: the Login dialog of a name error, the connect road, the ChatWatch dialog.
    seeds["name_error_login_dialog"] = (
        bytes([RE_LOG_FAILS]) + re_connect() + re_lines(0, [L_NAME_ERROR])
        + re_box(re_lines(0, [L_LONG_PUBLIC]), re_close(0)) + bytes([0]))
    seeds["connect_road"] = (
        bytes([RE_AUTOWHISPER]) + bytes([8]) + re_box(re_lines(0, RE_LIST)) + bytes([0])
        + re_box(re_lines(0, [L_PROMPT]), re_close(0)) + bytes([0]))
    seeds["chatwatch_dialog"] = (
        bytes([RE_SAVE_FAILS]) + re_connect() + bytes([12, 0]) + re_box(re_lines(0, RE_LIST), re_close(0))
        + bytes([9, 3]) + re_box(re_lines(0, RE_LIST)) + bytes([0]))
    seeds["typed_and_clicked"] = (
        bytes([RE_LOG_FAILS | RE_AUTOWHISPER]) + re_connect() + re_lines(0, RE_LIST + [L_WHISPER, L_EVENT])
        + bytes([14, 1, 0, 13, 1, 2, 15, 12]) + b"/aw bin weg" + re_lines(0, [L_WHISPER, L_RENAME]))
    return seeds


def write(target, seeds):
    directory = CORPUS / target
    if directory.exists():
        shutil.rmtree(directory)
    directory.mkdir(parents=True)
    for name, data in seeds.items():
        if isinstance(data, Stream):
            data = bytes(data.out)
        (directory / name).write_bytes(data)


def main():
    write("fuzz_receive", receive_seeds())
    write("fuzz_chatwatch_load", chatwatch_seeds())
    write("fuzz_reentrancy", reentrancy_seeds())


if __name__ == "__main__":
    main()
