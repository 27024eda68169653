/* The one home of every resource id and private message number; the resource
   scripts and the code both include it, so it stays plain C preprocessor. */
#ifndef SETUP_RESOURCE_IDS_H
#define SETUP_RESOURCE_IDS_H

/* Payload records (RT_RCDATA, language neutral). */
#define IDR_INSTALLER   1
#define IDR_UNINSTALLER 2

/* Icon group. */
#define IDI_SETUP 1

/* Progress window template and its field. */
#define IDD_SETUP    100
#define IDC_PROGRESS 100
#ifndef IDC_STATIC
#define IDC_STATIC (-1)
#endif

/* String table, block 1. */
#define IDS_ERROR_CAPTION      1
#define IDS_ERR_TEMP_FILE      2
#define IDS_ERR_SETUP_CORRUPT  3
#define IDS_ERR_RUN_INSTALL    4
#define IDS_ERR_UNPACK_INSTALL 5
#define IDS_ERR_UNDO_BROKEN    6

/* Private window message: lParam carries the percent, 0..100. */
#define WM_SETUP_PROGRESS 0x0705

#endif
