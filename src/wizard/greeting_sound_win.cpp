#include "wizard/greeting_sound_win.h"

#include <windows.h>
#include <mmsystem.h>

#include "core/system_library_win.h"

bool PlayGreetingSound(const String& wave) {
  if (wave.empty()) return false;
  using PlaySoundFunction = BOOL(WINAPI*)(LPCWSTR, HMODULE, DWORD);
  // winmm is optional: a system without it plays nothing.
  static SystemLibrary winmm(L"winmm.dll");
  static PlaySoundFunction play = winmm.Get<PlaySoundFunction>("PlaySoundW");
  if (!play) return false;
  return play(reinterpret_cast<LPCWSTR>(wave.bytes()), nullptr, SND_MEMORY | SND_ASYNC | SND_NODEFAULT) != FALSE;
}
