// File associations: the package's records read into what the association
// step needs, the backup value name, and the uninstall line. The registry
// work itself is in registry_work_win.cpp.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"
#include "package/settings.h"

enum class AssociationMode : uint8_t {
  kNormal = 0,
  kDefaultVerb = 1,   // also make the verb the type's default verb
  kOpenWithOnly = 2,  // only the "OpenWithProgids" registration
};

// One association, UTF-16 texts.
struct FileAssociation {
  uint8_t mode = 0;
  String extension;  // with its leading '.'
  String prog_id;    // empty or holding '!': use the type registered for the extension
  String description;
  String verb;
  String verb_label;
  String command;    // variables not yet expanded
  String language;   // empty: every language
  String icon;
};

// The stored record as an association, field by field; the extension gets
// its leading dot when it has none. A stored record carries no language
// condition and no icon.
FileAssociation AssociationFromRecord(const AssociationRecord& record);

// Whether the type already registered for the extension is used.
bool UsesExistingType(const String& prog_id);

// The name under which a replaced default value is kept: the product name
// without backslashes, CR, LF and tabs, then " Backup".
String BackupValueName(const String& product_name);

// The install marks the type key with what it found (a number under
// AssociationMarkName): an undo then knows what to leave even once the
// backups are gone, and says in the mark when the old values are back.
enum AssociationMark : uint32_t { kExtensionFound = 1, kTypeFound = 2, kMarkRestored = 4 };
String AssociationMarkName(const String& product_name);

// Which phases an undo runs: putting the old values back (backups kept), then
// dropping the backups and the mark. With neither mark nor backup the
// association is either undone already or an older install's own type, and
// only the latter (`points_at_product`) is touched.
struct AssociationUndoPlan {
  bool restore = false;
  bool clean = false;
};
AssociationUndoPlan PlanAssociationUndo(bool has_mark, uint32_t mark, bool has_backup, bool points_at_product);

