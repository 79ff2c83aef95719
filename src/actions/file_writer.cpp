#include "actions/file_writer.h"

#include "core/file_errors.h"
#include "core/final_path.h"
#include "core/format.h"
#include "package/message_numbers.h"

namespace {

constexpr uint32_t kNormalAttributes = 0x80;  // FILE_ATTRIBUTE_NORMAL

}  // namespace

FileWriteRules FileWriteRulesOf(const RunProduct& product, Journal& journal) {
  FileWriteRules rules;
  rules.clear_protection = product.settings.Flag(product_flag::kClearProtection);
  rules.stage_new_files = product.settings.Flag(product_flag::kStageNewFiles);
  rules.verify_after_write = product.settings.Flag(product_flag::kVerifyAfterWrite);
  rules.redirection_off = product.settings.Bitness == bitness::k64;
  rules.write_failed = MessageText(product.languages, message_number::kWriteFailed);
  rules.journal = &journal;
  return rules;
}

String WriteFailureHead(const String& message, const String& path) {
  return FormatW(u"\r\n%s %s\r\n", message.w_str(), path.w_str());
}

String MissingDriveText(char16_t drive) { return FormatW(u"Drive %c: is not present.\r\n", drive); }

String SystemTextBlock(const String& system_text) {
  if (system_text.empty()) return String();
  return FormatW(u"%s\r\n\r\n", system_text.w_str());
}

String VerifyFailureText(const String& message, const String& path, const String& system_text) {
  return FormatW(u"%s %s\r\n%s\r\n\r\n", message.w_str(), path.w_str(), system_text.w_str());
}

String StagedText(const String& path, const String& temporary) {
  return FormatW(
      u"\"%s\" was successfully registered for replacement.\r\nTemporary file is \"%s\"\r\n"
      u"Reboot will be required.\r\n\r\n",
      path.w_str(), temporary.w_str());
}

String NoTemporaryFileText(const String& path, const String& system_text) {
  return FormatW(u"Failed to register '%s' for replacement because no temporary file could be created.\r\n%s\r\n\r\n",
                 path.w_str(), system_text.w_str());
}

String StagingFailedText(const String& path, const String& temporary, const String& system_text) {
  return FormatW(u"Failed to register '%s' for replacement with temporary file '%s'\r\n%s\r\n\r\n", path.w_str(),
                 temporary.w_str(), system_text.w_str());
}

bool MayStage(bool existed, bool stage_new_files, uint32_t error) {
  return (existed || stage_new_files) && error != os_error::kInvalidName && error != kErrorLeadsElsewhere;
}

char16_t DriveLetter(const String& path) {
  const int index = DriveIndexOfName(path.w_str());
  return index < 0 ? u'\0' : static_cast<char16_t>(u'A' + index);
}

uint32_t EntryAttributes(int32_t attributes) {
  const uint32_t kept = static_cast<uint32_t>(attributes) & kEntryAttributeMask;
  return kept != 0 ? kept : kNormalAttributes;
}
