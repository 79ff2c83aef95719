#include "records/install_log.h"

#include <utility>

#include "core/codepage.h"
#include "core/path_rules.h"
#include "package/locator.h"
#include "records/working_log.h"

namespace {

void AppendLine(String& out, const char* label, const String& wide) {
  out.Append(label);
  out.Append(Utf16ToUtf8(wide));
  out.Append("\r\n");
}

bool WriteText(File& file, const String& text) { return file.Write(text.c_str(), text.length()); }

// Rewrites an older log as UTF-8. The converted text is never shorter than
// the original, so writing it from the start replaces every byte. A log that
// already starts with the mark is not read any further.
bool ConvertInPlace(File& log, int64_t size) {
  constexpr int32_t kMarkBytes = 3;
  if (size == 0) return true;
  char start[kMarkBytes] = {};
  if (size >= kMarkBytes && (!log.SeekTo(0) || !log.ReadExact(start, kMarkBytes))) return false;
  if (size >= kMarkBytes && String(start, kMarkBytes).Equals(kUtf8Bom)) return true;
  if (size > String::kToEnd - 2) return false;
  String content;
  content.SetLengthExact(static_cast<int32_t>(size));
  if (!log.SeekTo(0) || !log.ReadExact(content.data(), content.length())) return false;
  return log.SeekTo(0) && WriteText(log, ConvertOlderLog(content));
}

// Another vendor's product of the same name shares the key by default; the
// run goes on, but the log says whose entry it replaced.
bool PublisherDiffers(const InstallLogHeader& header) {
  return header.uninstall_supported && !header.earlier_publisher.empty() &&
         !header.earlier_publisher.EqualsNoCaseW(header.publisher.w_str());
}

void AppendHeaderNotes(String& out, const InstallLogHeader& header) {
  if (PublisherDiffers(header)) {
    out.Append("Warning: the earlier installation under this key was published by \"");
    out.Append(Utf16ToUtf8(header.earlier_publisher));
    out.Append("\", not \"");
    out.Append(Utf16ToUtf8(header.publisher));
    out.Append("\"\r\n");
  }
  if (!header.unused_folder_arg.empty()) {
    out.Append("/d:\"");
    out.Append(Utf16ToUtf8(header.unused_folder_arg));
    out.Append("\" was not used: the earlier installation's folder is kept (");
    out.Append(Utf16ToUtf8(header.install_folder));
    out.Append(")\r\n");
  }
}

}  // namespace

String InstallLogHeaderText(const InstallLogHeader& header) {
  String out;
  AppendLine(out, "Installation log for: ", header.product);
  out.Append("Install date: ");
  out.Append(FormatDateTime(header.date, "yy/mm/dd HH:ii:ss"));
  out.Append("\r\n");
  if (header.uninstall_supported) {
    out.Append(header.reinstall ? "Install type: Reinstall\r\n" : "Install type: New\r\n");
  }
  AppendLine(out, "Install location: ", header.install_folder);
  out.Append("Installer version: ");
  out.Append(kInstallerVersion);
  out.Append("\r\n");
  if (!header.product_version.empty()) AppendLine(out, "Product version: ", header.product_version);
  if (!header.overwriting_version.empty()) AppendLine(out, "Overwriting version: ", header.overwriting_version);
  AppendLine(out, "Operating system: ", header.os_name);
  AppendHeaderNotes(out, header);
  out.Append("\r\n");
  return out;
}

String InstallLogEnding(const String& failure_summary, const String& completed_message) {
  String out("\r\n");
  if (!failure_summary.empty()) {
    out.Append(kFailureSummaryHeading);
    out.Append(Utf16ToUtf8(AnsiToUtf16(failure_summary)));
  } else {
    out.Append(Utf16ToUtf8(completed_message));
    out.Append("\r\n");
  }
  return out;
}

bool IsOlderLog(const String& content) { return !content.empty() && !content.StartsWith(kUtf8Bom); }

String ConvertOlderLog(const String& content) {
  String wide;
  ToUtf16(content.c_str(), content.length(), wide, kCodePageWestern);
  String out(kUtf8Bom);
  out.Append(Utf16ToUtf8(wide));
  return out;
}

bool AppendRunToLog(File& log, WorkingLog& working, const String& header_text, const String& ending) {
  const int64_t size = log.Size();
  if (size < 0 || !ConvertInPlace(log, size)) return false;
  const int64_t end = log.Size();
  if (end < 0 || !log.SeekTo(end)) return false;
  bool ok = log.Write(end > 0 ? kInstallLogSeparator : kUtf8Bom,
                      TextLength(end > 0 ? kInstallLogSeparator : kUtf8Bom));
  ok = ok && WriteText(log, header_text);
  if (WorkingLogIsOpen(working)) ok = ok && CopyWorkingLog(working, log);
  ok = ok && WriteText(log, ending);
  return ok;
}

String InstallLogPath(const String& uninstall_folder) { return JoinPath(uninstall_folder, kInstallLogName); }
