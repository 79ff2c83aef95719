// The numbers of the language table's messages that the program uses, named
// once. Message(n) (package/settings_state.h) gives the text of the current
// language. A number never changes meaning.
#pragma once

namespace message_number {
constexpr int kInstallOverTitle = 2;       // title of the install-over question
constexpr int kInstallOverFolder = 7;      // the install-over question's folder line
constexpr int kUnpacking = 8;              // status while the file data is made available
constexpr int kRequiredProductMissing = 12;
constexpr int kCorruptPackage = 13;
constexpr int kRestartTitle = 20;
constexpr int kErrorTitle = 21;
constexpr int kFolderFailed = 25;          // a folder could not be created
constexpr int kWriteFailed = 31;
constexpr int kDeleteSharedTitle = 35;
constexpr int kSavingUninstallData = 36;   // status at 100 percent
constexpr int kRestartQuestion = 37;
constexpr int kFailedLogQuestion = 40;     // its "%s" is the log's path
constexpr int kFailedLogTitle = 41;
constexpr int kCompletedNotice = 42;
constexpr int kCompleted = 43;             // title of the notice, last line of the log
constexpr int kInstalling = 54;            // status while file names are hidden
constexpr int kDeleteSharedQuestion = 59;  // "%s" is the path
constexpr int kExcludedSystem = 61;        // "%s" is the system's name
constexpr int kCheckingFileData = 62;
constexpr int kLicenceFirstPage = 63;
constexpr int kReadmeFirstPage = 64;
constexpr int kInstallingFont = 77;        // "<file>" is the font's entry name
constexpr int kWrongBitness = 81;
constexpr int kAlreadyRunning = 91;
constexpr int kCancelled = 98;
constexpr int kNoDowngrade = 106;          // "%s" is the lowest version allowed
constexpr int kCancelledTitle = 111;
constexpr int kRequiredProductTooOld = 112;
constexpr int kPreparing = 113;            // status when the working log starts
}  // namespace message_number
