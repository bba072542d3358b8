#!/usr/bin/env python3
"""Builds the preset and expansion-board name files (N.pre, N.boa) from plain lists.

The lists live in a folder of one-name-per-line text files (see the README of the
name data): int-a-waves.txt, pr-a-patches.txt, board-07-waves.txt and so on, plus
boards.tsv ("NUMBER<TAB>TITLE") and preset-rhythm-sets.txt ("GROUP<TAB>name").

Each name file is: the title line, then the sections [WAVE], [PATCH] and [RHYTHM]
in that order, each with its closing tag and each present even when empty. Lines
end in CR LF. The generated files are committed, so the build never runs this.

Usage: make_name_files.py [--source FOLDER] [--output FOLDER]
"""

import argparse
import pathlib
import sys

SECTIONS = ("WAVE", "PATCH", "RHYTHM")
CRLF = "\r\n"

# Preset file number (the patch group ID) -> title and the lists of each section.
# A list is a file name of the source folder, or None for an empty section. The
# rhythm sets are taken from preset-rhythm-sets.txt by group.
PRESETS = {
    1: ("USER", None, None, None),
    2: ("CARD", None, None, None),
    3: ("PR-A", "int-a-waves.txt", "pr-a-patches.txt", "PR-A"),
    4: ("PR-B", "int-b-waves.txt", "pr-b-patches.txt", "PR-B"),
    5: ("PR-C", None, "pr-c-patches.txt", "PR-C"),
    6: ("PR-D", None, "pr-d-patches.txt", "PR-D"),
    7: ("PR-E", None, "pr-e-patches.txt", "PR-E"),
    # The JV-2080 family calls the General MIDI bank "GM"; it is the JV-1080's PR-D.
    8: ("GM", None, "pr-d-patches.txt", "PR-D"),
}

BOARD_COUNT = 127
BOARD_LISTS = ("waves", "patches", "rhythm")


def fail(message):
    print(f"make_name_files: {message}", file=sys.stderr)
    sys.exit(1)


def read_lines(path):
    """One name per line; LF or CR LF; no blank lines allowed."""
    text = path.read_bytes().decode("ascii")
    lines = text.replace("\r\n", "\n").split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    for number, line in enumerate(lines, 1):
        check_name(line, f"{path.name}:{number}")
    return lines


def check_name(name, where):
    # A blank line would become a name and a line equal to a tag would end or
    # start a section, so neither may appear as a name.
    if name.strip() == "":
        fail(f"{where}: empty name")
    if "\r" in name or "\n" in name:
        fail(f"{where}: line break inside a name")
    tags = {f"[{s}]" for s in SECTIONS} | {f"[/{s}]" for s in SECTIONS}
    if name.upper() in tags:
        fail(f"{where}: name looks like a section tag")


def name_file_text(title, lists):
    check_name(title, "title")
    out = [title]
    for tag, names in zip(SECTIONS, lists):
        out.append(f"[{tag}]")
        out.extend(names)
        out.append(f"[/{tag}]")
    return CRLF.join(out) + CRLF


def optional_list(source, name):
    return read_lines(source / name) if name else []


def preset_rhythm_sets(source):
    groups = {}
    for number, line in enumerate(read_lines(source / "preset-rhythm-sets.txt"), 1):
        group, sep, name = line.partition("\t")
        if not sep:
            fail(f"preset-rhythm-sets.txt:{number}: no TAB")
        check_name(name, f"preset-rhythm-sets.txt:{number}")
        groups.setdefault(group, []).append(name)
    return groups


def boards(source):
    result = {}
    for number, line in enumerate(read_lines(source / "boards.tsv"), 1):
        field, sep, title = line.partition("\t")
        if not sep or not field.isdigit():
            fail(f"boards.tsv:{number}: expected NUMBER<TAB>TITLE")
        board = int(field)
        if not 1 <= board <= BOARD_COUNT:
            fail(f"boards.tsv:{number}: board {board} outside 1..{BOARD_COUNT}")
        if board in result:
            fail(f"boards.tsv:{number}: board {board} listed twice")
        result[board] = title
    return result


def write(path, text):
    # newline="" keeps the CR LF exactly as built.
    with open(path, "w", encoding="ascii", newline="") as f:
        f.write(text)


def main():
    here = pathlib.Path(__file__).resolve().parent
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--source", type=pathlib.Path,
                        default=here.parent.parent / "shared" / "namedata",
                        help="folder of the name lists")
    parser.add_argument("--output", type=pathlib.Path, default=here,
                        help="folder the name files are written to (default: this script's folder)")
    args = parser.parse_args()
    source, output = args.source, args.output
    if not (source / "boards.tsv").is_file():
        fail(f"{source}: no boards.tsv; pass --source")

    rhythm = preset_rhythm_sets(source)
    for number, (title, waves, patches, group) in PRESETS.items():
        lists = (optional_list(source, waves), optional_list(source, patches),
                 rhythm.get(group, []) if group else [])
        write(output / f"{number}.pre", name_file_text(title, lists))

    # Old board files are removed first so a board dropped from the table loses
    # its file and falls back to the placeholder title.
    for old in output.glob("*.boa"):
        old.unlink()
    written = 0
    for board, title in sorted(boards(source).items()):
        lists = []
        for kind in BOARD_LISTS:
            path = source / f"board-{board:02d}-{kind}.txt"
            lists.append(read_lines(path) if path.is_file() else [])
        write(output / f"{board}.boa", name_file_text(title, lists))
        written += 1
    print(f"wrote {len(PRESETS)} preset files and {written} board files to {output}")


if __name__ == "__main__":
    main()
