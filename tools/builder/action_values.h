// The install actions' values as a manifest gives them, checked at build time
// and put into the settings fields the runtime reads: registry-entry lines,
// firewall lines and file associations. Each check returns the reason a value
// is refused (empty when it is good), for the manifest's "file:line: key:"
// message.
#pragma once

#include <cstdint>
#include <string>

#include "package/settings.h"

// One line of the registry-entry list: a key path, or key path, value name,
// type (1, 2, 3, 4 or 11), data that reads as that type, action (0..6).
std::string CheckRegistryEntryLine(const std::string& utf8_line);

// One firewall line: "port or program;name;protocols;options", where a port
// is 1..65535 and its protocols 1, 2 or 3.
std::string CheckFirewallLine(const std::string& utf8_line);

struct AssociationValues {
  std::string extension;  // UTF-8; ".ext" or "ext"
  std::string prog_id;    // empty or "!": the type the extension already has
  std::string description;
  std::string verb = "open";
  std::string verb_label;
  std::string command;
  uint8_t mode = 0;  // 0 normal, 1 also the default verb, 2 open-with only
};

std::string CheckAssociation(const AssociationValues& values);
// The stored record, field by field (extension, description, verb, verb
// label, command, mode, ProgID); its unused bytes stay 0.
AssociationRecord MakeAssociationRecord(const AssociationValues& values);
