// The uninstaller's windows: the background window painted as the installer
// painted it (from the values the installer left in the product's Uninstall
// key) and the progress page in its uninstall form. A silent run has none.
#pragma once

#include "core/progress.h"
#include "core/string.h"
#include "package/run_product.h"
#include "wizard/background_window_win.h"

class RegistryKey;

// Puts the painting values of the product key into the product settings,
// and the background bitmap from `uninstall_folder` when the product has one.
void ReadPaintingValues(RegistryKey& key, const String& uninstall_folder, ProductSettings& settings);

// The product's "uninstall.ico" in `uninstall_folder`, when there is one,
// gives the windows their large and small icons instead of the program's.
void UseProductIcons(const String& uninstall_folder);

class UninstallWindows {
 public:
  UninstallWindows() = default;
  ~UninstallWindows() { Close(); }
  UninstallWindows(const UninstallWindows&) = delete;
  UninstallWindows& operator=(const UninstallWindows&) = delete;

  // The background window, unless the product has none. `product` is the
  // run's, kept by it until the windows close.
  void OpenBackground(const RunProduct& product);
  // The progress page; its reporter, or one that reports nowhere.
  Progress OpenProgress(const RunProduct& product, bool automatic);
  bool progress_open() const { return progress_open_; }
  // The open progress page (an HWND), null when there is none.
  void* progress_window() const;
  // Waits the step pause, keeping the windows answering; nothing without a
  // progress page, where nobody would see the step.
  void Pause() const;
  void CloseProgress();
  void Close();

 private:
  void* background_ = nullptr;  // HWND
  BackgroundWindowState background_state_;  // what the window paints from and found out
  bool progress_open_ = false;
};
