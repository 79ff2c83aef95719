#include "records/shared_files.h"

#include <utility>

#include "core/format.h"

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

const char kSharedCountsKeyFailedText[] = "Registry error: unable to increment shared file reference counts.\r\n\r\n";

void AppendQuoted(String* out, const String& text) {
  out->Append('"');
  for (int32_t i = 0; i < text.length(); ++i) {
    const char c = static_cast<char>(text.At(i));
    out->Append(c);
    if (c == '"') out->Append('"');
  }
  out->Append('"');
}

String SharedFilesEntry(const SharedListing& listing) {
  String text = listing.path;
  if (listing.mark) text.Append(listing.mark);
  String entry;
  AppendQuoted(&entry, text);
  return entry;
}

bool AddSharedFilesEntry(String* shared_files, const SharedListing& listing) {
  const String entry = SharedFilesEntry(listing);
  if (shared_files->Find(entry.c_str()) >= 0) return false;
  if (!shared_files->empty()) shared_files->Append(';');
  shared_files->Append(entry);
  return true;
}

String SharedCountFailedLine(const String& path, const String& reason) {
  return FormatW(u"Failed to increment reference count of shared file \"%s\" : %s\r\n", path.w_str(), reason.w_str());
}
