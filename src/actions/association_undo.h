// Undoing a file association at uninstall, as its uninstall record names it:
// every default value the installer replaced comes back from its backup
// value, and what the installer created is deleted once nothing else is in
// it. The type key's mark says what the install found; it goes last, so a
// cut undo is finished by a second one. An install without a mark (an older
// version) is judged by its backups.
#pragma once

#include "core/registry_options.h"
#include "core/string.h"

struct AssociationToUndo {
  String extension;  // ".ext", UTF-16
  String file_type;  // the ProgID the installer used
  String verb;
  String icon;       // empty: the installer set no icon
  // A type with neither mark nor backup is the product's own only when its
  // command runs from here.
  String product_folder;
};

// The backups are those the install step made under `product_name` (the
// product's display name). Failures are not reported: a key that cannot be
// opened is left as it is.
void UndoAssociation(const AssociationToUndo& association, const String& product_name, RegView view);
