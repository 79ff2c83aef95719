#include "core/file_errors.h"

#include <gtest/gtest.h>

#include <string>

#include "core/file_flags.h"

namespace {

TEST(FileErrorTable, TextsAreTheFixedEnglishTexts) {
  EXPECT_STREQ(ErrorText(kFileOk), "Success.");
  EXPECT_STREQ(ErrorText(kFileLocked), "The file is locked by another application.");
  EXPECT_STREQ(ErrorText(kFileReadOnly), "The file's Read-Only attribute is set.");
  EXPECT_STREQ(ErrorText(kFileNotReady), "The device is not ready (usually because no disk is inserted).");
  EXPECT_STREQ(ErrorText(kFileNoDrive), "The drive does not exist.");
  EXPECT_STREQ(ErrorText(kFileEraseNotVerified), "Erasure verification failed.");
}

TEST(FileErrorTable, NumbersOutsideTheTableGiveTheUnknownText) {
  EXPECT_STREQ(ErrorText(23), "An unknown error occurred.");
  EXPECT_STREQ(ErrorText(-1), "An unknown error occurred.");
  EXPECT_STREQ(ErrorText(0x7FFFFFFF), "An unknown error occurred.");
}

TEST(FileErrorTable, ErrorStringIsTheTextInUtf16) {
  for (int code = -1; code <= 23; ++code) {
    const String wide = ErrorString(code);
    const std::string narrow = ErrorText(code);
    ASSERT_EQ(wide.wlength(), static_cast<int32_t>(narrow.size())) << code;
    for (size_t i = 0; i < narrow.size(); ++i) EXPECT_EQ(wide.w_str()[i], static_cast<char16_t>(narrow[i]));
  }
}

TEST(OpenErrorMapping, SystemErrorsMapToFileCodes) {
  const OpenFailureFacts none;
  EXPECT_EQ(FileErrorFromOsError(2, none), kFileNotFound);
  EXPECT_EQ(FileErrorFromOsError(3, none), kFileNoFolder);
  EXPECT_EQ(FileErrorFromOsError(15, none), kFileNoDrive);
  EXPECT_EQ(FileErrorFromOsError(4, none), kFileTooManyOpen);
  EXPECT_EQ(FileErrorFromOsError(5, none), kFileAccessDenied);
  EXPECT_EQ(FileErrorFromOsError(21, none), kFileNotReady);
  EXPECT_EQ(FileErrorFromOsError(32, none), kFileLocked);
  EXPECT_EQ(FileErrorFromOsError(80, none), kFileExists);
  EXPECT_EQ(FileErrorFromOsError(87, none), kFileBadParameter);
  EXPECT_EQ(FileErrorFromOsError(123, none), kFileBadName);
  for (uint32_t network : {51u, 53u, 64u, 65u, 67u, 1203u}) {
    EXPECT_EQ(FileErrorFromOsError(network, none), kFileBadNetworkPath) << network;
  }
  EXPECT_EQ(FileErrorFromOsError(1, none), kFileUnknownError);
  EXPECT_EQ(FileErrorFromOsError(52, none), kFileUnknownError);
  EXPECT_EQ(FileErrorFromOsError(112, none), kFileUnknownError);
}

TEST(OpenErrorMapping, FactsRefineMissingPathsAndDeniedWrites) {
  OpenFailureFacts facts;
  facts.drive_missing = true;
  EXPECT_EQ(FileErrorFromOsError(3, facts), kFileNoDrive);
  EXPECT_EQ(FileErrorFromOsError(2, facts), kFileNotFound);  // only "path not found" is refined
  facts = OpenFailureFacts();
  facts.write_to_read_only = true;
  EXPECT_EQ(FileErrorFromOsError(5, facts), kFileReadOnly);
  EXPECT_EQ(FileErrorFromOsError(32, facts), kFileLocked);
}

TEST(OpenErrorMapping, DriveLetterOfAName) {
  EXPECT_EQ(DriveIndexOfName(u"C:\\x"), 2);
  EXPECT_EQ(DriveIndexOfName(u"z:"), 25);
  EXPECT_EQ(DriveIndexOfName(u"\\\\server\\share"), -1);
  EXPECT_EQ(DriveIndexOfName(u"1:\\x"), -1);
  EXPECT_EQ(DriveIndexOfName(u"C"), -1);
  EXPECT_EQ(DriveIndexOfName(u""), -1);
  EXPECT_EQ(DriveIndexOfName(nullptr), -1);
}

TEST(OpenFlags, AccessSharingAndCreation) {
  OpenMode mode = DecodeOpenFlags(0);
  EXPECT_TRUE(mode.read);
  EXPECT_TRUE(mode.write);
  EXPECT_FALSE(mode.share_read);
  EXPECT_FALSE(mode.share_write);
  EXPECT_EQ(mode.creation, OpenCreation::kOpenOrCreate);

  mode = DecodeOpenFlags(0x111);  // the whole-file read
  EXPECT_TRUE(mode.read);
  EXPECT_FALSE(mode.write);
  EXPECT_TRUE(mode.share_read);
  EXPECT_TRUE(mode.share_write);  // a reader that shares reading shares writing too
  EXPECT_EQ(mode.creation, OpenCreation::kOpenExisting);

  mode = DecodeOpenFlags(kOpenNoRead | kOpenShareWrite | kOpenCreateNew);
  EXPECT_FALSE(mode.read);
  EXPECT_TRUE(mode.share_read);  // a writer that shares writing shares reading too
  EXPECT_EQ(mode.creation, OpenCreation::kCreateNew);

  mode = DecodeOpenFlags(kOpenShareRead | kOpenCreateOrTruncate);  // read and write: no widening
  EXPECT_TRUE(mode.share_read);
  EXPECT_FALSE(mode.share_write);
  EXPECT_EQ(mode.creation, OpenCreation::kCreateOrTruncate);
}

TEST(OpenFlags, TemporaryNameFormsAreAlwaysCreated) {
  for (uint32_t form : {0x20000000u, 0x40000000u, 0x60000000u}) {
    EXPECT_EQ(DecodeOpenFlags(form | kOpenExisting).creation, OpenCreation::kCreateOrTruncate);
    EXPECT_TRUE(IsKnownNameForm(form));
  }
  EXPECT_TRUE(NameFormNeedsNoName(kOpenNewTemporary));
  EXPECT_TRUE(NameFormNeedsNoName(kOpenInTemporaryFolder));
  EXPECT_FALSE(NameFormNeedsNoName(kOpenNewTemporaryIn));
  EXPECT_FALSE(NameFormNeedsNoName(0));
  EXPECT_FALSE(IsKnownNameForm(0xA0000000u));
  EXPECT_FALSE(IsKnownNameForm(0xE0000000u));
}

int TotalWait(uint32_t flags, uint32_t os_error, int* attempts) {
  OpenRetryState state;
  int total = 0;
  *attempts = 1;
  for (int delay; (delay = NextOpenRetryDelay(state, flags, os_error)) >= 0; ++*attempts) {
    total += delay;
    if (*attempts > 100) break;
  }
  return total;
}

TEST(OpenRetries, SharingViolationsAreWaitedOutFiveTimes) {
  int attempts = 0;
  EXPECT_EQ(TotalWait(0, 32, &attempts), 500);
  EXPECT_EQ(attempts, 6);
  EXPECT_EQ(TotalWait(kOpenNoSharingWait, 32, &attempts), 0);
  EXPECT_EQ(attempts, 1);
  EXPECT_EQ(TotalWait(0, 5, &attempts), 0);  // other errors are final
  EXPECT_EQ(attempts, 1);
}

TEST(OpenRetries, RetryOnceComesFirstForAnyError) {
  int attempts = 0;
  EXPECT_EQ(TotalWait(kOpenRetryOnce, 5, &attempts), 150);
  EXPECT_EQ(attempts, 2);
  EXPECT_EQ(TotalWait(kOpenRetryOnce, 32, &attempts), 650);
  EXPECT_EQ(attempts, 7);
  EXPECT_EQ(TotalWait(kOpenRetryOnce | kOpenNoSharingWait, 32, &attempts), 150);
}

}  // namespace
