#include "core/process_rules.h"

#include "core/path_rules.h"

namespace {

// The system's values, named here because portable code has no <windows.h>.
constexpr uint32_t kNormalPriorityClass = 0x20;
constexpr uint32_t kIdlePriorityClass = 0x40;
constexpr uint32_t kHighPriorityClass = 0x80;
constexpr uint32_t kCreateNewConsole = 0x10;

constexpr int32_t kShowHide = 0;           // SW_HIDE
constexpr int32_t kShowMaximized = 3;      // SW_SHOWMAXIMIZED
constexpr int32_t kShowMinimize = 6;       // SW_MINIMIZE

constexpr uint32_t kExitLogOff = 0x0;      // EWX_LOGOFF
constexpr uint32_t kExitShutDown = 0x1;    // EWX_SHUTDOWN
constexpr uint32_t kExitReboot = 0x2;      // EWX_REBOOT
constexpr uint32_t kExitForce = 0x4;       // EWX_FORCE
constexpr uint32_t kExitPowerOff = 0x8;    // EWX_POWEROFF
constexpr uint32_t kExitForceIfHung = 0x10;  // EWX_FORCEIFHUNG
constexpr uint32_t kExitRestartApps = 0x40;  // EWX_RESTARTAPPS

constexpr uint32_t kBoxTypeMask = 0xF;     // MB_TYPEMASK
constexpr uint32_t kBoxDefaultMask = 0xF00;  // MB_DEFMASK

int HexDigit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

uint32_t RunCreationFlags(uint32_t flags) {
  uint32_t creation = kNormalPriorityClass;
  if (flags & kRunNewConsole) creation |= kCreateNewConsole;
  if (flags & kRunHighPriority) {
    creation |= kHighPriorityClass;
  } else if (flags & kRunIdlePriority) {
    creation |= kIdlePriorityClass;
  }
  return creation;
}

int32_t RunShowCommand(uint32_t flags) {
  if (flags & kRunShowMaximized) return kShowMaximized;
  if (flags & kRunShowMinimized) return kShowMinimize;
  if (flags & kRunShowHidden) return kShowHide;
  return -1;
}

String CommandProgram(const char16_t* command_line) {
  const char16_t* start = command_line;
  while (*start == u' ' || *start == u'\t') ++start;
  const char16_t* end = start;
  if (*start == u'"') {
    ++start;
    end = start;
    while (*end && *end != u'"') ++end;
  } else {
    while (*end && *end != u' ' && *end != u'\t') ++end;
  }
  return String(start, static_cast<int32_t>(end - start));
}

String RunFailureText(const char16_t* command_line, const String& error_text) {
  String text(u"Unable to create process:\r\n");
  text.AppendW(command_line);
  text.AppendW(u"\r\n\r\n");
  text.Append(error_text);
  return text;
}

String InterpreterCommandLine(const String& interpreter, const String& file) {
  String line(u"\"");
  line.Append(interpreter);
  line.AppendW(u"\" /c ");
  const bool quote = file.FindW(u' ') >= 0 && !file.StartsWithW(u"\"");
  if (quote) line.AppendW(u'"');
  line.Append(file);
  if (quote) line.AppendW(u'"');
  return line;
}

String SystemToolCommandLine(const String& system_folder, const char16_t* tool, const char16_t* switches,
                             const String& file) {
  String line(u"\"");
  line.Append(JoinPath(system_folder, tool));
  line.AppendW(u"\" ");
  if (switches && *switches) {
    line.AppendW(switches);
    line.AppendW(u' ');
  }
  line.AppendW(u'"');
  line.Append(file);
  line.AppendW(u'"');
  return line;
}

bool RetryShellElevated(int32_t answer, const char16_t* verb) {
  if (answer != kShellAccessDenied) return false;
  return verb == nullptr || *verb == 0 || String(verb).EqualsNoCaseW(u"open");
}

String DecodeUrl(const char* text, int32_t bytes) {
  if (bytes == String::kToEnd) bytes = TextLength(text);
  String out;
  out.Reserve(bytes);
  for (int32_t i = 0; i < bytes; ++i) {
    if (text[i] == '%' && i + 2 < bytes && HexDigit(text[i + 1]) >= 0 && HexDigit(text[i + 2]) >= 0) {
      out.Append(static_cast<char>(HexDigit(text[i + 1]) * 16 + HexDigit(text[i + 2])));
      i += 2;
    } else {
      out.Append(text[i]);
    }
  }
  return out;
}

bool PlanShutdown(int32_t kind, uint32_t options, bool restart_apps_supported, ShutdownPlan* plan) {
  *plan = ShutdownPlan();
  const uint32_t force = (options & kShutdownForce) ? kExitForce : kExitForceIfHung;
  switch (static_cast<ShutdownKind>(kind)) {
    case ShutdownKind::kShutDown:
      plan->exit_flags = kExitShutDown | force;
      return true;
    case ShutdownKind::kPowerOff:
      plan->exit_flags = kExitPowerOff | force;
      return true;
    case ShutdownKind::kRestart:
      plan->exit_flags = kExitReboot | force;
      return true;
    case ShutdownKind::kLogOff:
      plan->exit_flags = kExitLogOff | force;
      return true;
    case ShutdownKind::kRestartApps:
      plan->exit_flags = kExitReboot | force | (restart_apps_supported ? kExitRestartApps : 0);
      return true;
    case ShutdownKind::kSleep:
    case ShutdownKind::kHibernate:
      plan->suspend = true;
      plan->hibernate = kind == static_cast<int32_t>(ShutdownKind::kHibernate);
      plan->force = (options & kShutdownForce) != 0;
      plan->disable_wake_events = (options & kShutdownNoWakeEvents) != 0;
      return true;
  }
  return false;
}

int32_t DefaultMessageBoxAnswer(uint32_t type) {
  // The buttons of each box type, in order (IDOK 1, IDCANCEL 2, IDABORT 3,
  // IDRETRY 4, IDIGNORE 5, IDYES 6, IDNO 7, IDTRYAGAIN 10, IDCONTINUE 11).
  static const int32_t kButtons[][3] = {
      {1, 0, 0}, {1, 2, 0}, {3, 4, 5}, {6, 7, 2}, {6, 7, 0}, {4, 2, 0}, {2, 10, 11},
  };
  const uint32_t box = type & kBoxTypeMask;
  if (box >= sizeof(kButtons) / sizeof(kButtons[0])) return 1;
  const uint32_t index = (type & kBoxDefaultMask) >> 8;
  if (index < 3 && kButtons[box][index] != 0) return kButtons[box][index];
  return kButtons[box][0];
}
