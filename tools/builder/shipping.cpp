#include "builder/shipping.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "builder/inspect.h"
#include "builder/sha256.h"
#include "package/settings.h"

namespace {

// Hashes each file's content as it is read.
class Hasher : public EntrySink {
 public:
  explicit Hasher(std::vector<ShippedFile>* files) : files_(files) {}
  bool wants_content() const override { return true; }
  bool Begin(const InstalledEntry& entry, std::string*) override {
    files_->push_back({Utf8(entry.destination), static_cast<uint64_t>(entry.size), std::string()});
    hash_ = Sha256();
    return true;
  }
  bool Write(const ByteSpan& piece, std::string*) override {
    hash_.Update(piece.data, piece.length);
    return true;
  }
  bool End(std::string*) override {
    files_->back().sha256 = hash_.HexDigest();
    return true;
  }

 private:
  std::vector<ShippedFile>* files_;
  Sha256 hash_;
};

const char* Version() { return kInstallerVersion; }

}  // namespace

ReadOutcome ReadShippingFacts(const ProgramFile& file, const ByteSpan& image, const std::string& installer_name,
                              ShippingFacts* out) {
  Hasher hasher(&out->files);
  const ReadOutcome outcome = ReadInstaller(file, image, &hasher, &out->contents);
  out->installer_name = installer_name.substr(installer_name.find_last_of("/\\") + 1);
  out->installer_size = image.length;
  Sha256 whole;
  whole.Update(image.data, image.length);
  out->installer_sha256 = whole.HexDigest();
  return outcome;
}

std::time_t BuildTime() {
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch) {
    char* end = nullptr;
    const long long seconds = std::strtoll(epoch, &end, 10);
    if (*end == 0 && seconds >= 0) return static_cast<std::time_t>(seconds);
  }
  return std::time(nullptr);
}

namespace {

// UTC calendar fields from the seconds since 1970, by the proleptic
// Gregorian calendar (the C library's gmtime differs between the two builds).
std::string Iso8601(std::time_t time) {
  const int64_t seconds = static_cast<int64_t>(time);
  const int64_t days = seconds / 86400 + 719468;  // from 0000-03-01
  const int64_t era = days / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era = (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year = day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;
  const int64_t day = day_of_year - (153 * month_index + 2) / 5 + 1;
  const int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
  const int64_t year = year_of_era + era * 400 + (month <= 2 ? 1 : 0);
  const int64_t in_day = seconds % 86400;
  char text[128];
  std::snprintf(text, sizeof text, "%04lld-%02lld-%02lldT%02lld:%02lld:%02lldZ", static_cast<long long>(year),
                static_cast<long long>(month), static_cast<long long>(day), static_cast<long long>(in_day / 3600),
                static_cast<long long>(in_day / 60 % 60), static_cast<long long>(in_day % 60));
  return text;
}

// A serial number that is the same for the same installer: the hash's
// first 128 bits as a name-based UUID.
std::string SerialNumber(const std::string& sha256) {
  std::string hex = sha256.substr(0, 32);
  hex[12] = '5';
  hex[16] = "89ab"[std::strtol(hex.substr(16, 1).c_str(), nullptr, 16) & 3];
  return "urn:uuid:" + hex.substr(0, 8) + "-" + hex.substr(8, 4) + "-" + hex.substr(12, 4) + "-" + hex.substr(16, 4) +
         "-" + hex.substr(20, 12);
}

JsonValue Hashes(const std::string& sha256) {
  JsonValue hashes = JsonValue::Array();
  JsonValue& hash = hashes.Push(JsonValue::Object());
  hash.Add("alg", JsonValue::Text("SHA-256"));
  hash.Add("content", JsonValue::Text(sha256));
  return hashes;
}

JsonValue Property(const std::string& name, const std::string& value) {
  JsonValue property = JsonValue::Object();
  property.Add("name", JsonValue::Text(name));
  property.Add("value", JsonValue::Text(value));
  return property;
}

JsonValue MainComponent(const ShippingFacts& facts) {
  const ProductSettings& s = facts.contents.settings;
  JsonValue product = JsonValue::Object();
  product.Add("type", JsonValue::Text("application"));
  product.Add("bom-ref", JsonValue::Text("product"));
  if (!s.Publisher.empty()) product.Add("publisher", JsonValue::Text(Utf8(s.Publisher)));
  product.Add("name", JsonValue::Text(Utf8(s.DisplayName)));
  product.Add("version", JsonValue::Text(Utf8(s.DisplayVersion)));
  if (!s.Description.empty()) product.Add("description", JsonValue::Text(Utf8(s.Description)));
  product.Add("hashes", Hashes(facts.installer_sha256));
  JsonValue& properties = product.Add("properties", JsonValue::Array());
  properties.Push(Property("bastionix:installer:file", facts.installer_name));
  properties.Push(Property("bastionix:installer:size", std::to_string(facts.installer_size)));
  return product;
}

}  // namespace

std::string CycloneDxBom(const ShippingFacts& facts, std::time_t build_time) {
  JsonValue bom = JsonValue::Object();
  bom.Add("bomFormat", JsonValue::Text("CycloneDX"));
  bom.Add("specVersion", JsonValue::Text("1.5"));
  bom.Add("serialNumber", JsonValue::Text(SerialNumber(facts.installer_sha256)));
  bom.Add("version", JsonValue::Number(1));
  JsonValue& metadata = bom.Add("metadata", JsonValue::Object());
  metadata.Add("timestamp", JsonValue::Text(Iso8601(build_time)));
  JsonValue& tool = metadata.Add("tools", JsonValue::Object()).Add("components", JsonValue::Array()).Push(JsonValue::Object());
  tool.Add("type", JsonValue::Text("application"));
  tool.Add("name", JsonValue::Text("setup-builder"));
  tool.Add("version", JsonValue::Text(Version()));
  metadata.Add("component", MainComponent(facts));
  JsonValue& components = bom.Add("components", JsonValue::Array());
  JsonValue depends = JsonValue::Array();
  for (size_t i = 0; i < facts.files.size(); ++i) {
    const ShippedFile& f = facts.files[i];
    JsonValue& file = components.Push(JsonValue::Object());
    const std::string ref = "file-" + std::to_string(i + 1);
    file.Add("type", JsonValue::Text("file"));
    file.Add("bom-ref", JsonValue::Text(ref));
    file.Add("name", JsonValue::Text(f.destination));
    file.Add("hashes", Hashes(f.sha256));
    file.Add("properties", JsonValue::Array()).Push(Property("bastionix:file:size", std::to_string(f.size)));
    depends.Push(JsonValue::Text(ref));
  }
  JsonValue& dependency = bom.Add("dependencies", JsonValue::Array()).Push(JsonValue::Object());
  dependency.Add("ref", JsonValue::Text("product"));
  dependency.Add("dependsOn", depends);
  return RenderJson(bom) + "\n";
}
