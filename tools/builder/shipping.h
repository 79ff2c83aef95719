// What deployment tools and security reviews are handed beside an installer:
// the Windows Package Manager's three manifest files and a CycloneDX 1.5 bill
// of materials, both made from the installer as setup.exe reads it
// (installer_reader.h), with SHA-256 hashes of the installer and its files.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>
#include <vector>

#include "builder/installer_reader.h"

struct ShippedFile {
  std::string destination;  // "%InstallDir%\bin\app.exe"
  uint64_t size = 0;
  std::string sha256;
};

struct ShippingFacts {
  InstallerContents contents;
  std::string installer_name;  // the file name, without folders
  uint64_t installer_size = 0;
  std::string installer_sha256;
  std::vector<ShippedFile> files;
};

// Reads the installer and hashes it and every packaged file.
ReadOutcome ReadShippingFacts(const ProgramFile& file, const ByteSpan& image, const std::string& installer_name,
                              ShippingFacts* out);

struct WingetOptions {
  std::string package_id;     // empty: publisher and product name joined by a point, blanks left out
  std::string installer_url;  // empty: a placeholder to replace, with a warning
};

struct ManifestFile {
  std::string name;  // "Acme.Tool.installer.yaml"
  std::string text;
};

// The version, installer and defaultLocale manifests (ManifestVersion
// 1.10.0). False with the reason when no valid PackageIdentifier can be made.
bool WingetManifests(const ShippingFacts& facts, const WingetOptions& options, std::vector<ManifestFile>* files,
                     std::vector<std::string>* warnings, std::string* error);

// The build time of a bill of materials: SOURCE_DATE_EPOCH when set to a
// number, else now.
std::time_t BuildTime();

// The bill of materials as CycloneDX 1.5 JSON: the product as the main
// component with the installer's hash, a file component for each packaged
// file, the build time.
std::string CycloneDxBom(const ShippingFacts& facts, std::time_t build_time);
