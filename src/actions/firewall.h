// Windows Firewall exceptions: the package's list ("port or program;name;
// protocols;options" a line), one exception added through the firewall's COM
// interfaces, and the install step that logs and records them. The one-call
// form is for anyone who needs an exception without an installation (the
// crash report's worker, the uninstaller's counterpart).
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"
#include "records/journal.h"

// The operation's own result codes, printed in decimal by the log lines.
enum FirewallResult : int32_t {
  kFirewallOk = 0,
  kFirewallNoManager = 1,     // the firewall manager could not be created
  kFirewallNoProfile = 2,     // its local policy or current profile could not be read
  kFirewallNoObject = 3,      // the port or application object could not be created
  kFirewallBadSetting = 4,    // a property of it was refused
  kFirewallAddRefused = 5,    // the list refused the new entry
  kFirewallNoList = 6,        // the open ports or authorised applications could not be read
  kFirewallRemoveRefused = 7,  // the list refused to give up the entry
};

constexpr uint32_t kFirewallTcp = 0x1;
constexpr uint32_t kFirewallUdp = 0x2;

struct FirewallLine {
  bool is_port = false;
  int32_t port = 0;
  String program;      // UTF-16, as written (variables not yet expanded)
  String name;         // UTF-16; empty: the product name
  uint32_t protocols = 0;
  bool keep = false;   // "1": left in place at uninstall
};

// Splits a line at ';'; false unless it has exactly four fields.
bool ParseFirewallLine(const String& line, FirewallLine* out);
// Whether an exception's options field leaves it in place at uninstall.
bool KeepsFirewallException(const String& options);

// Adds one exception. `protocol` is 6 (TCP) or 17 (UDP).
int32_t AddFirewallPort(int32_t port, int32_t protocol, const String& name);
int32_t AddFirewallProgram(const String& path, const String& name);
// Removes the program's exception again.
int32_t RemoveFirewallProgram(const String& path);

// The install step over the list (UTF-16 lines separated by CR LF). A line
// without exactly four fields stops the installation as a damaged package.
void ApplyFirewallList(Journal& journal, const String& list, const String& install_folder, const String& product_name);

// The uninstall step: takes out the exceptions of the recorded lines (UTF-16,
// one line each, as the install step recorded them; a program path is made
// absolute against `install_folder` as at install). Nothing is reported: an
// exception that is already gone, or a firewall service that cannot be
// reached, leaves nothing to do.
void RemoveFirewallExceptions(const Array<String>& lines, const String& install_folder);
