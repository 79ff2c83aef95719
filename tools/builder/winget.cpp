// The Windows Package Manager's manifests of an installer: version,
// installer and defaultLocale, in the multi-file form of ManifestVersion
// 1.10.0, written as YAML whose every text is a double-quoted string.
#include <string>
#include <vector>

#include "builder/inspect.h"
#include "builder/shipping.h"
#include "package/settings.h"

namespace {

const char kManifestVersion[] = "1.10.0";
const char kLocale[] = "en-US";

// A JSON string is a YAML double-quoted scalar.
std::string Quoted(const std::string& text) {
  std::string quoted = RenderJson(JsonValue::Text(text));
  while (!quoted.empty() && quoted.back() == '\n') quoted.pop_back();
  return quoted;
}

// A character an identifier's part may not hold: the point between parts,
// blanks, and what a file name may not hold.
bool Unsafe(unsigned char c) { return c <= ' ' || std::string(".\\/:*?\"<>|").find(static_cast<char>(c)) != std::string::npos; }

// Parts of 1 to 32 characters, 2 to 8 of them; false otherwise.
bool ValidIdentifier(const std::string& id) {
  size_t parts = 0, length = 0;
  for (size_t i = 0; i <= id.size(); ++i) {
    if (i == id.size() || id[i] == '.') {
      if (length == 0 || length > 32) return false;
      ++parts;
      length = 0;
    } else if (Unsafe(static_cast<unsigned char>(id[i]))) {
      return false;
    } else {
      ++length;
    }
  }
  return parts >= 2 && parts <= 8;
}

// "Acme Corp." and "Notes Pro" give "AcmeCorp.NotesPro".
std::string DerivedIdentifier(const ProductSettings& s) {
  std::string id, part;
  for (const std::string& text : {Utf8(s.Publisher), Utf8(s.DisplayName)}) {
    for (size_t i = 0; i <= text.size(); ++i) {
      if (i < text.size() && text[i] != '.') {
        if (!Unsafe(static_cast<unsigned char>(text[i])) && part.size() < 32) part += text[i];
        continue;
      }
      if (!part.empty()) id += (id.empty() ? "" : ".") + part;
      part.clear();
    }
  }
  return id;
}

std::string Header(const std::string& type, const std::string& installer) {
  return "# Made by setup-builder from " + installer + "\n# yaml-language-server: $schema=https://aka.ms/winget-manifest." +
         type + "." + kManifestVersion + ".schema.json\n\n";
}

std::string Line(const std::string& key, const std::string& text, const char* indent = "") {
  return indent + key + ": " + Quoted(text) + "\n";
}

std::string Footer(const std::string& type) {
  return Line("ManifestType", type) + Line("ManifestVersion", kManifestVersion);
}

// The deployment exit codes and what each tells winget.
const struct {
  int code;
  const char* response;
} kReturnCodes[] = {{3010, "rebootRequiredToFinish"}, {1602, "cancelledByUser"}, {1603, "contactSupport"},
                    {1618, "installInProgress"},      {1620, "contactSupport"},  {1633, "systemNotSupported"},
                    {1638, "downgrade"},              {1639, "invalidParameter"}};

std::string ExitCodes() {
  std::string text = "InstallerSuccessCodes:\n- 3010\nExpectedReturnCodes:\n";
  for (const auto& c : kReturnCodes) {
    text += "- InstallerReturnCode: " + std::to_string(c.code) + "\n" + Line("ReturnResponse", c.response, "  ");
  }
  return text;
}

std::string Upper(std::string hex) {
  for (char& c : hex) c = static_cast<char>(c >= 'a' && c <= 'f' ? c - 'a' + 'A' : c);
  return hex;
}

std::string InstallerManifest(const ShippingFacts& facts, const std::string& start, const std::string& url) {
  const ProductSettings& s = facts.contents.settings;
  const std::string key = Utf8(s.UninstallKeyName.empty() ? s.DisplayName : s.UninstallKeyName);
  std::string text = start + Line("InstallerType", "exe") + Line("Scope", "machine") +
                     // The installer asks for administrator rights as it starts.
                     Line("ElevationRequirement", "elevatesSelf") +
                     "InstallModes:\n- \"interactive\"\n- \"silent\"\n- \"silentWithProgress\"\n" +
                     "InstallerSwitches:\n" + Line("Silent", "/silent", "  ") + Line("SilentWithProgress", "/a", "  ") +
                     Line("InstallLocation", "/d:\"<INSTALLPATH>\"", "  ");
  if (s.Flag2(product_flag2::kDeploymentExitCodes)) text += ExitCodes();
  text += Line("UpgradeBehavior", "install") + Line("ProductCode", key) + "AppsAndFeaturesEntries:\n" +
          Line("- DisplayName", Utf8(s.DisplayName));
  if (!s.Publisher.empty()) text += Line("Publisher", Utf8(s.Publisher), "  ");
  text += Line("DisplayVersion", Utf8(s.DisplayVersion), "  ") + Line("ProductCode", key, "  ") +
          Line("InstallerType", "exe", "  ") + "Installers:\n" +
          Line("- Architecture", s.Bitness == 1 ? "x64" : "x86") + Line("InstallerUrl", url, "  ") +
          Line("InstallerSha256", Upper(facts.installer_sha256), "  ");
  return text + Footer("installer");
}

std::string Clipped(const std::string& text, size_t most) { return text.size() <= most ? text : text.substr(0, most); }

}  // namespace

bool WingetManifests(const ShippingFacts& facts, const WingetOptions& options, std::vector<ManifestFile>* files,
                     std::vector<std::string>* warnings, std::string* error) {
  const ProductSettings& s = facts.contents.settings;
  const std::string id = options.package_id.empty() ? DerivedIdentifier(s) : options.package_id;
  if (!ValidIdentifier(id)) {
    *error = "\"" + id + "\" cannot be a winget PackageIdentifier (2 to 8 parts of up to 32 characters between "
             "points, no blanks or \\/:*?\"<>|); set [product] package_id" +
             (options.package_id.empty() ? " or publisher" : "");
    return false;
  }
  const std::string version = Utf8(s.DisplayVersion);
  if (version.empty() || version.find_first_of("\\/:*?\"<>|") != std::string::npos) {
    *error = "the product version \"" + version + "\" cannot be a winget PackageVersion";
    return false;
  }
  std::string url = options.installer_url;
  if (url.empty()) {
    url = "https://example.invalid/" + facts.installer_name;
    warnings->push_back("no --installer-url given: the installer manifest says " + url + "; replace it");
  }
  if (!s.Flag2(product_flag2::kDeploymentExitCodes)) {
    warnings->push_back("the product ends with the classic exit codes (1 after every installation), which winget "
                        "takes for a failure; set [product] exit_codes = \"deployment\"");
  }
  const std::string start = Line("PackageIdentifier", id) + Line("PackageVersion", version);
  const std::string& name = facts.installer_name;
  files->push_back({id + ".yaml", Header("version", name) + start + Line("DefaultLocale", kLocale) + Footer("version")});
  files->push_back({id + ".installer.yaml", InstallerManifest(facts, Header("installer", name) + start, url)});
  const std::string publisher = s.Publisher.empty() ? id.substr(0, id.find('.')) : Utf8(s.Publisher);
  files->push_back({id + ".locale." + kLocale + ".yaml",
                    Header("defaultLocale", name) + start + Line("PackageLocale", kLocale) +
                        Line("Publisher", Clipped(publisher, 256)) + Line("PackageName", Clipped(Utf8(s.DisplayName), 256)) +
                        Line("License", "Proprietary") +
                        Line("ShortDescription", Clipped(Utf8(s.Description.empty() ? s.DisplayName : s.Description), 256)) +
                        Footer("defaultLocale")});
  return true;
}
