// The numbers of the language table's messages that the program uses, named
// once. Message(n) (package/settings_state.h) gives the text of the current
// language. A number never changes meaning.
#pragma once

namespace message_number {
constexpr int kReadingOrder = 0;          // its text tells whether the language reads right to left
constexpr int kGreeting = 1;              // the greeting's text
constexpr int kInstallOverTitle = 2;       // title of the install-over question
constexpr int kInstallOverFolder = 7;      // the install-over question's folder line
constexpr int kUnpacking = 8;              // status while the file data is made available
constexpr int kUninstallFailed = 10;
constexpr int kChooseInstallFolder = 11;  // title of the folder chooser of the folder page
constexpr int kRequiredProductMissing = 12;
constexpr int kCorruptPackage = 13;
constexpr int kUninstallCompletedTitle = 15;
constexpr int kRestartTitle = 20;             // also the title of warnings
constexpr int kErrorTitle = 21;
constexpr int kFolderFailed = 25;          // a folder could not be created
constexpr int kCancelQuestion = 28;       // asked by the progress page's Cancel
constexpr int kWriteFailed = 31;
constexpr int kAfterFirewall = 32;        // status when the firewall exceptions are made
constexpr int kUninstallShortcutName = 33;
constexpr int kUninstallCompleted = 34;
constexpr int kDeleteSharedTitle = 35;
constexpr int kSavingUninstallData = 36;   // status at 100 percent
constexpr int kRestartQuestion = 37;
constexpr int kFailedLogQuestion = 40;     // its "%s" is the log's path
constexpr int kFailedLogTitle = 41;
constexpr int kCompletedNotice = 42;
constexpr int kCompleted = 43;             // title of the notice, last line of the log
constexpr int kUninstallQuestion = 53;
constexpr int kInstalling = 54;            // status while file names are hidden
constexpr int kUninstallTitle = 55;       // title of the uninstaller's questions
constexpr int kRemoveFontQuestion = 56;
constexpr int kRemoveFontTitle = 57;
constexpr int kFileNotDeleted = 58;
constexpr int kDeleteSharedQuestion = 59;  // "%s" is the path
constexpr int kExcludedSystem = 61;        // "%s" is the system's name
constexpr int kCheckingFileData = 62;
constexpr int kLicenceFirstPage = 63;
constexpr int kReadmeFirstPage = 64;
constexpr int kGreetingTitle = 65;
constexpr int kRemovingFonts = 67;
constexpr int kRemovingLog = 68;
constexpr int kRemovingRegistry = 69;
constexpr int kRunningBatch = 70;
constexpr int kUninstallRestartQuestion = 74;
constexpr int kInstallingFont = 77;        // "<file>" is the font's entry name
constexpr int kAfterShortcuts = 78;       // status when the shortcuts are made
constexpr int kWrongBitness = 81;
constexpr int kLogShortcutName = 86;
constexpr int kChooseStartMenuFolder = 88;
constexpr int kAlreadyRunning = 91;
constexpr int kCreatingRestorePoint = 97;
constexpr int kCancelled = 98;
constexpr int kCloseProgramQuestion = 99;  // the installer's; "%s" is the program
constexpr int kCloseCancelled = 101;     // the uninstaller was told not to close a program
constexpr int kWrongPassword = 102;
constexpr int kGreetingLink = 105;       // the greeting's link text
constexpr int kNoDowngrade = 106;          // "%s" is the lowest version allowed
constexpr int kCloseProgramsQuestion = 107;
constexpr int kRemovingMsi = 108;
constexpr int kCancelledTitle = 111;
constexpr int kRequiredProductTooOld = 112;
constexpr int kPreparing = 113;            // status when the working log starts
}  // namespace message_number
