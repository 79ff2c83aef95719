// Numeric ids of setup.exe's own resources, shared by the resource script and
// the code that loads them. Plain macros, because the resource compiler reads
// this file too.
#pragma once

// The application icon group (16, 32, 48 and 256 pixels); the entry loads its
// large and small forms at the sizes the system metrics ask for.
#define IDI_APP 1

// The manifest and the version record sit at the ids Windows looks for.
#define IDR_MANIFEST 1
#define IDR_VERSION 1
