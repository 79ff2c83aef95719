// Signing installers with the vendor's own tool (osslsigncode, signtool, a
// signing service), and giving the uninstaller that the installer leaves
// behind a signature of its own.
//
// The uninstaller is the installer's stripped copy, which the runtime makes
// on the customer's machine; a signature on the installer does not cover it.
// So the builder makes that copy itself, has it signed, and carries the
// signature (certificate table and CheckSum value) in the package's extras;
// the runtime appends it to the copy it makes, which is byte for byte the
// copy that was signed.
#pragma once

#include <string>

#include "builder/product.h"
#include "core/string.h"

// Runs `command` through the shell with every "{file}" replaced by the
// shell-quoted path; the command signs the file in place. Fails, naming the
// command's exit status, when it does not succeed or leaves no file.
bool RunSignCommand(const std::string& command, const std::string& path, std::string* error);

// The uninstaller the runtime will make of `installer`, exactly; empty when
// the product keeps no stripped copy.
bool UninstallerOf(const String& installer, const ProductSettings& settings, String* copy, std::string* error);

// The extras record that turns `unsigned_copy` into `signed_copy`: fails when
// signing changed more than the CheckSum field, the Security entry and the
// appended, aligned certificate table.
bool CarriedSignatureOf(const String& unsigned_copy, const String& signed_copy, String* record,
                        std::string* error);

// Builds the installer into the new file `path`, signing its uninstaller
// and then the installer itself in place with `command`, using `scratch` (a
// path beside the output, removed afterwards) for the uninstaller. The
// installer is written and read back as a file, a few blocks at a time, so
// that memory stays bounded whatever the product's size. The result is
// checked the way the runtime reads it: its package must still be found
// whole, and the uninstaller it leaves must be the signed one. *size is the
// signed installer's length. On failure the caller removes `path`.
bool BuildSignedInstaller(const String& stub, const Product& product, const std::string& command,
                          const std::string& scratch, const std::string& path, uint64_t* size, std::string* error);
