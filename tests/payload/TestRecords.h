/* Payload records carried by the payload test program itself; FindPayload
   searches the running program, so these are what it finds. */
#ifndef TEST_RECORDS_H
#define TEST_RECORDS_H

#define IDR_TEST_ZERO_SIZE   10 /* declares 0 bytes */
#define IDR_TEST_SHORT       11 /* 2 bytes: shorter than the size field */
#define IDR_TEST_GOOD        12 /* TEST_GOOD_TEXT, compressed */
#define IDR_TEST_SIZE_ONLY   13 /* a declared size and no stream */
#define IDR_TEST_INSTALLER   20 /* the build's installer record */
#define IDR_TEST_UNINSTALLER 21 /* the build's uninstaller record */
#define IDR_TEST_MISSING     99 /* no such record */

#define TEST_GOOD_TEXT "Payload record of the test program.\n"

#endif
