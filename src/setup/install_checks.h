// The checks between reading the package and choosing the folder: bitness,
// excluded systems, a required product, one installer at a time, and an
// earlier installation of the same product.
#pragma once

#include "core/string.h"
#include "package/run_product.h"

// The text of a registry value named by a full path ("HKLM\\Software\\V\\Dir");
// empty when the key or value is missing.
String ReadRegistryValueText(const String& value_path);

void CheckBitness(const RunProduct& product);
void CheckExcludedSystems(const RunProduct& product);
void CheckRequiredProduct(const RunProduct& product);
void TakeSingleInstance(const RunProduct& product);
void DetectEarlierInstallation(const ProductSettings& settings);

// Puts file-system redirection back for a 64-bit product.
void RestoreRedirection();
