// Running a block of interpreter commands as a temporary batch file, with the
// installation's facts predefined as variables and, when asked, its output
// captured into the working log. The install batches, the command-line
// additions and the uninstall batches all go through here.
#pragma once

#include "core/string.h"
#include "records/journal.h"

struct BatchRequest {
  String commands;        // UTF-16, CR LF lines (the package keeps them in Windows-1252)
  String variable_lines;  // UTF-16 "SET ..." lines, each ending in CR LF
  String working_folder;  // UTF-16; empty or missing: the temporary folder
  String title;           // UTF-16; when given the run is logged and its output captured
  bool hide_console = false;
  bool silent = false;  // no boxes, no console, no PAUSE
  Journal* journal = nullptr;  // the run's journal, for the log lines; never null
};

// The whole batch text before encoding: "@echo off", the variable lines, then
// the commands converted from Windows-1252, without PAUSE lines when nobody
// could answer them (a silent run or a hidden console).
String BatchText(const BatchRequest& request);

// Platform (batch_runner_win.cpp). The batch and its capture file are made in
// a new folder of the user's temporary folder that only this run uses, so
// that nothing planted beforehand is ever run or read back; both, and the
// folder, are removed afterwards. The interpreter starts in the working
// folder. True when it could be started (its exit code is not examined); an
// empty command text is true at once.
bool RunBatch(const BatchRequest& request);
