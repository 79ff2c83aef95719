// The checks between reading the package and choosing the folder: bitness,
// excluded systems, a required product, one installer at a time, and an
// earlier installation of the same product.
#pragma once

#include "core/string.h"

// The text of a registry value named by a full path ("HKLM\\Software\\V\\Dir");
// empty when the key or value is missing.
String ReadRegistryValueText(const String& value_path);

void CheckBitness();
void CheckExcludedSystems();
void CheckRequiredProduct();
void TakeSingleInstance();
void DetectEarlierInstallation();

// Puts file-system redirection back for a 64-bit product.
void RestoreRedirection();
