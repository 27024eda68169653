// The command line without the program's own name, for where the platform
// hands over only the whole line.
#pragma once

// True for the first byte of a double-byte character.
using LeadBytePredicate = bool (*)(unsigned char);

// Skips the first word (quotes switch quoting on and off and are skipped;
// it ends at a byte of 0x20 or lower outside quotes) and the blanks and control
// characters after it. A null line gives an empty tail.
const char* CommandLineTail(const char* fullCommandLine, LeadBytePredicate isLeadByte);

// The same, with the lead bytes of the system's ANSI code page.
const char* CommandLineTail(const char* fullCommandLine);
