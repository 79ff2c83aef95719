// The uninstaller's steps that undo single install actions as their records
// describe them: program closing, registry entries, MSI packages, driver
// packages, fonts and taskbar pins.
#pragma once

#include <cstdint>

#include "actions/program_closing.h"
#include "core/string.h"
#include "core/vector.h"
#include "package/run_product.h"
#include "records/journal.h"

class RegistryKey;
class RemovalGuard;
enum class RegView : uint32_t;

// The closing phases of the uninstaller (actions/program_closing.h): rules
// that do not ask the user run before the confirmation, those that ask after it.

// Applies the product's rules of one phase to the running programs. False
// when the user cancelled a question (the run ends, nothing removed).
bool CloseProgramsForUninstall(const RunProduct& product, uint32_t phase);

// Undoes the registry-entry table (UTF-16 comma-separated records): a record
// of one field deletes its key when empty (a path with at least two
// backslashes), one of five fields whose action is 2, 3 or 5 deletes its
// value; "\\HKAU\\" paths apply to every user's hive.
void UndoRegistryEntries(const String& table, RegView view);

// Removes each [MSI] package ("path",level); a failure goes to the failure
// summary and the line is recorded again for the rewritten data file.
void RemoveMsiPackages(Journal& journal, const Array<String>& lines);

// Uninstalls each [INF] driver package from the driver store, by file name.
void RemoveDriverPackages(const Array<String>& lines);

// Removes the fonts listed in "ProductFonts" (pairs of quoted texts: display
// name in UTF-8, file name), asking first when `ask` says so (never in an
// automatic run). True when a
// font was removed (the system is told then).
bool RemoveProductFonts(const LanguageTable& languages, const String& listed, bool ask, RemovalGuard& guard);

// Unpins each recorded path that lies in the taskbar's pinned folder.
void UnpinFromTaskbar(const Array<String>& records);

struct RecordedAssociation;

// Undoes each recorded association (8-bit texts as [Associations] holds
// them), restoring the defaults backed up under the product's display name,
// then tells the shell that associations changed.
void UndoAssociations(const Vector<RecordedAssociation>& associations, const String& display_name, const String& product_folder,
                      RegView view);

// Takes out the firewall exceptions of the [Firewall] lines (8-bit; a program
// path marked by the '|' rule is UTF-8).
void UndoFirewallExceptions(const Array<String>& lines, const String& product_folder);

// Takes the PATH entry the installer added ("AddToPathSubfolder", relative to
// the product folder unless absolute) out of the machine's PATH. The text of
// a failure, empty on success.
String UndoPathAddition(const String& product_folder, const String& subfolder);
