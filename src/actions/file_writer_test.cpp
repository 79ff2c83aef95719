#include "actions/file_writer.h"

#include <gtest/gtest.h>

#include <string>

#include "core/final_path.h"

namespace {

std::u16string Wide(const String& s) { return std::u16string(s.w_str(), static_cast<size_t>(s.wlength())); }

const String kPath(u"C:\\App\\100%s.dll");

TEST(FileWriterTexts, FailureReportPieces) {
  EXPECT_EQ(Wide(WriteFailureHead(String(u"Could not write"), kPath)), u"\r\nCould not write C:\\App\\100%s.dll\r\n");
  EXPECT_EQ(Wide(MissingDriveText(u'Q')), u"Drive Q: is not present.\r\n");
  EXPECT_EQ(Wide(SystemTextBlock(String(u"Access is denied."))), u"Access is denied.\r\n\r\n");
  EXPECT_TRUE(SystemTextBlock(String()).empty());
  EXPECT_EQ(Wide(VerifyFailureText(String(u"Could not write"), kPath, String(u"Done."))),
            u"Could not write C:\\App\\100%s.dll\r\nDone.\r\n\r\n");
}

TEST(FileWriterTexts, StagingOutcomes) {
  const String temporary(u"C:\\App\\1A2.tmp");
  EXPECT_EQ(Wide(StagedText(kPath, temporary)),
            u"\"C:\\App\\100%s.dll\" was successfully registered for replacement.\r\n"
            u"Temporary file is \"C:\\App\\1A2.tmp\"\r\nReboot will be required.\r\n\r\n");
  EXPECT_EQ(Wide(NoTemporaryFileText(kPath, String(u"Disk full."))),
            u"Failed to register 'C:\\App\\100%s.dll' for replacement because no temporary file could be "
            u"created.\r\nDisk full.\r\n\r\n");
  EXPECT_EQ(Wide(StagingFailedText(kPath, temporary, String(u"No."))),
            u"Failed to register 'C:\\App\\100%s.dll' for replacement with temporary file "
            u"'C:\\App\\1A2.tmp'\r\nNo.\r\n\r\n");
}

TEST(FileWriterRules, WhatMayBeStaged) {
  constexpr uint32_t kSharingViolation = 32;
  constexpr uint32_t kInvalidName = 123;
  EXPECT_TRUE(MayStage(true, false, kSharingViolation));
  EXPECT_FALSE(MayStage(false, false, kSharingViolation));
  EXPECT_TRUE(MayStage(false, true, kSharingViolation));
  EXPECT_FALSE(MayStage(true, true, kInvalidName));
  EXPECT_FALSE(MayStage(true, true, kErrorLeadsElsewhere));  // a link is reported, never staged over
}

TEST(FileWriterRules, DriveLettersAndAttributes) {
  EXPECT_EQ(DriveLetter(String(u"c:\\x")), u'C');
  EXPECT_EQ(DriveLetter(String(u"Z:")), u'Z');
  EXPECT_EQ(DriveLetter(String(u"\\\\server\\share\\x")), u'\0');
  EXPECT_EQ(DriveLetter(String(u"1:\\x")), u'\0');
  EXPECT_EQ(EntryAttributes(0x1127), 0x1127u);
  EXPECT_EQ(EntryAttributes(0x10 | 0x1), 0x1u);  // no folder bit on a file
  EXPECT_EQ(EntryAttributes(0x10), 0x80u);       // nothing left: normal
  EXPECT_EQ(EntryAttributes(-2), 0x1126u);
}

}  // namespace
