#!/usr/bin/env python3
"""Writes the demo art fonts of TavikClient: block5.fnt, schraeg.fnt, farbe.fnt.

All three are drawn from one set of 5 x 5 letter shapes of our own. The files
are Windows-1252 text with CR LF line ends, laid out as the client reads them:

    HEIGHT: 5
    SUBTYPE: n          (optional, second line only)
    then one section per glyph, in glyph-number order:
    SUB: n              (optional)
    ESC: n              (optional)
    WIDTH: n            (optional)
    ZEICHEN: A a        (optional; "§" stands for the blank)
    5 picture rows

Glyphs 0-25 are A-Z and 26-35 the digits, where the client's default table
looks for them; glyph 36 is the blank, which the default table also uses for
every character no "ZEICHEN:" list names. Run from anywhere:

    python3 demo/fonts/make_fonts.py
"""

from pathlib import Path

HEIGHT = 5

# (characters the glyph is used for, rows). "#" marks a filled cell.
LETTERS = {
    "A": [" ### ", "#   #", "#####", "#   #", "#   #"],
    "B": ["#### ", "#   #", "#### ", "#   #", "#### "],
    "C": [" ####", "#    ", "#    ", "#    ", " ####"],
    "D": ["#### ", "#   #", "#   #", "#   #", "#### "],
    "E": ["#####", "#    ", "#### ", "#    ", "#####"],
    "F": ["#####", "#    ", "#### ", "#    ", "#    "],
    "G": [" ####", "#    ", "#  ##", "#   #", " ### "],
    "H": ["#   #", "#   #", "#####", "#   #", "#   #"],
    "I": ["###", " # ", " # ", " # ", "###"],
    "J": ["  ###", "   # ", "   # ", "#  # ", " ##  "],
    "K": ["#   #", "#  # ", "###  ", "#  # ", "#   #"],
    "L": ["#    ", "#    ", "#    ", "#    ", "#####"],
    "M": ["#   #", "## ##", "# # #", "#   #", "#   #"],
    "N": ["#   #", "##  #", "# # #", "#  ##", "#   #"],
    "O": [" ### ", "#   #", "#   #", "#   #", " ### "],
    "P": ["#### ", "#   #", "#### ", "#    ", "#    "],
    "Q": [" ### ", "#   #", "# # #", "#  # ", " ## #"],
    "R": ["#### ", "#   #", "#### ", "#  # ", "#   #"],
    "S": [" ####", "#    ", " ### ", "    #", "#### "],
    "T": ["#####", "  #  ", "  #  ", "  #  ", "  #  "],
    "U": ["#   #", "#   #", "#   #", "#   #", " ### "],
    "V": ["#   #", "#   #", "#   #", " # # ", "  #  "],
    "W": ["#   #", "#   #", "# # #", "## ##", "#   #"],
    "X": ["#   #", " # # ", "  #  ", " # # ", "#   #"],
    "Y": ["#   #", " # # ", "  #  ", "  #  ", "  #  "],
    "Z": ["#####", "   # ", "  #  ", " #   ", "#####"],
}

DIGITS = {
    "0": [" ### ", "#  ##", "# # #", "##  #", " ### "],
    "1": [" # ", "## ", " # ", " # ", "###"],
    "2": [" ### ", "#   #", "  ## ", " #   ", "#####"],
    "3": ["#### ", "    #", " ### ", "    #", "#### "],
    "4": ["#   #", "#   #", "#####", "    #", "    #"],
    "5": ["#####", "#    ", "#### ", "    #", "#### "],
    "6": [" ### ", "#    ", "#### ", "#   #", " ### "],
    "7": ["#####", "    #", "   # ", "  #  ", "  #  "],
    "8": [" ### ", "#   #", " ### ", "#   #", " ### "],
    "9": [" ### ", "#   #", " ####", "    #", " ### "],
}

BLANK = ("§", ["   ", "   ", "   ", "   ", "   "])

# The rest, after the blank: punctuation and the German umlauts.
OTHERS = [
    ("!", ["#", "#", "#", " ", "#"]),
    ("?", ["### ", "   #", " ## ", "    ", " #  "]),
    (".", [" ", " ", " ", " ", "#"]),
    (",", ["  ", "  ", "  ", " #", "# "]),
    ("-", ["    ", "    ", "####", "    ", "    "]),
    (":", [" ", "#", " ", "#", " "]),
    (";", ["  ", " #", "  ", " #", "# "]),
    ("'", ["#", "#", " ", " ", " "]),
    ('"', ["# #", "# #", "   ", "   ", "   "]),
    ("(", [" #", "# ", "# ", "# ", " #"]),
    (")", ["# ", " #", " #", " #", "# "]),
    ("+", ["   ", " # ", "###", " # ", "   "]),
    ("=", ["    ", "####", "    ", "####", "    "]),
    ("/", ["    #", "   # ", "  #  ", " #   ", "#    "]),
    ("Ä ä", ["#   #", " ### ", "#   #", "#####", "#   #"]),
    ("Ö ö", ["#   #", " ### ", "#   #", "#   #", " ### "]),
    ("Ü ü", ["#   #", "     ", "#   #", "#   #", " ### "]),
    ("ß", [" ### ", "#   #", "#### ", "#   #", "#### "]),
]


def glyphs():
    """Every glyph in file order as (ZEICHEN list, rows)."""
    result = [(f"{c} {c.lower()}", rows) for c, rows in LETTERS.items()]
    result += [(c, rows) for c, rows in DIGITS.items()]
    result.append(BLANK)
    result += OTHERS
    for chars, rows in result:
        assert len(rows) == HEIGHT, chars
        assert len({len(r) for r in rows}) == 1, chars
    return result


def block5():
    lines = [f"HEIGHT: {HEIGHT}"]
    for chars, rows in glyphs():
        width = len(rows[0]) + 1  # one blank column between letters
        lines += [f"WIDTH: {width}", f"ZEICHEN: {chars}"]
        lines += [r.rstrip() for r in rows]  # the reader fills short rows with blanks
    return lines


def schraeg():
    # Row r is pushed right by HEIGHT-1-r cells, which slants the letter. The
    # next letter starts SUB cells before the end, inside the blank triangle
    # the slant leaves, so the letters keep one blank column between them.
    # Subtype 2 keeps whatever the earlier letter drew in the shared cells.
    slant = HEIGHT - 1
    lines = [f"HEIGHT: {HEIGHT}", "SUBTYPE: 2"]
    for chars, rows in glyphs():
        width = len(rows[0]) + slant + 1
        lines += [f"SUB: {slant}", f"WIDTH: {width}", f"ZEICHEN: {chars}"]
        for r, row in enumerate(rows):
            lines.append((" " * (slant - r) + row).ljust(width))
    return lines


COLOURS = [31, 32, 33, 34, 35, 36]
RESET = "\x1b[0m"


def farbe():
    # Every row is wrapped in a colour escape and a reset. ESC counts those
    # invisible characters, which must be the same in every row of a glyph;
    # all colour codes here have two digits, so it is the same for all glyphs.
    lines = [f"HEIGHT: {HEIGHT}"]
    for number, (chars, rows) in enumerate(glyphs()):
        colour = f"\x1b[{COLOURS[number % len(COLOURS)]}m"
        width = len(rows[0]) + 1
        lines += [f"ESC: {len(colour) + len(RESET)}", f"WIDTH: {width}", f"ZEICHEN: {chars}"]
        lines += [colour + (row + " ").replace("#", "@") + RESET for row in rows]
    return lines


def write(name, lines):
    path = Path(__file__).resolve().parent / name
    path.write_bytes(("\r\n".join(lines) + "\r\n").encode("cp1252"))


if __name__ == "__main__":
    write("block5.fnt", block5())
    write("schraeg.fnt", schraeg())
    write("farbe.fnt", farbe())
