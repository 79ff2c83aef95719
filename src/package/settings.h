// The product settings: the decoded settings record of the package, held for
// the whole run. Members carry the names under which the uninstall entry later
// stores the same values; the order of the stored fields, their encodings and
// their limits live in settings_fields.h, which the reader and the builder's
// writer both expand, so the two can never disagree.
//
// Texts are UTF-16LE unless a comment says narrow (8-bit, as stored) or bytes.
#pragma once

#include <array>
#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

inline constexpr uint32_t kSettingsEndMarker = 0xD3E82B97;

// One entry of the conditional-delete list. The uninstall data writes it as
// pattern, condition code, condition value and flag byte.
struct FileDeletion {
  String name;        // narrow: file path or wildcard pattern
  uint8_t mode = 0;   // condition code
  String path;        // narrow: condition value
  uint8_t flags = 0;  // bit 2: at install, bit 3: at uninstall

  static constexpr uint8_t kAtInstall = 1u << 2;
  static constexpr uint8_t kAtUninstall = 1u << 3;
};

// A shortcut record as stored; its meaning belongs to the shortcut action.
struct ShortcutRecord {
  uint32_t flags = 0;
  std::array<String, 6> texts;  // narrow
  String wide_text;
  String narrow_text;  // narrow
};

// A file-association record as stored; its meaning belongs to the
// association action. `enabled` is not stored: every record starts enabled.
struct AssociationRecord {
  bool enabled = true;
  String extension;    // narrow; a leading "." is added when missing
  String description;  // stored as UTF-8, held as UTF-16
  String verb;         // narrow, such as "open"
  String verb_label;   // packed: UTF-16
  String command;      // narrow; variables not yet expanded
  uint8_t mode = 0;    // 0 normal, 1 also the type's default verb, 2 open-with only
  uint8_t unused1 = 0;  // stored, never read
  uint8_t unused2 = 0;
  String prog_id;      // narrow: the file type's key; empty or with "!": the type already there
  uint8_t unused3 = 0;
  uint8_t unused4 = 0;
};

// A value that the product adds to its uninstall entry.
struct UninstallValue {
  enum Type : uint8_t { kString = 1, kExpandString = 2, kDword = 4 };

  String name;  // narrow; a backslash splits off a subkey
  uint8_t type = kString;
  String text;  // UTF-16, variables expanded when written

  static bool KnownType(uint8_t type) {
    return type == kString || type == kExpandString || type == kDword;
  }
};

// A rule for closing a running program before installing.
struct CloseRule {
  String window_class;  // narrow: exact, or '*' and a part to contain
  String window_title;  // narrow: same rules
  String display_name;  // narrow
  uint8_t match_mode = 0;
  uint8_t action = 0;  // 0 close, 1 quit, 2 ask the user, 3 terminate
};

// The pages whose dialog style the package chooses, in stored order.
enum PageStyleSlot : int32_t {
  kStyleGreeting,
  kStyleLanguage,
  kStyleLicense,
  kStyleReadme,
  kStyleFolder,
  kStyleStartMenu,
  kStyleProgress,
  kStyleFinish,
  kPageStyleSlots,
};

// The dialog-resource suffix a page style selects: 0 "Dlg2", 1 "Dlg",
// 3 "Dlg4", anything else "Dlg3".
const char16_t* PageStyleSuffix(int32_t style);

struct ProductSettings {
  // Header field (not part of the settings block): the second flag word.
  uint32_t ProductFlags2 = 0;

  uint64_t ProductFlags = 0;
  uint8_t AutomaticMode = 0;  // 1 on; 2 off unless silent; other: command line
  String TaskbarText;
  String DisplayTitle;
  double TitleSize = 0;
  int32_t ProgressPlacement = 0;
  uint16_t MinStatusTime = 0;  // milliseconds
  uint8_t ShortcutMode = 0;    // 1: all users
  std::array<int32_t, 6> ProductDate = {};  // year, month, day, hour, minute, second
  String Publisher;
  String DisplayName;  // the product name
  String Description;
  uint8_t Bitness = 0;  // bitness::k64, bitness::k32, other: either
  uint8_t SharedBase = 0;
  String SharedPath;
  String SharedSubfolder;  // for a portable installation
  String ProductStartMenu;
  String DisplayVersion;
  String DefaultInstallDir;
  String ProductRegistry;
  String RegistryEntries;
  String RegistryMerge;
  int32_t BitmapSize = 0;  // percent
  int32_t StretchMode = 0;
  String GreetingLink;
  Array<String> LicenseTexts;
  Array<String> ReadmeTexts;
  String UninstallSubdir;
  String Reserved2;  // narrow
  String UninstallKeyName;
  String InstallLocationSource;  // narrow: registry path
  String WindowTitle;
  uint8_t SidePictureFrame = 0;
  uint32_t TitleColor = 0;
  uint8_t TitleShadow = 0;
  uint8_t TitlePosition = 0;
  String TitleFont;  // narrow
  uint32_t TopColor = 0;
  uint32_t BottomColor = 0;
  String BackgroundBitmap;  // bytes
  int32_t BitmapTPI = 0;    // stored only with a bitmap
  uint8_t CopyrightPos = 0;  // 0: no copyright line and none of the four below
  uint32_t CopyrightColor = 0;
  double CopyrightSize = 0;
  String CopyrightText;
  String CopyrightFont;
  String RequiredProductKey;  // the three stored only with ProductFlags bit 16
  String RequiredProductName;
  String RequiredProductVersion;
  String GreetingSound;  // bytes: a WAVE image
  String DesktopFolder;
  String InstallActionSettings;
  String PreInstallBatch;
  String PostInstallBatch;
  String ExitBatch;
  String UninstallBatch1;
  String UninstallBatch2;
  String UpgradeBatch;
  String ReinstallBatch;
  std::array<uint8_t, 20> ReservedBytes = {};
  int32_t ExcludedSystems = 0;
  uint8_t FileDataOutside = 0;
  String FinishProgram;
  String FinishDocument;
  String FinishDocument2;
  String LaunchNotifyURL;
  String StartNotifyURL;
  String InstallNotifyURL;
  String UpgradeNotifyURL;
  String DowngradeNotifyURL;
  String ReinstallNotifyURL;
  String NotifyURL;
  String LinkNotifyURL;
  String Reserved6;  // narrow
  String NoDowngradeBelow;
  String InstallPassword;
  String MustUninstallVersion;
  String Reserved7;
  String Reserved8;
  uint64_t ExtraSpace = 0;  // bytes to require beyond the files
  std::array<int32_t, kPageStyleSlots> PageStyles = {};
  String ExtraText;  // stored only with ProductFlags bit 2
  Vector<FileDeletion> FileDeletions;
  Vector<ShortcutRecord> Shortcuts;
  Vector<AssociationRecord> Associations;
  String Reserved10;
  String Reserved11;
  String Reserved12;
  String Reserved13;
  Vector<UninstallValue> UninstallValues;
  String SupportOffer;
  String Reserved14;
  Vector<CloseRule> ProgramsToClose;
  uint32_t EndMarker = kSettingsEndMarker;

  // Derived when the settings are read, never stored.
  String DisplayVersionA;  // narrow (ANSI) copy of DisplayVersion
  bool MonoColor = false;  // TopColor == BottomColor
  String WizardCaption;    // message 0, or WindowTitle with ProductFlags bit 42

  bool Flag(int bit) const { return bit >= 0 && bit < 64 && (ProductFlags >> bit & 1) != 0; }
  bool Flag2(int bit) const { return bit >= 0 && bit < 32 && (ProductFlags2 >> bit & 1) != 0; }
  void SetFlag(int bit, bool on);
  void SetFlag2(int bit, bool on);
};

// The values of the settings' Bitness.
namespace bitness {
constexpr uint8_t k64 = 1;  // 64-bit Windows only: folders, registry and files of its 64-bit side
constexpr uint8_t k32 = 2;  // 32-bit Windows only
}  // namespace bitness

// ProductFlags bits, named once for the whole program and the builder.
namespace product_flag {
constexpr int kMustUninstallFirst = 0;
constexpr int kUninstallStartMenuShortcut = 1;
constexpr int kDetectInstallation = 2;  // an earlier installation is looked for; uninstall support; extra text stored
constexpr int kAskBeforeEachFont = 4;   // the uninstaller asks before removing each font
constexpr int kCompressedBlocks = 5;
constexpr int kKeepInstallLog = 6;  // Install.log is written (a failed run writes it anyway)
constexpr int kFolderPage = 7;
constexpr int kSingleInstance = 8;
constexpr int kForceAutomaticUninstall = 9;
constexpr int kDeleteFolderWithContents = 10;  // the uninstaller also removes what users left
constexpr int kStageNewFiles = 11;  // a file in use is staged for the restart even if it did not exist before
constexpr int kAddToPath = 12;  // the install folder (or "AddToPathSubfolder") joins the machine PATH; removed at uninstall
constexpr int kAskRestart = 14;
constexpr int kBackgroundBitmap = 15;
constexpr int kRequiresProduct = 16;  // also: required product stored
constexpr int kAskBeforeDeletingShared = 17;
constexpr int kVerifyAfterWrite = 18;  // a written file is read back and compared
constexpr int kClearProtection = 19;   // read-only, hidden and system go after a first failed write
constexpr int kDetailedLog = 20;
constexpr int kNoCancel = 21;  // the progress page's Cancel is disabled
constexpr int kNoCompletionNotice = 22;
constexpr int kPreInstallBatch = 23;
constexpr int kHidePostInstallBatch = 24;  // its console is hidden
constexpr int kHideUninstallBatch1 = 26;   // the batch run before removal: console hidden
constexpr int kHideUninstallBatch2 = 27;   // the batch run after removal: console hidden
constexpr int kNoInstallOverConfirm = 28;
constexpr int kNoBackgroundWindow = 29;
constexpr int kAskFolderExistence = 31;  // the folder page asks whether to use an existing or new folder
constexpr int kCheckProgramChecksum = 32;
constexpr int kUninstallDesktopShortcut = 33;
constexpr int kStartMenuPage = 34;
constexpr int kErrorBoxesWhenAutomatic = 35;
constexpr int kCheckInstalledVersion = 36;
constexpr int kNoNetworkFolder = 37;  // the folder page refuses network folders
constexpr int kUninstallOwnFolderShortcut = 38;  // an uninstaller shortcut in the uninstall data folder
constexpr int kTitlePositionCompanion = 40;
constexpr int kAnswerRestartNo = 41;  // an automatic run does not restart
constexpr int kNoMessageCaption = 42;
constexpr int kNoGreetingPage = 43;
constexpr int kRestartRequired = 45;  // the uninstaller restarts Windows at its end
constexpr int kCopyReadmeTexts = 46;
constexpr int kCopyLicenceTexts = 47;
constexpr int kHideFileNames = 49;
constexpr int kGrantFolderRights = 50;
constexpr int kProgressPage = 51;  // the uninstaller also closes its progress page before its last messages
constexpr int kPageIcons = 52;  // every page (and the greeting box) carries the application icons
constexpr int kRestartMarker = 53;
constexpr int kUninstallKeepsLog = 54;  // Install.log stays at uninstall (kKeepInstallLog writes it)
constexpr int kNoPortableFolder = 55;  // the folder page refuses removable drives
constexpr int kPortableIgnoresDetect = 56;
constexpr int kFinishViewLog = 57;
constexpr int kDesktopFolderDefault = 58;
constexpr int kLogShortcut = 59;  // a Start Menu shortcut to Install.log
constexpr int kUpgradeBatch = 60;
constexpr int kReinstallBatch = 61;
constexpr int kGrantSharedRights = 62;
}  // namespace product_flag

// ProductFlags2 bits (the header's flag word).
namespace product_flag2 {
constexpr int kReinstallBatchSameVersion = 0;
constexpr int kRestorePoint = 1;
constexpr int kFinishRunChecked = 2;
constexpr int kFinishDocumentChecked = 3;
constexpr int kFinishDocument2Checked = 4;
constexpr int kStrippedCopy = 5;
constexpr int kPreInstallBatchNamed = 6;
constexpr int kPostInstallBatchNamed = 7;
constexpr int kUpgradeBatchNamed = 8;
constexpr int kReinstallBatchNamed = 9;
constexpr int kButtonImages = 10;
constexpr int kPortableNoStartMenuPage = 11;  // also: no shortcuts on removable media
constexpr int kEnciphered = 12;
constexpr int kInstallLocationMode2 = 13;
constexpr int kNoRegistryOnRemovable = 15;
constexpr int kNoAssociationsOnRemovable = 17;
constexpr int kUninstallCompletionMessage = 18;
constexpr int kNoFirewallOnRemovable = 19;
constexpr int kFinishProgramNoWorkDir = 20;
// The exit codes deployment tools read instead of the classic ones; the
// Uninstall key's "ProductFlags2" carries it to the uninstaller.
constexpr int kDeploymentExitCodes = 24;
}  // namespace product_flag2

// Silent mode's changes to the flags, made right after they are read: it
// turns off the questions and pages that need a user and turns on the
// switches that avoid them.
uint64_t SilentModeFlags(uint64_t flags);

// Whether the run is automatic once the settings' choice is known: 1 on,
// 2 off unless the command line asked for silent mode, other values leave
// the command line's choice.
bool AutomaticModeFromSettings(uint8_t choice, bool automatic, bool silent);
