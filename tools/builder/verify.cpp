#include "builder/verify.h"

namespace {

// Checks every content without keeping it.
class ContentCheck : public EntrySink {
 public:
  bool Begin(const InstalledEntry& entry, std::string*) override {
    bytes += static_cast<uint64_t>(entry.size);
    return true;
  }
  uint64_t bytes = 0;
};

std::string Count(int64_t count, const char* what) {
  return std::to_string(count) + " " + what + (count == 1 ? "" : "s");
}

}  // namespace

std::string FailureText(const ReadOutcome& outcome) {
  if (!outcome.sink_error.empty()) return outcome.sink_error;
  if (outcome.code == kReadNoPackage) return "no installation data: " + outcome.where;
  if (outcome.code == kReadVersionMismatch) return "another installer version: " + outcome.where;
  return "corrupt package: error code " + CorruptCodeText(outcome.code) + " in " + outcome.where;
}

int VerifyInstaller(const ProgramFile& file, const ByteSpan& image, std::string* report) {
  InstallerContents contents;
  ContentCheck check;
  const ReadOutcome outcome = ReadInstaller(file, image, &check, &contents);
  if (!outcome.ok()) {
    *report = FailureText(outcome) + "\n";
    return 1;
  }
  const bool after = contents.settings.FileDataOutside != 0;
  *report = "OK: " + Count(contents.entries_read, "file") + " (" + std::to_string(check.bytes) + " bytes), " +
            Count(contents.languages.LanguageCount(), "language") + ", " +
            std::to_string(contents.header.file_data_length) + " bytes of file data " +
            (after ? "after" : "inside") + " the section, " +
            (contents.header.enciphered() ? "enciphered" : "scrambled") +
            (contents.signed_file ? ", signed" : "") + "\n";
  return 0;
}
