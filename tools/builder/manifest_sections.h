// The readers of the manifest's sections, one file each (manifest_product,
// manifest_wizard, manifest_uninstall, manifest_messages, manifest_files;
// the install actions in manifest_actions). Each reads its table into the
// product, checks every value and throws ManifestError at the first fault;
// ReadManifest (manifest.cpp) calls them in order.
#pragma once

#include <filesystem>
#include <string>

#include "builder/manifest_table.h"
#include "builder/product.h"

namespace manifest_reading {

// [product]: names, folders, limits; it replaces the settings with the
// product's defaults first, so it is read before every other section.
void ReadProduct(Table product, Product* out);
// [package]: compression, file-data place, cipher, block size.
void ReadPackage(Table package, Product* out);
void ReadBranding(Table branding, const std::filesystem::path& base, Product* out);
void ReadWizard(Table wizard, const std::filesystem::path& base, Product* out);
void ReadFinish(Table finish, Product* out);
void ReadBackground(Table background, const std::filesystem::path& base, Product* out);
void ReadUninstall(Table uninstall, Product* out);
// Once the messages are read: the uninstaller's Start Menu shortcut, named
// by message 33 in every language, stays within the path limit.
void CheckUninstallShortcutPath(Table& root, const Product& product);
// [messages] of the first language and every [[language]] of `root`.
void ReadLanguages(Table& root, Product* out);
// [files], [[file]] and [[shortcut]] of `root`; `manifest` is the manifest's
// own path, which may not lie among the files.
void ReadFiles(Table& root, const std::filesystem::path& base, const std::string& manifest, Product* out);

}  // namespace manifest_reading
