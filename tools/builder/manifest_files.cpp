// [files], [[file]] and [[shortcut]]: the product's files from its source
// folder in name order, each with its options and shortcuts.
#include "builder/manifest_sections.h"

#include <fnmatch.h>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <string>
#include <vector>

#include "builder/file_names.h"
#include "builder/manifest_actions.h"
#include "builder/package_writer.h"
#include "core/codepage.h"
#include "package/entry_kinds.h"

namespace fs = std::filesystem;

namespace manifest_reading {

namespace {

// Per-file options, by the file's path relative to the source folder.
struct FileOptions {
  Origin origin;
  uint32_t kind = entry_kind::kInstallFolder;
  uint32_t overwrite = entry_flag::kOverwriteAlways;
  bool permanent = false;
  uint32_t attributes = kKeepAttributes;
  std::string destination;
  std::string version;
  ComponentOptions component;
  bool used = false;
};

std::string GenericPath(std::string path) {
  std::replace(path.begin(), path.end(), '\\', '/');
  return path;
}

std::map<std::string, FileOptions> ReadFileOptions(Table& root) {
  std::map<std::string, FileOptions> options;
  for (Table& file : root.Each("file")) {
    std::string path;
    if (!file.Text("path", &path) || path.empty()) Throw(file.At("path"), "the file's path in the source folder");
    FileOptions o;
    o.origin = file.At("path");
    int choice;
    if (file.Choice("overwrite", {"always", "never", "if-exists", "if-missing", "if-not-newer"}, &choice)) {
      const uint32_t modes[] = {entry_flag::kOverwriteAlways, entry_flag::kOverwriteNever, entry_flag::kOverwriteIfExists,
                                entry_flag::kOverwriteIfMissing, entry_flag::kOverwriteIfNotNewer};
      o.overwrite = modes[choice];
    }
    if (file.Choice("kind", {"install", "shared", "font", "startup", "system", "versioned", "com", "type-library",
                             "driver", "msi", "control-panel"},
                    &choice)) {
      const uint32_t kinds[] = {entry_kind::kInstallFolder, entry_kind::kSharedFolder, entry_kind::kFont,
                                entry_kind::kStartup,       entry_kind::kSystem,       entry_kind::kVersioned};
      const int plain = static_cast<int>(sizeof kinds / sizeof kinds[0]);
      o.kind = choice < plain ? kinds[choice] : ComponentKind(choice - plain);
    }
    ReadComponentOptions(file, o.kind, &o.component);
    file.Flag("permanent", &o.permanent);
    bool readonly = false, hidden = false;
    file.Flag("readonly", &readonly);
    file.Flag("hidden", &hidden);
    if (readonly || hidden) o.attributes = (readonly ? 0x1u : 0u) | (hidden ? 0x2u : 0u);
    if (file.Text("destination", &o.destination)) {
      for (const std::string& part : {std::string("/../"), std::string("\\..\\")}) {
        const std::string padded = std::string(1, part[0]) + o.destination + part[0];
        if (padded.find(part) != std::string::npos) {
          Throw(file.At("destination"), "\"..\" would place the file outside its folder; name the folder itself");
        }
      }
    }
    file.Text("version", &o.version);
    if (o.kind == entry_kind::kFont && o.version.empty()) {
      Throw(file.At("version"), "a font needs its display name as version");
    }
    file.RejectUnknown();
    if (!options.emplace(GenericPath(path), o).second) Throw(o.origin, "this file is named twice");
  }
  return options;
}

struct ShortcutOptions {
  Origin origin;
  std::string name, arguments, working_folder, icon;
  bool start_menu = true;
  bool desktop = false;
  bool used = false;
};

std::map<std::string, ShortcutOptions> ReadShortcuts(Table& root) {
  std::map<std::string, ShortcutOptions> shortcuts;
  for (Table& shortcut : root.Each("shortcut")) {
    std::string target;
    if (!shortcut.Text("target", &target) || target.empty()) {
      Throw(shortcut.At("target"), "the shortcut's target file in the source folder");
    }
    ShortcutOptions o;
    o.origin = shortcut.At("target");
    if (shortcut.Text("name", &o.name)) {
      // A name may hold a subfolder of the Start Menu folder: "Docs\\Read Me".
      const std::string problem = WindowsPathProblem(o.name);
      if (!problem.empty()) Throw(shortcut.At("name"), "cannot name a shortcut on Windows: " + problem);
    }
    shortcut.Text("arguments", &o.arguments);
    shortcut.Text("working_folder", &o.working_folder);
    shortcut.Text("icon", &o.icon);
    shortcut.Flag("start_menu", &o.start_menu);
    shortcut.Flag("desktop", &o.desktop);
    if (!o.start_menu && !o.desktop) Throw(o.origin, "a shortcut goes to the Start Menu, the desktop or both");
    shortcut.RejectUnknown();
    if (!shortcuts.emplace(GenericPath(target), o).second) Throw(o.origin, "one shortcut per file");
  }
  return shortcuts;
}

void SetFileDate(const fs::path& path, EntryRecord* entry) {
  std::error_code error;
  auto written = fs::last_write_time(path, error);
  if (error) return;
  // Seconds since 1970 in UTC, exactly, so that a build does not depend on
  // when it runs.
  auto since = std::chrono::duration_cast<std::chrono::seconds>(
      std::chrono::file_clock::to_sys(written).time_since_epoch());
  std::time_t seconds = static_cast<std::time_t>(since.count());
  // Reproducible builds: no file is dated after SOURCE_DATE_EPOCH, so two
  // checkouts of the same commit (each file dated by its checkout) agree.
  if (const char* epoch = std::getenv("SOURCE_DATE_EPOCH"); epoch && *epoch) {
    char* end = nullptr;
    const long long limit = std::strtoll(epoch, &end, 10);
    if (*end == '\0' && limit >= 0 && seconds > limit) seconds = static_cast<std::time_t>(limit);
  }
  std::tm utc;
  if (!gmtime_r(&seconds, &utc)) return;
  const int32_t date[6] = {utc.tm_year + 1900, utc.tm_mon + 1, utc.tm_mday, utc.tm_hour, utc.tm_min, utc.tm_sec};
  std::memcpy(entry->date, date, sizeof date);
}

// Marks the patterns that match in *used.
bool Matches(const std::vector<std::string>& patterns, const std::string& relative, std::vector<bool>* used) {
  bool matched = false;
  for (size_t i = 0; i < patterns.size(); ++i) {
    // '*' also crosses folders: "*.pdb" leaves out every .pdb file.
    // Windows names match without regard to case: "*.PDB" leaves out app.pdb.
    if (fnmatch(patterns[i].c_str(), relative.c_str(), FNM_CASEFOLD) == 0) matched = (*used)[i] = true;
  }
  return matched;
}

// The refusals that keep a product's files installable as named: Windows
// names, names that differ only in case, the manifest inside its own files.
void CheckFileNames(const std::vector<std::string>& relatives, const fs::path& folder, const std::string& manifest,
                    const Origin& origin) {
  std::map<std::u16string, std::string> folded;
  std::error_code error;
  for (const std::string& relative : relatives) {
    const std::string problem = WindowsPathProblem(relative, "/");
    if (!problem.empty()) Throw(origin, "\"" + relative + "\" cannot be installed on Windows: " + problem);
    auto [other, added] = folded.emplace(CaseFoldedPath(relative), relative);
    if (!added) {
      Throw(origin, "\"" + other->second + "\" and \"" + relative +
                        "\" differ only in case, and one would overwrite the other on Windows; rename one");
    }
    if (fs::equivalent(folder / relative, manifest, error)) {
      Throw(origin, "the folder holds the manifest itself; keep the manifest beside the files' folder");
    }
  }
}

// A link in the files' folder is packed as the file it points to, which must
// lie in the folder too; a linked folder is refused rather than followed,
// since it may lead back into itself.
void CheckLink(const Origin& origin, const fs::path& link, const std::string& relative, const fs::path& real_folder) {
  std::error_code error;
  const fs::path target = fs::canonical(link, error);
  if (error) Throw(origin, "\"" + relative + "\" is a link to nothing (" + fs::read_symlink(link, error).string() + ")");
  const fs::path inside = target.lexically_relative(real_folder);
  if (inside.empty() || *inside.begin() == "..") {
    Throw(origin, "\"" + relative + "\" is a link to \"" + target.string() +
                      "\", outside the files' folder; copy the file into the folder instead");
  }
  if (fs::is_directory(target, error)) {
    Throw(origin, "\"" + relative + "\" is a link to a folder, which the builder does not follow; copy the "
                      "folder in, or link its files one by one");
  }
}

// Every file below `folder` in name order, less those an exclude pattern
// matches (listed in out->excluded); a pattern that matches nothing is a
// warning.
std::vector<std::string> ListSourceFiles(Table& files, const fs::path& folder, const std::vector<std::string>& exclude,
                                         Product* out) {
  std::error_code error;
  if (!fs::is_directory(folder, error)) Throw(files.At("source"), "\"" + folder.string() + "\" is not a folder");
  std::vector<std::string> relatives;
  std::vector<bool> used(exclude.size(), false);
  const fs::path real_folder = fs::canonical(folder, error);
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
    // Named by its own path: a link is packed as the file it points to.
    std::string relative = it->path().lexically_relative(folder).generic_string();
    if (it->is_symlink()) CheckLink(files.At("source"), it->path(), relative, real_folder);
    if (!it->is_regular_file()) continue;
    if (!Matches(exclude, relative, &used)) {
      relatives.push_back(relative);
    } else {
      out->excluded.push_back(relative);
    }
  }
  if (error) Throw(files.At("source"), "cannot list \"" + folder.string() + "\": " + error.message());
  // Directory order differs between systems; name order keeps builds identical.
  std::sort(relatives.begin(), relatives.end());
  std::sort(out->excluded.begin(), out->excluded.end());
  for (size_t i = 0; i < exclude.size(); ++i) {
    if (!used[i]) out->warnings.push_back(Describe(files.At("exclude")) + ": \"" + exclude[i] + "\" matches no file");
  }
  return relatives;
}

// One source file as an install-folder entry, before its options.
PackageFile PlainFile(const fs::path& folder, const std::string& relative, bool dated) {
  PackageFile file;
  file.source_path = (folder / relative).string();
  std::string name = relative;
  std::replace(name.begin(), name.end(), '/', '\\');
  EntryRecord& entry = file.entry;
  entry.kind = entry_kind::kInstallFolder;
  entry.attributes = kKeepAttributes;
  if (dated) SetFileDate(file.source_path, &entry);
  // Entry names are 8-bit; a name beyond ASCII travels whole in the UTF-16
  // destination, relative to the install folder.
  if (IsAscii(name)) {
    entry.name = String(name.c_str());
  } else {
    std::string plain = name;
    for (char& c : plain) if (static_cast<unsigned char>(c) >= 0x80) c = '_';
    entry.name = String(plain.c_str());
    entry.destination = Wide(name);
  }
  return file;
}

void ApplyFileOptions(FileOptions& o, EntryRecord* entry) {
  o.used = true;
  entry->kind = o.kind;
  entry->flags |= o.overwrite | (o.permanent ? entry_flag::kPermanent : 0);
  entry->attributes = o.attributes;
  if (!o.destination.empty()) entry->destination = Wide(o.destination);
  if (!o.version.empty()) entry->version = String(o.version.c_str());
  ApplyComponentOptions(o.component, entry->kind, entry);
}

void ApplyShortcut(ShortcutOptions& o, EntryRecord* entry) {
  o.used = true;
  if (entry->kind != entry_kind::kInstallFolder) Throw(o.origin, "shortcuts are made to files in the install folder");
  entry->flags |= (o.desktop ? entry_flag::kDesktopShortcut : 0) | (o.start_menu ? entry_flag::kStartMenuShortcut : 0);
  entry->version = String(o.name.c_str());  // the shortcut's name, UTF-8
  entry->shortcut_icon = String(o.icon.c_str());
  String arguments;
  FromUtf16(Wide(o.arguments).w_str(), String::kToEnd, arguments, kCodePageWestern);
  entry->shortcut_arguments = arguments;
  entry->working_folder = String(o.working_folder.c_str());
}

// Two shortcuts of one name in one folder would be one file, the second
// replacing the first; a shortcut without a name is named after its file
// (the message that names it takes the same file name for every shortcut).
void RejectSameShortcutNames(const std::map<std::string, ShortcutOptions>& shortcuts) {
  std::map<std::pair<bool, std::u16string>, std::string> places;
  for (const auto& [target, o] : shortcuts) {
    const std::string name = o.name.empty() ? fs::path(target).filename().string() : o.name;
    for (const bool desktop : {false, true}) {
      if (!(desktop ? o.desktop : o.start_menu)) continue;
      auto [other, added] = places.emplace(std::make_pair(desktop, CaseFoldedPath(name)), target);
      if (!added) {
        Throw(o.origin, "the shortcuts to \"" + other->second + "\" and \"" + target + "\" are both named \"" + name +
                            "\" on the " + (desktop ? "desktop" : "Start Menu") + "; name one of them otherwise");
      }
    }
  }
}

// The limits of the package, found before anything is compressed: a file
// beyond 1 GiB is refused where the manifest names it; files beyond the
// 2 GiB of file data are refused when stored as they are, and warned of when
// compressed, since only compressing them tells whether they fit.
void CheckSizes(const Table& files, const std::vector<std::string>& relatives,
                const std::map<std::string, FileOptions>& options, const fs::path& folder, Product* out) {
  constexpr uint64_t kGiB = 1ull << 30;
  uint64_t total = 0;
  for (const std::string& relative : relatives) {
    std::error_code ignored;
    const uint64_t size = fs::file_size(folder / relative, ignored);
    if (size == static_cast<uintmax_t>(-1)) continue;  // unreadable: packing names it
    total += size;
    if (size > static_cast<uint64_t>(kMaxEntryContentSize)) {
      const auto o = options.find(relative);
      Throw(o != options.end() ? o->second.origin : files.At("source"),
            "\"" + relative + "\" has " + std::to_string(size) + " bytes; a packaged file may have at most 1 GiB (" +
                std::to_string(kMaxEntryContentSize) + " bytes)");
    }
  }
  if (total <= kMaxStoredFileData) return;
  char gib[32];
  std::snprintf(gib, sizeof gib, "%.1f", static_cast<double>(total) / static_cast<double>(kGiB));
  const std::string reason = "the files come to " + std::string(gib) + " GiB (" + std::to_string(total) +
                             " bytes), and one installer carries at most 2 GiB of file data";
  if (!out->settings.Flag(product_flag::kCompressedBlocks)) {
    Throw(files.At("source"), reason + "; leave some out, or split the product");
  }
  out->warnings.push_back(Describe(files.At("source")) + ": " + reason +
                          " after compression; the build fails unless they compress below it");
}

// Options for a file the folder does not hold are a mistake, not a no-op.
template <typename Options>
void RejectUnused(const std::map<std::string, Options>& options) {
  for (const auto& [path, o] : options) {
    if (!o.used) Throw(o.origin, "\"" + path + "\" is not among the product's files");
  }
}

}  // namespace

void ReadFiles(Table& root, const fs::path& base, const std::string& manifest, Product* out) {
  Table files = root.Sub("files");
  std::string source;
  if (!files.Text("source", &source) || source.empty()) {
    Throw(files.present() ? files.At("source") : root.At("files"), "the folder that holds the product's files");
  }
  std::vector<std::string> exclude;
  files.TextList("exclude", &exclude);
  int dates = 0;
  files.Choice("dates", {"modified", "none"}, &dates);
  bool allow_empty = false;
  files.Flag("allow_empty", &allow_empty);
  files.RejectUnknown();
  std::map<std::string, FileOptions> options = ReadFileOptions(root);
  std::map<std::string, ShortcutOptions> shortcuts = ReadShortcuts(root);

  const fs::path folder = base / source;
  const std::vector<std::string> relatives = ListSourceFiles(files, folder, exclude, out);
  CheckFileNames(relatives, folder, manifest, files.At("source"));
  if (relatives.empty() && !allow_empty) {
    Throw(files.At("source"), "\"" + folder.string() +
                                  "\" holds no files to package; add them, or set allow_empty = true when an "
                                  "installer without files is meant");
  }
  CheckSizes(files, relatives, options, folder, out);
  out->source_folder = folder.string();
  for (const std::string& relative : relatives) {
    PackageFile file = PlainFile(folder, relative, dates == 0);
    if (auto o = options.find(relative); o != options.end()) ApplyFileOptions(o->second, &file.entry);
    if (auto s = shortcuts.find(relative); s != shortcuts.end()) ApplyShortcut(s->second, &file.entry);
    out->files.push_back(std::move(file));
  }
  RejectUnused(options);
  RejectUnused(shortcuts);
  RejectSameShortcutNames(shortcuts);
}

}  // namespace manifest_reading
