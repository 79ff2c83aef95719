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

// Bitmaps of the wizard, drawn by make-bitmaps.sh; the builder may replace
// them. 2 the side picture, 3 the banner, 4-6 the images of the Next, Cancel
// and browse buttons, 7 the picture behind the content of full-picture pages.
// Each is a resource of type ZBITMAP: a .bmp file image (uncompressed rows)
// compressed as one zlib stream, which keeps setup.exe small.
#define IDB_SIDE_PICTURE 2
#define IDB_BANNER 3
#define IDB_NEXT_BUTTON 4
#define IDB_CANCEL_BUTTON 5
#define IDB_BROWSE_BUTTON 6
#define IDB_FULL_PICTURE 7
