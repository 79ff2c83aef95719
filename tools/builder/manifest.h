// The product manifest: a human-written TOML file that describes a product
// for setup-builder. Every option has a default, so the smallest manifest
// names the product, its version and a folder of files:
//
//   [product]
//   name = "Sample Product"
//   version = "1.0"
//
//   [files]
//   source = "files"
//
// kManifestReference documents every key. Paths in a manifest are relative
// to the manifest's own folder.
#pragma once

#include <string>

#include "builder/product.h"

// Reads the manifest at `path` into *product (defaults first, then what the
// manifest says, then the files of its source folder in name order). Fails
// with "FILE:LINE:COLUMN: KEY: reason" for a manifest that is not valid TOML,
// names an unknown key, gives a value of the wrong type or out of range, or
// refers to files that cannot be read.
bool LoadManifest(const std::string& path, Product* product, std::string* error);

// The same from text; `path` names it in messages and anchors relative paths.
bool ParseManifest(const std::string& text, const std::string& path, Product* product, std::string* error);

// The manifest's documentation, as `setup-builder --help` prints it.
extern const char kManifestReference[];
