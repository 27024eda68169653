// Which string of the table explains each LoaderError number.
#pragma once

// The message string id for error `number` (1..5), or 0 for any other number.
unsigned ErrorMessageId(int number);
