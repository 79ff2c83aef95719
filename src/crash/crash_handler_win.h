// The crash handler: on an unhandled fault it builds the report, hands it to
// the records, shows "ExceptionDlg" and, when the user asks, posts the report
// to the report address. In a silent run no window is shown: the report goes
// to the records only and the process ends by itself.
#pragma once

#include "core/string.h"
#include "crash/exception_filter_win.h"

// Takes the report (8-bit) to the failure summary and the install log.
using CrashReportWriter = void (*)(const String& report);

// Installs the filter. `program_name` (8-bit) is used in the report's
// "Product:" line; `writer` may be null.
void InstallCrashHandler(const char* program_name, CrashReportWriter writer);

// The crash callback: true when the user chose "Inform Us" or the run is
// silent (the process then ends quietly).
bool HandleCrash(const CrashRecord& record);

// The report's address (UTF-16) and the sender address (8-bit). They start as
// the build's settings; when either is empty nothing is sent and "Inform Us"
// is disabled.
void SetCrashReportAddresses(const String& report_address, const String& sender);

// The dialog alone: shows `report`; true after "Inform Us", with what the user
// typed. Returns false at once when the dialog cannot be made.
bool ShowCrashDialog(const String& report, String& email, String& comments);

// Posts the report with what the user typed to the report address.
void SendCrashReport(const String& report, const String& email, const String& comments);
