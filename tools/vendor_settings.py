#!/usr/bin/python3
"""Names the vendor settings the kit does not know, each with the known one
closest to it:  vendor_settings.py <known,known,...> <name>...

Prints one message for the configure step to stop with."""
import difflib
import sys


def main() -> int:
    known = sys.argv[1].split(",")
    lines = []
    for name in sys.argv[2:]:
        close = difflib.get_close_matches(name, known, n=1, cutoff=0.6)
        hint = f"did you mean {close[0]}?" if close else "the kit's settings are " + ", ".join(known)
        lines.append(f"{name} is not a setting of the vendor kit: {hint}")
    print("\n".join(lines) + "\nNothing unknown is ignored, so that a misspelt setting cannot leave a build "
          "unsigned or unbranded. Remove it (from the vendor file, or with cmake -U<name>) and configure again.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
