// Where setup-builder may write the installer: never over one of its own
// inputs, never among the files it packs.
#pragma once

#include <string>

#include "builder/product.h"

// Why the installer may not be written to `output`, or empty when it may:
// its folder does not exist, the output is the manifest, the setup program, a file the manifest names
// (by its key) or a packaged file, compared as the files themselves (links
// and other spellings of one file are caught), or it lies inside the files'
// folder, where the next build would pack it.
std::string OutputPathProblem(const std::string& output, const std::string& manifest, const std::string& stub,
                              const Product& product);
