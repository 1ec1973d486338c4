#!/usr/bin/env python3
"""Writes the sample print files and the programming file built from them.

Run from anywhere: the files are written next to this script.

  ticket.txt   print ticket (slot T): plain text, CR LF line ends
  header.prn   totalize ticket header (slot H): printer output with escape sequences
  body.prn     totalize ticket body (slot B)
  footer.prn   totalize ticket footer (slot F), ends with a form feed
  truck1.prn   truck ticket, first weighing (slot P1)
  truck2.prn   truck ticket, second weighing (slot P2)
  sample.dat   programming file of the totalize group: T, H, B, F (for "Industrial" and "None")
  truck.dat    programming file of the truck group: T, P1, P2 (for "Truck Scale")

Each programming file leaves the slots of the other group empty: programming writes the directory
from all six byte counts but the data of the shown group only, so tickets in the other group's
slots would shift what the directory points at.

A programming file is the six byte counts "T,H,B,F,P1,P2" as decimal text separated by commas,
CR LF, then the contents of slots 1 to 6 one after the other, byte for byte.
"""

import pathlib
import sys

HERE = pathlib.Path(__file__).resolve().parent

# The smallest ticket memory any device offers; the sample must fit all of them with room to spare.
SMALLEST_DEVICE_SPACE = 3056

CRLF = b"\r\n"
ESC = b"\x1b"
FF = b"\x0c"
NUL = b"\x00"


def init():
    """Printer reset."""
    return ESC + b"@"


def bold(on):
    """Emphasis on or off; the off form carries a zero byte."""
    return ESC + b"E" + (b"\x01" if on else NUL)


def feed(n):
    """Paper feed of n/180 inch (ESC J n)."""
    return ESC + b"J" + bytes([n])


def line(text=""):
    return text.encode("ascii") + CRLF


def ticket_txt():
    rows = [
        "========================================",
        "          WEIGHING TICKET",
        "========================================",
        "Ticket no.  : 000127",
        "Date        : 14/03/2024   Time : 09:42",
        "Operator    : 02",
        "----------------------------------------",
        "Product     : GRAVEL 8/16",
        "Gross       :      12.540 kg",
        "Tare        :       1.220 kg",
        "Net         :      11.320 kg",
        "----------------------------------------",
        "Thank you.",
        "",
    ]
    return b"".join(line(r) for r in rows)


def header_prn():
    return (
        init()
        + bold(True)
        + line("   TOTALIZE REPORT")
        + bold(False)
        + line("Scale 1        Dravenco terminal")
        + line("----------------------------------")
        + line("No.   Product          Net (kg)")
        + feed(24)
    )


def body_prn():
    return (
        line("001   GRAVEL 8/16        11.320")
        + line("002   SAND 0/4            9.875")
        + line("003   GRAVEL 16/32       14.010")
        + feed(12)
    )


def footer_prn():
    return (
        line("----------------------------------")
        + bold(True)
        + line("TOTAL  3 weighings      35.205")
        + bold(False)
        + line("Signature:")
        + CRLF
        + FF
    )


def truck1_prn():
    return (
        init()
        + bold(True)
        + line("TRUCK TICKET - FIRST WEIGHING")
        + bold(False)
        + line("Plate     : 4821-KLM")
        + line("Weight in : 24.360 t")
        + feed(36)
    )


def truck2_prn():
    return (
        line("SECOND WEIGHING")
        + line("Weight out: 11.905 t")
        + bold(True)
        + line("Net load  : 12.455 t")
        + bold(False)
        + FF
    )


def programming_file(slots):
    """The programming file of six slot contents (slot 1 first)."""
    header = ",".join(str(len(content)) for content in slots).encode("ascii")
    return header + CRLF + b"".join(slots)


def main():
    files = [
        ("ticket.txt", ticket_txt()),
        ("header.prn", header_prn()),
        ("body.prn", body_prn()),
        ("footer.prn", footer_prn()),
        ("truck1.prn", truck1_prn()),
        ("truck2.prn", truck2_prn()),
    ]
    for name, content in files:
        (HERE / name).write_bytes(content)

    contents = dict(files)
    empty = b""
    projects = {
        "sample.dat": [contents["ticket.txt"], contents["header.prn"], contents["body.prn"],
                       contents["footer.prn"], empty, empty],
        "truck.dat": [contents["ticket.txt"], empty, empty, empty, contents["truck1.prn"],
                      contents["truck2.prn"]],
    }
    for name, slots in projects.items():
        required = sum(len(content) for content in slots)
        if required > SMALLEST_DEVICE_SPACE // 2:
            sys.exit(f"{name} needs {required} bytes, more than half of the smallest device")
        (HERE / name).write_bytes(programming_file(slots))

    for name, content in files:
        print(f"{name:12} {len(content):5} bytes")
    for name, slots in projects.items():
        print(f"{name:12} {(HERE / name).stat().st_size:5} bytes "
              f"(space required {sum(len(content) for content in slots)})")

if __name__ == "__main__":
    main()
