#include "actions/batch_runner.h"

#include "actions/batch_text.h"

String BatchText(const BatchRequest& request) {
  String text(u"@echo off\r\n");
  text.Append(request.variable_lines);
  text.Append(request.silent || request.hide_console ? WithoutPauseLines(request.commands) : request.commands);
  if (!text.EndsWithW(u"\r\n")) text.AppendW(u"\r\n");
  return text;
}
