// The option bits that the uninstaller reads from "ProductFlags" and
// "ProductFlags2" of the product's Uninstall key (the builder sets them).
#pragma once

namespace uninstall_flag {
// ProductFlags bits.
constexpr int kAskBeforeEachFont = 4;
constexpr int kForceAutomatic = 9;
constexpr int kDeleteFolderWithContents = 10;
constexpr int kHideBatch1Console = 26;
constexpr int kHideBatch2Console = 27;
constexpr int kRestartRequired = 45;
constexpr int kNoNamesInProgress = 49;
constexpr int kKeepInstallLog = 54;
// ProductFlags2 bits.
constexpr int kCompletionMessageFlag2 = 18;
}  // namespace uninstall_flag
