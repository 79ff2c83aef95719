// Per-file costs under Wine, apart from any installer: writes FILES files of
// SIZE bytes (in WriteFile pieces of PIECE bytes) into 10 x 10 subfolders of
// FOLDER the way MODE says, and prints the milliseconds it took.
//
//   file_probe.exe FOLDER FILES SIZE PIECE MODE
//
//   plain    create (CREATE_ALWAYS), write, close
//   time     plain, with SetFileTime on the same handle before it is closed
//   reopen   plain, then a second open for FILE_WRITE_ATTRIBUTES, SetFileTime,
//            close: how the installer sets the file date today
//   checked  reopen, after GetFileAttributes of the file and of its folder
//            (the installer's existence and folder tests)
//
// Built and run by bench/probe.sh.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <cwchar>
#include <vector>

namespace {

enum class Mode { kPlain, kTime, kReopen, kChecked };

bool ParseMode(const wchar_t* text, Mode* mode) {
  if (!wcscmp(text, L"plain")) *mode = Mode::kPlain;
  else if (!wcscmp(text, L"time")) *mode = Mode::kTime;
  else if (!wcscmp(text, L"reopen")) *mode = Mode::kReopen;
  else if (!wcscmp(text, L"checked")) *mode = Mode::kChecked;
  else return false;
  return true;
}

// A fixed date, as a package would carry one.
FILETIME Date() {
  SYSTEMTIME st = {2024, 6, 0, 1, 12, 0, 0, 0};
  FILETIME ft;
  SystemTimeToFileTime(&st, &ft);
  return ft;
}

bool WriteOne(const wchar_t* path, const std::vector<char>& data, size_t piece, Mode mode, const FILETIME& date) {
  HANDLE file = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  for (size_t done = 0; done < data.size();) {
    const DWORD want = static_cast<DWORD>(data.size() - done < piece ? data.size() - done : piece);
    DWORD wrote = 0;
    if (!WriteFile(file, data.data() + done, want, &wrote, nullptr) || wrote != want) {
      CloseHandle(file);
      return false;
    }
    done += wrote;
  }
  if (mode == Mode::kTime) SetFileTime(file, &date, nullptr, &date);
  CloseHandle(file);
  if (mode == Mode::kReopen || mode == Mode::kChecked) {
    HANDLE again = CreateFileW(path, FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
    if (again == INVALID_HANDLE_VALUE) return false;
    SetFileTime(again, &date, nullptr, &date);
    CloseHandle(again);
  }
  return true;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  Mode mode;
  if (argc != 6 || !ParseMode(argv[5], &mode)) {
    std::fprintf(stderr, "usage: file_probe.exe FOLDER FILES SIZE PIECE plain|time|reopen|checked\n");
    return 2;
  }
  const wchar_t* folder = argv[1];
  const int files = _wtoi(argv[2]);
  const size_t size = static_cast<size_t>(_wtoi64(argv[3]));
  const size_t piece = static_cast<size_t>(_wtoi64(argv[4]));
  if (files <= 0 || piece == 0) return 2;
  std::vector<char> data(size);
  for (size_t i = 0; i < size; ++i) data[i] = static_cast<char>(i * 2654435761u >> 24);
  const FILETIME date = Date();

  LARGE_INTEGER frequency, start, end;
  QueryPerformanceFrequency(&frequency);
  QueryPerformanceCounter(&start);
  CreateDirectoryW(folder, nullptr);
  wchar_t path[MAX_PATH];
  for (int i = 0; i < files; ++i) {
    const int a = i * 10 / files, b = i * 100 / files % 10;
    std::swprintf(path, MAX_PATH, L"%ls\\d%02d", folder, a);
    CreateDirectoryW(path, nullptr);
    std::swprintf(path, MAX_PATH, L"%ls\\d%02d\\s%02d", folder, a, b);
    if (mode == Mode::kChecked) GetFileAttributesW(path);
    CreateDirectoryW(path, nullptr);
    std::swprintf(path, MAX_PATH, L"%ls\\d%02d\\s%02d\\f%04d.dat", folder, a, b, i);
    if (mode == Mode::kChecked) GetFileAttributesW(path);
    if (!WriteOne(path, data, piece, mode, date)) {
      std::fprintf(stderr, "file_probe: writing file %d failed, error %lu\n", i, GetLastError());
      return 1;
    }
  }
  QueryPerformanceCounter(&end);
  std::printf("%.1f\n", (end.QuadPart - start.QuadPart) * 1000.0 / frequency.QuadPart);
  return 0;
}
