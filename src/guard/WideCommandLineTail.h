// The command-line tail cut from the wide command line, where the program's
// own path still has the characters it was given.
#pragma once

// CommandLineTail's rule over UTF-16: skips the first word (quotes switch
// quoting on and off and are skipped; it ends at a character of 0x20 or lower
// outside quotes) and the blanks and control characters after it. A null
// line gives an empty tail.
const wchar_t* WideCommandLineTail(const wchar_t* commandLine);
