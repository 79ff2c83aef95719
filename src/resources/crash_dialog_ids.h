// Control ids of "ExceptionDlg", shared by its template and the crash handler.
// Plain macros, because the resource compiler reads this file too.
#pragma once

#define IDC_CRASH_TEXT 1101
#define IDC_CRASH_REPORT 1102
#define IDC_CRASH_EMAIL_LABEL 1103
#define IDC_CRASH_EMAIL 1104
#define IDC_CRASH_COMMENTS_LABEL 1105
#define IDC_CRASH_COMMENTS 1106
#define IDC_CRASH_INFORM 1107
#define IDC_CRASH_COPY 1108
// "Exit" is IDCANCEL, so that Esc and the close box mean the same.
