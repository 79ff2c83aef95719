#include "uninstall/shared_files.h"

#include <utility>

namespace {

// Removes `mark` when it is the last character.
bool TakeMark(String* path, char mark) {
  if (path->empty() || static_cast<char>(path->At(path->length() - 1)) != mark) return false;
  path->TruncateAt(path->length() - 1);
  return true;
}

// The position of the quote that closes the entry opened at 0, or -1. A
// doubled quote stands for one quote inside the entry.
int32_t ClosingQuote(const String& text, String* inside) {
  for (int32_t i = 1; i < text.length(); ++i) {
    const char c = static_cast<char>(text.At(i));
    if (c != '"') {
      inside->Append(c);
    } else if (i + 1 < text.length() && text.At(i + 1) == '"') {
      inside->Append('"');
      ++i;
    } else {
      return i;
    }
  }
  return -1;
}

}  // namespace

bool TakeSharedFileEntry(String* text, SharedFileEntry* entry) {
  if (text->empty() || text->At(0) != '"') return false;
  String path;
  const int32_t close = ClosingQuote(*text, &path);
  if (close < 0 || path.empty()) return false;
  int32_t taken = close + 1;
  if (taken < text->length() && text->At(taken) == ';') ++taken;
  text->Delete(0, taken);
  *entry = SharedFileEntry();
  entry->com_server = TakeMark(&path, kComServerMark);
  entry->permanent = TakeMark(&path, kPermanentMark);
  entry->type_library = TakeMark(&path, kTypeLibraryMark);
  entry->path = std::move(path);
  return true;
}

uint32_t LoweredSharedCount(uint32_t stored) {
  return static_cast<int32_t>(stored) >= 1 ? stored - 1 : 0;
}
