// The program's own file and the package section the loader mapped from it.
#pragma once

#include "package/locator.h"

// Everything the later steps need of the package, kept for the whole run.
struct OwnPackage {
  ProgramFile file;         // the program's own file, open for reading
  PackageSection section;
  ByteSpan bytes;           // the section as the loader mapped it
  PackageHeader header;
};

// Opens the program's own file for reading (once; it stays open for the
// run). Failure ends with "Error code 1: The installer could not open
// itself.\r\nFilename: %s\r\nError #%d: %s".
ProgramFile OpenOwnProgramFile();

// The package section as mapped into this process: module base plus its
// virtual address, for its mapped size.
ByteSpan MappedPackageSection(const PackageSection& section);

// Opens the own file, finds the package and checks its header. Returns false
// when the program carries no package; damage ends the process through the
// corrupt-package report, a foreign installer version through the version
// message naming `title`.
bool LoadOwnPackage(const char16_t* title, OwnPackage* out);

// ProductFlags2 of the program's own package, read without any report (the
// exit code of a run that never reads its package still follows it); 0 when
// the program carries no package or its header is damaged.
uint32_t OwnPackageFlags2();
