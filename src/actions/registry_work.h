// The registry step of an installation: the product's own key, the
// registry-entry list, the merge file and the file associations, in this
// order. Every failure is reported (failure summary or log) and the next item
// is tried.
#pragma once

#include "actions/associations.h"
#include "core/registry_options.h"
#include "core/string.h"
#include "core/vector.h"
#include "records/journal.h"

struct RegistryWorkInputs {
  String product_registry;  // "ProductRegistry", UTF-16; empty: no product key
  String entries;           // the entry list, UTF-16
  String merge_file;        // the merge file's text, UTF-16; empty: none
  Vector<FileAssociation> associations;
  String product_name;      // UTF-16: names the backup values
  String language;          // the chosen wizard language's name
  String install_folder;    // relative icon paths start here
  RegView view = RegView::kDefault;  // k64 when the installation is 64-bit
  bool associations_allowed = true;  // false on removable media with the product's bit
  Journal* journal = nullptr;  // the run's journal; never null
};

void ApplyRegistryWork(const RegistryWorkInputs& inputs);

// The parts, each usable alone.
void CreateProductKey(Journal& journal, const String& product_registry, RegView view);
void ApplyRegistryEntries(Journal& journal, const String& entries, RegView view);
// Records the keys the merge file creates and the values it adds, then
// starts the registry editor on it.
void ImportMergeFile(Journal& journal, const String& merge_file, RegView view);
// Registers the associations; the uninstall lines are recorded as each is
// processed. Ends with the shell's association-change notice.
void ApplyAssociations(const RegistryWorkInputs& inputs);
