// Files that several products share, counted under HKEY_LOCAL_MACHINE
// "Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs" (a DWORD value
// per full path: how many products use the file). The installer raises the
// count of each shared file once per product and lists it in the product's
// "SharedFiles" value; the uninstaller lowers the counts of that list again
// and removes a file only when no product counts on it any more.
#pragma once

#include <cstdint>

#include "core/string.h"
#include "core/vector.h"

struct Journal;

constexpr char16_t kSharedDllsKey[] = u"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr char kSharedCountsUnavailableText[] =
    "REGISTRY ERROR:  Unable to adjust shared file reference counts.\r\n\r\n";

// The marks after a path in "SharedFiles".
constexpr char kComServerMark = '^';
constexpr char kPermanentMark = ' ';
constexpr char kTypeLibraryMark = '\xA9';

// A file listed for the counts: its path by the "|" rule (a marked path,
// records/marked_path.h) and the mark the uninstaller reads back (0: none).
struct SharedListing {
  String path;  // 8-bit
  char mark = 0;
};

// Appends `text` (8-bit) in double quotes, a quote inside doubled: an item
// of the uninstall key's lists ("SharedFiles", "ProductFonts").
void AppendQuoted(String* out, const String& text);

// The entry of the "SharedFiles" text: the path and its mark in double
// quotes (a quote inside doubled).
String SharedFilesEntry(const SharedListing& listing);
// Appends the entry to "SharedFiles" unless it is already there. False when
// it was there: the product already counts on the file.
bool AddSharedFilesEntry(String* shared_files, const SharedListing& listing);

// The lines about raising the counts.
extern const char kSharedCountsKeyFailedText[];
// "Failed to increment reference count of shared file \"path\" : reason\r\n".
String SharedCountFailedLine(const String& path, const String& reason);

// Platform (shared_counts_raise_win.cpp): each listed file not yet in
// `shared_files` gets its count raised by one and joins that list (also when
// raising failed, which the working log tells). A SharedDLLs key that cannot
// be opened goes to the failure summary and nothing is counted. The caller
// decides whether the product keeps counts at all (uninstall support, not on
// removable media). Before each count is raised, the list with that file is
// stored as "SharedFiles" under `product_key` (the product's Uninstall key,
// HKEY_LOCAL_MACHINE; none when empty): a run that ends on the way has recorded every count
// it raised, so that a rerun never raises one twice.
void RaiseSharedFileCounts(Journal& journal, const Vector<SharedListing>& listed, String* shared_files,
                           const String& product_key);

// One entry of "SharedFiles".
struct SharedFileEntry {
  String path;  // 8-bit as stored: a marked path (records/marked_path.h)
  bool com_server = false;    // unregister with regsvr32 before deleting
  bool permanent = false;     // never deleted
  bool type_library = false;  // unregister the type library before deleting
};

// "SharedFiles" is 8-bit text: entries in double quotes (a quote inside is
// doubled), separated by ";". Takes the next entry off the front of `text`
// with the ";" after it, and the marks off the end of its path ("^", then a
// blank, then 0xA9, each only when last). False, with `text` as it was, when
// the text does not start with a quote, the quote is not closed, or the
// entry is empty: the list ends there.
bool TakeSharedFileEntry(String* text, SharedFileEntry* entry);

// The count to store after this product lets go of a file that had `stored`:
// one less; a count of 0 or below (read as a signed number) also ends at 0.
// 0 means that the value is deleted and nobody uses the file any more.
uint32_t LoweredSharedCount(uint32_t stored);

class RegistryKey;
struct Journal;
class RemovalGuard;

// How the pass deals with the user.
struct SharedFilePassOptions {
  bool automatic = false;  // no questions
  // The question before a file is deleted (ProductFlags bit 17): message 59
  // with the path in place of its %s, titled message 35.
  bool ask_before_deleting = false;
  String delete_question;
  String delete_title;
  // Owner of the questions, and the window that gets the focus back after
  // a file was unregistered (an HWND; null for none).
  void* progress_window = nullptr;
  Journal* journal = nullptr;  // the run's journal, for a failure; never null
  // Every deletion goes through the run's guard; a file left because a
  // folder on its way is a link is a failure, named after `left_behind`.
  RemovalGuard* guard = nullptr;
  String left_behind;
};

// Platform (shared_files_win.cpp): the uninstaller's shared-file pass over
// the product key's "SharedFiles". Lowers each listed file's count, and for
// a count that reaches 0 and a file that is not permanent unregisters it as
// marked and deletes it (asking first with message 59 titled 35 when
// ProductFlags bit 17 is set and the run is not automatic). A file without a
// count is left alone. "SharedFiles" is deleted from the product key when
// the pass has run. When the SharedDLLs key cannot be opened for reading and
// writing, kSharedCountsUnavailableText goes to the failure summary
// (records/failure_summary.h), nothing is touched, "SharedFiles" stays (so
// the product stays registered), and the result is false.
bool RunSharedFilePass(RegistryKey& product_key, const SharedFilePassOptions& options);
