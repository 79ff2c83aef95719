// The vendor's branding of the installer: its icon, the product icon the
// Uninstall entry shows, the uninstaller's icon, the version record that
// Explorer's file properties show and the wizard's pictures.
//
// Everything is done to the program's resources at build time, so that the
// installer and the uninstaller it leaves are final bytes that can be signed.
// The uninstaller's resource section travels in the package (it replaces the
// installer's in the stripped copy, at the same place and length), and so
// does the product icon.
#pragma once

#include <string>

#include "core/string.h"

struct Product;

struct Branding {
  // ".ico" files; empty: none. The installer icon replaces the program's own
  // icon group; the uninstaller keeps the installer's icon unless it has one
  // of its own; the product icon becomes "product.ico" and "DisplayIcon".
  String installer_icon;
  String product_icon;
  String uninstaller_icon;
  // The version record's "LegalCopyright" (UTF-16); empty: none.
  String copyright;
  // ".bmp" files replacing the wizard's own pictures (the side picture, the
  // banner, the picture behind full-picture pages); empty: ours. The
  // uninstaller shows them too.
  String side_picture;
  String banner;
  String full_picture;
  // ".bmp" files replacing the images of the Next, Cancel and browse
  // buttons (drawn at 10 x 10 pixels at 96 DPI); empty: ours.
  String next_button;
  String cancel_button;
  String browse_button;

  // Whether any wizard picture or button image replaces the program's own.
  bool ReplacesPictures() const {
    return !side_picture.empty() || !banner.empty() || !full_picture.empty() || !next_button.empty() ||
           !cancel_button.empty() || !browse_button.empty();
  }
};

// The largest picture side, in pixels, that the program loads.
inline constexpr int32_t kMaxPictureSide = 4096;

// Checks that `bytes` are a .bmp file the program can draw: uncompressed
// rows of 1 to 32 bits per pixel, all within the file, at most
// kMaxPictureSide pixels each way.
bool CheckBitmapFile(const String& bytes, std::string* error);

// Checks that `bytes` are an icon file the program can carry: an icon
// directory with at least one image, each lying within the file.
bool CheckIconFile(const String& bytes, std::string* error);

// The numbers of a version text ("2.5.1-beta" gives 2, 5, 1, 0), for the
// version record's fixed part: up to four, each the leading digits of its
// part, stopping after the first part that is not a number alone.
void VersionNumbers(const String& version, uint16_t numbers[4]);

// `stub` with the product's branding: the version record's "ProductName",
// "CompanyName", "ProductVersion" and "FileDescription" from the product's
// name, publisher, version and description, "LegalCopyright" from the
// branding (texts that are empty are left out), the product version's
// numbers in the fixed part, and the installer icon. *extras receives the
// records the runtime needs: the uninstaller's resource section when its
// icon differs, and the product icon. The wizard's pictures are replaced
// (stored zlib-compressed, as the program's own are) in both. A stub without resources is taken as
// it is unless an icon is asked for.
bool BrandProgram(const String& stub, const Product& product, String* branded, String* extras,
                  std::string* error);
