// "Install.log": the lasting log in the uninstall data folder. Each run
// appends its header, the working log and either the failure summary or the
// completion message, so repeated installations of one product accumulate
// in one UTF-8 file, runs separated by a line of asterisks.
#pragma once

#include <cstdint>

#include "core/datetime.h"
#include "core/file.h"
#include "core/string.h"
#include "package/run_product.h"
#include "records/journal.h"

inline constexpr char16_t kInstallLogName[] = u"Install.log";
inline constexpr char kUtf8Bom[] = "\xEF\xBB\xBF";
// Between two runs: "\r\n\r\n", 46 asterisks, "\r\n".
inline constexpr char kInstallLogSeparator[] =
    "\r\n\r\n**********************************************\r\n";
static_assert(sizeof(kInstallLogSeparator) == 4 + 46 + 2 + 1, "46 asterisks");
inline constexpr char kFailureSummaryHeading[] = "*** FAILURE SUMMARY ***\r\n";

// What the header of one run says. Texts are UTF-16.
struct InstallLogHeader {
  String product;
  DateTime date;
  bool uninstall_supported = false;  // only then an "Install type" line
  bool reinstall = false;
  String install_folder;
  String product_version;      // line left out when empty
  String overwriting_version;  // line left out when empty
  String os_name;
  // Notes after the fixed lines, before the blank line that ends the header.
  // A warning when the earlier installation under the product's Uninstall
  // key names another publisher (only a run that registers an uninstaller
  // takes that key over):
  String publisher;          // the product's own
  String earlier_publisher;  // under the key before this run; empty: none or unknown
  // A /d: folder set aside for the earlier installation's, which is then the
  // install location above; empty when /d: was used or not given.
  String unused_folder_arg;
};

// The header lines in UTF-8, each ending "\r\n", the last "\r\n\r\n".
String InstallLogHeaderText(const InstallLogHeader& header);

// What follows the working log, in UTF-8: "\r\n", then the heading and the
// failure summary (ANSI code page) when there is one, else the completion
// message (UTF-16) and "\r\n".
String InstallLogEnding(const String& failure_summary, const String& completed_message);

// Whether an existing log is still in the ANSI code page of older versions:
// not empty and without the UTF-8 byte-order mark.
bool IsOlderLog(const String& content);
// The older log's content as UTF-8 (read as Windows-1252), with the mark.
String ConvertOlderLog(const String& content);

// Appends one run to `log`, open for reading and writing: converts an older
// log in place, writes the separator (or, into an empty file, the byte-order
// mark), the header text, the working log (when it is open) and the ending.
// False when a read or write failed.
bool AppendRunToLog(File& log, WorkingLog& working, const String& header_text, const String& ending);

// The log's path in the uninstall data folder.
String InstallLogPath(const String& uninstall_folder);

// Platform (install_log_win.cpp).
//
// What ending the log needs from the run. Folders are UTF-16.
struct InstallLogFinish {
  bool reinstall = false;    // an earlier installation was found
  bool interactive = false;  // the installation's own end, not the crash handler
  String uninstall_folder;   // where Install.log is kept
  String install_folder;     // full form, for the header
  String old_version;        // the version installed before, for the header
  String earlier_publisher;  // the publisher under the Uninstall key before this run
  String unused_folder_arg;  // a /d: folder the earlier installation's folder replaced
  bool uninstall_supported = false;  // for the header: the run registers an uninstaller
  const RunProduct* product = nullptr;  // the run's product; null: an empty one
  // Told the product and the journal above.
  void (*completion_step)(const RunProduct& product, const Journal& journal) = nullptr;
  Journal* journal = nullptr;  // the run's journal: its failures and working log; never null
};

// Ends the install log once, at the end of the installation (interactive)
// or from the crash handler (not interactive). A failed interactive run
// that may show dialogs (neither automatic nor silent) asks with message 40
// (titled 41) whether to show the log; a successful one runs the completion
// step (the completion message or finish page) unless the product suppresses
// it. Install.log is written when the product keeps a log or the run failed;
// a log that cannot be opened is skipped silently. The working log is then
// closed and deleted, and the log shown when the user asked for it. Returns
// whether Install.log was written.
bool FinishInstallLog(const InstallLogFinish& finish);

// Appends `line` (UTF-16, with its own line end) to Install.log at `path`
// after the run's part has been written and the working log is gone: what
// happened at the very end, such as a program that could not be launched.
// A new or empty log starts with the byte-order mark. False when the log
// cannot be opened or written.
bool AppendToInstallLog(const String& path, const String& line);

// Opens the log with its associated program, the installer's folder as the
// working folder; failing that, with Notepad from the system folder.
bool ShowInstallLog(const String& path);
