// The manifest's install actions: [registry], [[association]] and
// [actions] (firewall, PATH, folder rights, restore point, taskbar pin, root
// and product shortcuts), and the component options of a [[file]] (COM
// servers, type libraries, drivers, MSI packages, control-panel applets).
// Each value is checked at build time; faults carry file, line and key.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "builder/manifest_table.h"
#include "builder/product.h"

namespace manifest_reading {

// The [[file]] kinds beyond the plain ones, by their place after the plain
// ones in the "kind" choice: "com", "type-library", "driver", "msi",
// "control-panel".
uint32_t ComponentKind(int index);

// A [[file]]'s options for its component kind.
struct ComponentOptions {
  uint32_t msi_ui_level = 0;  // 0: the package's own (MSI's default)
  bool msi_remember = true;   // removed again with the product
  std::string class_id;       // control-panel: "{...}"
};

void ReadComponentOptions(Table& file, uint32_t kind, ComponentOptions* out);
void ApplyComponentOptions(const ComponentOptions& options, uint32_t kind, EntryRecord* entry);

// The lines of the [[registry]] and [[firewall]] tables after the compact
// lines of the same list (manifest_action_tables.cpp).
String WithRegistryTables(const String& compact, Table& root);
String WithFirewallTables(const String& compact, Table& root);

// [registry] or [[registry]], [[association]], [actions] and [[firewall]] of
// the manifest's root table.
void ReadActions(Table& root, const std::filesystem::path& base, Product* out);

}  // namespace manifest_reading

// Their documentation, printed by `setup-builder --help` after
// kManifestReference.
extern const char kActionsReference[];
