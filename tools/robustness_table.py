#!/usr/bin/env python3
"""Turns the robustness campaign's case log into the Markdown page of the
repository's documentation: one row per category, how its cases ended, the
longest any took and what was left behind.

usage: robustness_table.py CASES.tsv SUITES.txt FUZZ.md MACHINE.txt RAN > docs/robustness.md

RAN says how the Windows-side programs ran, such as "i386, emulated".
"""
import collections
import sys


READING = """How the endings are decided:

- **Damaged payload, in process**: both real records, cut at 400 lengths,
  their size field set to 0, 1, half, one less, one more, twice the real
  size, 2^31 and 2^32-1, every bit of the size field, the zlib header and the
  Adler-32 trailer flipped once, 1300 seeded single-bit flips in the deflate
  data (each bit at most once) and 750 seeded bursts of 2 to 64 changed
  bytes (the ordinary test run tries 200, 600 and 300). Each is read by
  the loader's record rule and inflated by `ExtractPayload` into a real file.
  "no record" is a record shorter than its size field or declaring 0 (the
  loader then ends with 2, or fails the uninstaller check); otherwise the
  result must be `Done` exactly when zlib, reading the stream on its own,
  reaches its end with a good check value, and the file must hold exactly
  the bytes zlib inflated before the end. Most `Done` endings are the
  program byte for byte (the size-field damage, and the few deflate-bit
  flips that zlib reads to the same program); one whose bytes differ passed
  zlib's Adler-32 check all the same and is counted as "other bytes that
  zlib's check passed": the loader can tell no better than zlib.
- **Damaged payload, real Setup.exe**: loader copies carrying a sampled
  variant of the same campaign in place of one record, or a chosen damage
  (a missing record, a declared size of 2 GiB, a wizard that is not a
  program, which ends with 3);
  the exit code must be the one the damage calls for: 2 for a missing
  installer record, 4 for one that fails to inflate (its temporary file
  stays at the declared size, holding the bytes inflated), 5 for an
  uninstaller that fails to inflate (the damaged copy is deleted at both
  attempts and never run), 0 when zlib accepts the damage.
- **Hostile command lines**: seeded tails through the tail rule, the help
  test and `GetParams`: buffers terminated inside their 260 bytes, nothing
  beside them written, `SourceDir` ending with a backslash unless full,
  switches only from their own text.
- **Faults and odd places**: end-to-end runs with a missing temporary
  folder, an oversized wizard that fits in neither folder, an uninstaller
  that hangs, answers wrongly, is held open or cannot be
  deleted, `Quelt` taken by a file, loader folders of 250 to 258
  characters, a drive root, Czech and Polish folder names under Czech and
  Polish interfaces, and a Program Files folder with blanks and
  parentheses. Each asserts its exit code, its boxes and every file left
  in the places it touches.
- **Loader killed while unpacking the uninstaller**: a loader copy carrying
  the uninstaller stand-in with 32 MB of ballast inside its image is killed
  once at least 1 MB of the copy is written; the copy must be cut and never
  started. The next run must fail its check of the cut copy, delete it,
  unpack the payload's again (byte for byte) and end with 0.
- **Loader killed while unpacking the installer**: a loader copy whose
  wizard carries 32 MB of ballast is killed once a quarter of it is written
  into the sized temporary file. The next run must make a temporary file of
  its own and end with 0; the stale file stays, at its declared size, and
  is the one file left.
- **Two loaders at once**: two runs of `/s` started back to back on a
  machine without the uninstaller, 20 times, each carrying the 32 MB
  uninstaller so that the second reaches the home while the first is still
  writing its copy. The second must wait for the first and check its
  finished copy: both must end with 0 and no box, each starting its wizard
  and hand-over, and afterwards the home must hold the payload's uninstaller
  byte for byte with no temporary wizard left. Two more cases: a partner
  killed half-way (the waiting run replaces the cut copy and ends with 0),
  and a partner that holds the loaders' lock and hangs (the run waits out
  its minute with its window answering, then goes on alone and ends with 0).
- **Racing renamer**: a program of the user's own keeps renaming a copy of
  itself over every `vut*.tmp` in the Windows folder's `Temp` and the
  folders in it while 12 runs of
  `/s` go by (2 in the ordinary test run), in the 32-bit and in the 64-bit
  prefix. Each run must end with 0 and no box, its wizard being the stand-in
  started from a temporary file, and the renamer's copy must never run; at
  the end the renamer must still be racing and take a name nobody holds,
  in that folder and in a private one.
- **Temporary folder on a small volume**: the Windows folder's `Temp`, where
  the wizard's private folders are made, linked to a real file system of
  8 MB (tmpfs, mounted by the test scripts) filled until it has room for
  half the wizard. Log lines 6 and 7 must name the name given up there and
  one in the Windows folder, the wizard must run from the Windows folder and
  the run end with 0; the private folder given up is removed.
- **Left behind or lost** lists anything a case found that its rules do not
  describe; "nothing" means every case left exactly what they describe."""


def read_cases(path):
    categories = collections.OrderedDict()
    with open(path, encoding="latin-1") as log:
        for line in log:
            fields = line.rstrip("\r\n").split("\t")
            if len(fields) != 5:
                continue
            category, name, outcome, ms, left = fields
            categories.setdefault(category, []).append((name, outcome, float(ms), left))
    return categories


def outcome_text(cases):
    counts = collections.Counter(outcome for _, outcome, _, _ in cases)
    return ", ".join(f"{outcome} {count}" for outcome, count in sorted(counts.items(), key=lambda kv: (-kv[1], kv[0])))


def left_text(cases):
    left = sorted({l for _, _, _, l in cases if l != "nothing"})
    return "nothing" if not left else "; ".join(left)


def seconds(ms):
    if ms >= 1000:
        return f"{ms / 1000:.2f} s"
    return f"{ms:.0f} ms" if ms >= 10 else f"{ms:.1f} ms"


def ran_text(category, ran):
    """Which program a category's cases ran: the suite's own, linking the
    loader's code, or real runs of the shipping Setup.exe."""
    if "in process" in category:
        return f"the suite's program ({ran})"
    return f"shipping Setup.exe ({ran})"


def main():
    cases_path, suites_path, fuzz_path, machine_path, ran = sys.argv[1:6]
    categories = read_cases(cases_path)
    with open(suites_path, encoding="utf-8") as f:
        suites = [line.rstrip("\n") for line in f if line.strip()]
    with open(fuzz_path, encoding="utf-8") as f:
        fuzz = f.read().strip()
    with open(machine_path, encoding="utf-8") as f:
        machine = f.read().strip()

    total = sum(len(c) for c in categories.values())
    out = []
    out.append("# Robustness: damaged payloads, hostile command lines, faults and odd places")
    out.append("")
    out.append("Generated by `bash scripts/robustness.sh` (rerun it to remake this page; "
               "`FUZZ_SECONDS=n` sets the fuzzing time per harness). Every case is a test that "
               "asserts its ending: the result or exit code the loader's rules give, the files the "
               "launch sequence describes and no others, within the tests' time bounds. The table "
               "counts what those tests tried in this run.")
    out.append("")
    out.append(machine)
    out.append("")
    out.append("## Cases")
    out.append("")
    out.append("| Category | Ran | Cases | How they ended | Longest case | Left behind or lost |")
    out.append("|---|---|---:|---|---|---|")
    for category, cases in categories.items():
        longest = max(cases, key=lambda c: c[2])
        out.append(f"| {category} | {ran_text(category, ran)} | {len(cases)} | {outcome_text(cases)} | "
                   f"{seconds(longest[2])} ({longest[0]}) | {left_text(cases)} |")
    out.append(f"| **all** | | **{total}** | | | "
               f"{left_text([c for cs in categories.values() for c in cs])} |")
    out.append("")
    out.append(READING)
    out.append("")
    out.append("Suites run for this table (each case above is one of their checks):")
    out.append("")
    for suite in suites:
        out.append(f"- {suite}")
    out.append("")
    out.append("## Fuzzing (native build of the parsing and extraction code, "
               "AddressSanitizer, UndefinedBehaviorSanitizer, libFuzzer)")
    out.append("")
    out.append(fuzz)
    out.append("")
    print("\n".join(out))


if __name__ == "__main__":
    main()
