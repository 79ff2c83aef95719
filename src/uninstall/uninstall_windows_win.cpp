#include <windows.h>

#include "core/codepage.h"
#include "core/message_pump_win.h"
#include "core/path_rules.h"
#include "core/registry_win.h"
#include "core/silent_mode.h"
#include "core/whole_file.h"
#include "records/uninstall_entry.h"
#include "records/uninstall_value_names.h"
#include "uninstall/uninstall_windows.h"
#include "wizard/background_window_win.h"
#include "wizard/pages_win.h"
#include "wizard/window_icons_win.h"

namespace {

constexpr DWORD kStepPauseMs = 700;
constexpr DWORD kPauseStepMs = 50;
constexpr int kPumpLimit = 100;
constexpr char16_t kIconFileName[] = u"uninstall.ico";

void ReadText(RegistryKey& key, const char16_t* name, String* out) {
  String text;
  if (key.ReadText(name, &text, 0)) *out = text;
}

template <typename T>
void ReadNumber(RegistryKey& key, const char16_t* name, T* out) {
  uint32_t number = 0;
  if (key.ReadNumber(name, &number, 0)) *out = static_cast<T>(number);
}

// Colours and reals written as decimal text.
void ReadReal(RegistryKey& key, const char16_t* name, double* out) {
  double number = 0;
  if (key.ReadReal(name, &number, 0)) *out = number;
}

void ReadBitmap(RegistryKey& key, const String& uninstall_folder, ProductSettings& s) {
  if (!s.Flag(product_flag::kBackgroundBitmap)) return;
  s.BitmapTPI = -1;
  ReadNumber(key, uninstall_value::kBitmapTpi, &s.BitmapTPI);
  ReadNumber(key, uninstall_value::kStretchMode, &s.StretchMode);
  ReadNumber(key, uninstall_value::kBitmapSize, &s.BitmapSize);
  String bytes;
  if (ReadWholeFile(JoinPath(uninstall_folder, kBackgroundBitmapName).w_str(), bytes) == 0) s.BackgroundBitmap = bytes;
}

}  // namespace

void ReadPaintingValues(RegistryKey& key, const String& uninstall_folder, ProductSettings& s) {
  s.TitleSize = 1;
  s.TitleColor = GetSysColor(COLOR_WINDOWTEXT);
  s.TitleShadow = 1;
  s.TopColor = GetSysColor(COLOR_WINDOW);
  s.BottomColor = 0;
  s.TaskbarText = String(u"Setup");
  ReadText(key, uninstall_value::kDisplayTitle, &s.DisplayTitle);
  ReadReal(key, uninstall_value::kTitleSize, &s.TitleSize);
  ReadNumber(key, uninstall_value::kTitleColor, &s.TitleColor);
  ReadNumber(key, uninstall_value::kTitleShadow, &s.TitleShadow);
  ReadNumber(key, uninstall_value::kTopColor, &s.TopColor);
  ReadNumber(key, uninstall_value::kBottomColor, &s.BottomColor);
  uint32_t mono = 1;
  key.ReadNumber(uninstall_value::kMonoColor, &mono, 0);
  s.MonoColor = mono != 0;
  ReadNumber(key, uninstall_value::kTitlePosition, &s.TitlePosition);
  String font;
  ReadText(key, uninstall_value::kTitleFont, &font);
  s.TitleFont = Utf16ToAnsi(font);
  ReadText(key, uninstall_value::kTaskbarText, &s.TaskbarText);
  ReadText(key, uninstall_value::kCopyrightText, &s.CopyrightText);
  ReadText(key, uninstall_value::kCopyrightFont, &s.CopyrightFont);
  ReadReal(key, uninstall_value::kCopyrightSize, &s.CopyrightSize);
  double colour = 0;
  ReadReal(key, uninstall_value::kCopyrightColor, &colour);
  s.CopyrightColor = static_cast<uint32_t>(colour);
  ReadNumber(key, uninstall_value::kCopyrightPos, &s.CopyrightPos);
  ReadBitmap(key, uninstall_folder, s);
}

void UseProductIcons(const String& uninstall_folder) {
  UseWindowIconsFromFile(JoinPath(uninstall_folder, kIconFileName));
}

void UninstallWindows::OpenBackground(const RunProduct& product) {
  if (SilentMode() || product.settings.Flag(product_flag::kNoBackgroundWindow)) return;
  background_state_ = BackgroundWindowStateOf(product.settings);
  background_ = CreateBackgroundWindow(nullptr, false, background_state_);
}

Progress UninstallWindows::OpenProgress(const RunProduct& product, bool automatic) {
  if (SilentMode()) return Progress();
  ProgressPageInputs inputs;
  inputs.product = &product;
  // Without a background window the page keeps its own place anyway.
  inputs.title_position_companion = background_ ? background_state_.title_position_companion
                                                : product.settings.Flag(product_flag::kTitlePositionCompanion);
  inputs.uninstalling = true;
  inputs.automatic = automatic;
  progress_open_ = OpenProgressPage(static_cast<HWND>(background_), inputs);
  return progress_open_ ? ProgressPageReporter() : Progress();
}

void* UninstallWindows::progress_window() const { return progress_open_ ? ProgressPageWindow() : nullptr; }

void UninstallWindows::Pause() const {
  if (!progress_open_) return;
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < kStepPauseMs) {
    PumpPendingMessages(kPumpLimit);
    Sleep(kPauseStepMs);
  }
}

void UninstallWindows::CloseProgress() {
  if (progress_open_) CloseProgressPage();
  progress_open_ = false;
}

void UninstallWindows::Close() {
  CloseProgress();
  if (background_) DestroyWindow(static_cast<HWND>(background_));
  background_ = nullptr;
}
