#include "builder/inspect.h"

#include <cstdio>

#include "actions/file_install_rules.h"
#include "actions/firewall.h"
#include "core/codepage.h"
#include "package/action_settings.h"
#include "package/entry_kinds.h"

namespace {

struct BitName {
  int bit;
  const char* name;
};

constexpr BitName kFlagNames[] = {
    {product_flag::kMustUninstallFirst, "must-uninstall-first"},
    {product_flag::kUninstallStartMenuShortcut, "uninstall-start-menu-shortcut"},
    {product_flag::kDetectInstallation, "detect-installation"},
    {product_flag::kAskBeforeEachFont, "ask-before-each-font"},
    {product_flag::kCompressedBlocks, "compressed"},
    {product_flag::kKeepInstallLog, "keep-install-log"},
    {product_flag::kFolderPage, "folder-page"},
    {product_flag::kSingleInstance, "single-instance"},
    {product_flag::kForceAutomaticUninstall, "force-automatic-uninstall"},
    {product_flag::kDeleteFolderWithContents, "delete-folder-with-contents"},
    {product_flag::kStageNewFiles, "stage-new-files"},
    {product_flag::kAddToPath, "add-to-path"},
    {product_flag::kAskRestart, "ask-restart"},
    {product_flag::kBackgroundBitmap, "background-bitmap"},
    {product_flag::kRequiresProduct, "requires-product"},
    {product_flag::kAskBeforeDeletingShared, "ask-before-deleting-shared"},
    {product_flag::kVerifyAfterWrite, "verify-after-write"},
    {product_flag::kClearProtection, "clear-protection"},
    {product_flag::kDetailedLog, "detailed-log"},
    {product_flag::kNoCancel, "no-cancel"},
    {product_flag::kNoCompletionNotice, "no-completion-notice"},
    {product_flag::kPreInstallBatch, "pre-install-batch"},
    {product_flag::kHidePostInstallBatch, "hide-post-install-batch"},
    {product_flag::kHideUninstallBatch1, "hide-uninstall-batch-1"},
    {product_flag::kHideUninstallBatch2, "hide-uninstall-batch-2"},
    {product_flag::kNoInstallOverConfirm, "no-install-over-confirm"},
    {product_flag::kNoBackgroundWindow, "no-background-window"},
    {product_flag::kAskFolderExistence, "ask-folder-existence"},
    {product_flag::kCheckProgramChecksum, "check-program-checksum"},
    {product_flag::kUninstallDesktopShortcut, "uninstall-desktop-shortcut"},
    {product_flag::kStartMenuPage, "start-menu-page"},
    {product_flag::kErrorBoxesWhenAutomatic, "error-boxes-when-automatic"},
    {product_flag::kCheckInstalledVersion, "check-installed-version"},
    {product_flag::kNoNetworkFolder, "no-network-folder"},
    {product_flag::kUninstallOwnFolderShortcut, "uninstall-own-folder-shortcut"},
    {product_flag::kTitlePositionCompanion, "title-position-companion"},
    {product_flag::kAnswerRestartNo, "answer-restart-no"},
    {product_flag::kNoMessageCaption, "no-message-caption"},
    {product_flag::kNoGreetingPage, "no-greeting-page"},
    {product_flag::kRestartRequired, "restart-required"},
    {product_flag::kCopyReadmeTexts, "copy-readme-texts"},
    {product_flag::kCopyLicenceTexts, "copy-licence-texts"},
    {product_flag::kHideFileNames, "hide-file-names"},
    {product_flag::kGrantFolderRights, "grant-folder-rights"},
    {product_flag::kProgressPage, "progress-page"},
    {product_flag::kPageIcons, "page-icons"},
    {product_flag::kRestartMarker, "restart-marker"},
    {product_flag::kUninstallKeepsLog, "uninstall-keeps-log"},
    {product_flag::kNoPortableFolder, "no-portable-folder"},
    {product_flag::kPortableIgnoresDetect, "portable-ignores-detect"},
    {product_flag::kFinishViewLog, "finish-view-log"},
    {product_flag::kDesktopFolderDefault, "desktop-folder-default"},
    {product_flag::kLogShortcut, "log-shortcut"},
    {product_flag::kUpgradeBatch, "upgrade-batch"},
    {product_flag::kReinstallBatch, "reinstall-batch"},
    {product_flag::kGrantSharedRights, "grant-shared-rights"},
};

constexpr BitName kFlag2Names[] = {
    {product_flag2::kReinstallBatchSameVersion, "reinstall-batch-same-version"},
    {product_flag2::kRestorePoint, "restore-point"},
    {product_flag2::kFinishRunChecked, "finish-run-checked"},
    {product_flag2::kFinishDocumentChecked, "finish-document-checked"},
    {product_flag2::kFinishDocument2Checked, "finish-document-2-checked"},
    {product_flag2::kStrippedCopy, "stripped-copy"},
    {product_flag2::kPreInstallBatchNamed, "pre-install-batch-named"},
    {product_flag2::kPostInstallBatchNamed, "post-install-batch-named"},
    {product_flag2::kUpgradeBatchNamed, "upgrade-batch-named"},
    {product_flag2::kReinstallBatchNamed, "reinstall-batch-named"},
    {product_flag2::kButtonImages, "button-images"},
    {product_flag2::kPortableNoStartMenuPage, "portable-no-start-menu-page"},
    {product_flag2::kEnciphered, "enciphered"},
    {product_flag2::kInstallLocationMode2, "install-location-mode-2"},
    {product_flag2::kNoRegistryOnRemovable, "no-registry-on-removable"},
    {product_flag2::kNoAssociationsOnRemovable, "no-associations-on-removable"},
    {product_flag2::kUninstallCompletionMessage, "uninstall-completion-message"},
    {product_flag2::kNoFirewallOnRemovable, "no-firewall-on-removable"},
    {product_flag2::kFinishProgramNoWorkDir, "finish-program-no-work-dir"},
    {product_flag2::kDeploymentExitCodes, "deployment-exit-codes"},
};

const char* const kKindNames[] = {"install-folder", "shared-folder", "kind-2", "kind-3", "font", "startup",
                                  "system", "com-server", "type-library", "versioned", "driver", "msi",
                                  "control-panel"};
const char* const kOverwriteNames[] = {"always", "never", "if-exists", "if-missing", "if-not-newer", "never",
                                       "by-kind", "by-kind"};
// The manifest's words for the pages and their styles ([wizard] styles).
const char* const kStyleSlots[] = {"greeting", "language", "license", "readme", "folder", "start_menu",
                                   "progress", "finish"};
const char* const kStyleNames[] = {"plain", "side", "banner", "full"};

std::string Narrow(const String& text) { return std::string(text.c_str(), static_cast<size_t>(text.length())); }

JsonValue Words(uint64_t bits, const BitName* names, size_t count, JsonValue words) {
  for (size_t i = 0; i < count; ++i) {
    if (bits >> names[i].bit & 1) words.Push(JsonValue::Text(names[i].name));
  }
  return words;
}

std::string DateText(const int32_t* date) {
  if (date[1] == 0) return "";
  char text[32];
  if (date[3] < 0) {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", date[0], date[1], date[2]);
  } else {
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d", date[0], date[1], date[2], date[3], date[4],
                  date[5]);
  }
  return text;
}

// The lines of a CR LF list (UTF-16), empty ones left out.
JsonValue Lines(const String& list) {
  JsonValue lines = JsonValue::Array();
  std::string all = Utf8(list), line;
  for (size_t i = 0; i <= all.size(); ++i) {
    if (i < all.size() && all[i] != '\r' && all[i] != '\n') {
      line += all[i];
      continue;
    }
    if (!line.empty()) lines.Push(JsonValue::Text(line));
    line.clear();
  }
  return lines;
}

JsonValue Product(const InstallerContents& c) {
  const ProductSettings& s = c.settings;
  JsonValue p = JsonValue::Object();
  p.Add("name", JsonValue::Text(Utf8(s.DisplayName)));
  p.Add("version", JsonValue::Text(Utf8(s.DisplayVersion)));
  p.Add("publisher", JsonValue::Text(Utf8(s.Publisher)));
  p.Add("uninstall_key", JsonValue::Text(Utf8(s.UninstallKeyName)));
  p.Add("install_folder", JsonValue::Text(Utf8(s.DefaultInstallDir)));
  p.Add("bitness", JsonValue::Text(s.Bitness == 1 ? "64-bit" : s.Bitness == 2 ? "32-bit" : "any"));
  JsonValue& languages = p.Add("languages", JsonValue::Array());
  for (int32_t i = 0; i < c.languages.LanguageCount(); ++i) languages.Push(JsonValue::Text(Utf8(c.languages.names[i])));
  JsonValue& styles = p.Add("page_styles", JsonValue::Object());
  for (int32_t i = 0; i < kPageStyleSlots; ++i) {
    const int32_t style = s.PageStyles[static_cast<size_t>(i)];
    styles.Add(kStyleSlots[i], style >= 0 && style < 4 ? JsonValue::Text(kStyleNames[style]) : JsonValue::Number(style));
  }
  JsonValue flags = Words(s.ProductFlags, kFlagNames, std::size(kFlagNames), JsonValue::Array());
  p.Add("flags", Words(s.ProductFlags2, kFlag2Names, std::size(kFlag2Names), flags));
  p.Add("file_data", JsonValue::Text(s.FileDataOutside ? "after-section" : "inside-section"));
  p.Add("cipher", JsonValue::Text(c.header.enciphered() ? "enciphered" : "scrambled"));
  p.Add("signed", JsonValue::Bool(c.signed_file));
  return p;
}

// The file attributes the installer sets, in words; "default" leaves them as
// the system makes them.
JsonValue Attributes(uint32_t attributes) {
  static constexpr BitName kNames[] = {{0, "readonly"}, {1, "hidden"}, {2, "system"}, {5, "archive"},
                                       {8, "temporary"}, {12, "not-indexed"}};
  JsonValue words = JsonValue::Array();
  if (attributes == 0xFFFFFFFF) {
    words.Push(JsonValue::Text("default"));
    return words;
  }
  return Words(attributes, kNames, std::size(kNames), std::move(words));
}

JsonValue EntryValue(const InstalledEntry& e) {
  const EntryRecord& r = e.record;
  JsonValue v = JsonValue::Object();
  v.Add("destination", JsonValue::Text(Utf8(e.destination)));
  v.Add("name", JsonValue::Text(Utf8(EntryNameWide(r.name))));
  v.Add("size", JsonValue::Number(e.size));
  v.Add("date", JsonValue::Text(DateText(r.date)));
  v.Add("kind", JsonValue::Text(r.kind < std::size(kKindNames) ? kKindNames[r.kind] : "unknown"));
  v.Add("overwrite", JsonValue::Text(kOverwriteNames[(r.flags & entry_flag::kOverwriteMask) >> 2]));
  v.Add("attributes", Attributes(r.attributes));
  JsonValue& flags = v.Add("flags", JsonValue::Array());
  if (r.flags & entry_flag::kDesktopShortcut) flags.Push(JsonValue::Text("desktop-shortcut"));
  if (r.flags & entry_flag::kStartMenuShortcut) flags.Push(JsonValue::Text("start-menu-shortcut"));
  if (r.flags & entry_flag::kPermanent) flags.Push(JsonValue::Text("permanent"));
  if (r.flags & entry_flag::kInUninstallFolder) flags.Push(JsonValue::Text("uninstall-folder"));
  if (r.flags & entry_flag::kRememberMsi) flags.Push(JsonValue::Text("remember-msi"));
  // The same field is a file's version, or the display name of a font, an
  // applet or the file's shortcuts.
  const bool versioned = r.kind >= entry_kind::kSystem && r.kind <= entry_kind::kVersioned;
  v.Add(versioned ? "version" : "display_name", JsonValue::Text(Narrow(r.version)));
  return v;
}

JsonValue Shortcuts(const ProductSettings& s, const std::vector<InstalledEntry>& entries) {
  JsonValue list = JsonValue::Array();
  for (const InstalledEntry& e : entries) {
    const uint32_t places = e.record.flags & (entry_flag::kDesktopShortcut | entry_flag::kStartMenuShortcut);
    if (!places && e.record.kind != entry_kind::kStartup) continue;
    JsonValue v = JsonValue::Object();
    v.Add("target", JsonValue::Text(Utf8(e.destination)));
    v.Add("name", JsonValue::Text(Narrow(e.record.display_name())));
    JsonValue& where = v.Add("places", JsonValue::Array());
    if (places & entry_flag::kDesktopShortcut) where.Push(JsonValue::Text("desktop"));
    if (places & entry_flag::kStartMenuShortcut) where.Push(JsonValue::Text("start-menu"));
    if (e.record.kind == entry_kind::kStartup) where.Push(JsonValue::Text("startup"));
    v.Add("arguments", JsonValue::Text(Narrow(e.record.shortcut_arguments)));
    list.Push(std::move(v));
  }
  for (const ShortcutRecord& record : s.Shortcuts) {
    JsonValue v = JsonValue::Object();
    JsonValue& texts = v.Add("texts", JsonValue::Array());
    for (const String& text : record.texts) texts.Push(JsonValue::Text(Narrow(text)));
    v.Add("flags", JsonValue::Number(record.flags));
    list.Push(std::move(v));
  }
  return list;
}

JsonValue Firewall(const String& list) {
  JsonValue rules = JsonValue::Array();
  for (const JsonValue& line : Lines(list).items) {
    FirewallLine parsed;
    JsonValue v = JsonValue::Object();
    if (!ParseFirewallLine(Utf8ToUtf16(line.text.c_str()), &parsed)) continue;
    if (parsed.is_port) {
      v.Add("port", JsonValue::Number(parsed.port));
    } else {
      v.Add("program", JsonValue::Text(Utf8(parsed.program)));
    }
    v.Add("name", JsonValue::Text(Utf8(parsed.name)));
    v.Add("protocol", JsonValue::Text((parsed.protocols & 3) == 3 ? "both"
                                      : parsed.protocols & kFirewallUdp ? "udp" : "tcp"));
    v.Add("keep", JsonValue::Bool(parsed.keep));
    rules.Push(std::move(v));
  }
  return rules;
}

JsonValue Components(const std::vector<InstalledEntry>& entries) {
  JsonValue list = JsonValue::Array();
  for (const InstalledEntry& e : entries) {
    const uint32_t k = e.record.kind;
    if (k != entry_kind::kFont && k != entry_kind::kSystemCom && k != entry_kind::kSystemTypeLibrary &&
        k != entry_kind::kDriver && k != entry_kind::kMsi && k != entry_kind::kControlPanel) {
      continue;
    }
    JsonValue v = JsonValue::Object();
    v.Add("kind", JsonValue::Text(kKindNames[k]));
    v.Add("file", JsonValue::Text(Utf8(e.destination)));
    list.Push(std::move(v));
  }
  return list;
}

JsonValue Actions(const ProductSettings& s, const std::vector<InstalledEntry>& entries) {
  JsonValue a = JsonValue::Object();
  a.Add("shortcuts", Shortcuts(s, entries));
  a.Add("registry", Lines(s.RegistryEntries));
  JsonValue& associations = a.Add("associations", JsonValue::Array());
  for (const AssociationRecord& r : s.Associations) {
    JsonValue v = JsonValue::Object();
    v.Add("extension", JsonValue::Text(Narrow(r.extension)));
    v.Add("description", JsonValue::Text(Utf8(r.description)));
    v.Add("verb", JsonValue::Text(Narrow(r.verb)));
    v.Add("command", JsonValue::Text(Narrow(r.command)));
    v.Add("prog_id", JsonValue::Text(Narrow(r.prog_id)));
    associations.Push(std::move(v));
  }
  a.Add("firewall", Firewall(s.Reserved14));
  JsonValue& path = a.Add("path", JsonValue::Array());
  if (s.Flag(product_flag::kAddToPath)) {
    ActionSettings action;
    ReadActionSettings(s.InstallActionSettings, &action);
    String folder(u"%InstallDir%");
    if (!action.path_subfolder.empty()) folder.Append(String(u"\\")), folder.Append(action.path_subfolder);
    path.Push(JsonValue::Text(Utf8(folder)));
  }
  a.Add("components", Components(entries));
  JsonValue& batches = a.Add("batches", JsonValue::Object());
  const std::pair<const char*, const String*> kBatches[] = {
      {"pre_install", &s.PreInstallBatch}, {"post_install", &s.PostInstallBatch}, {"exit", &s.ExitBatch},
      {"upgrade", &s.UpgradeBatch},        {"reinstall", &s.ReinstallBatch},     {"uninstall_before", &s.UninstallBatch1},
      {"uninstall_after", &s.UninstallBatch2}};
  for (const auto& [name, text] : kBatches) batches.Add(name, Lines(*text));
  return a;
}

// Gathers the entries as they are read.
class EntryList : public EntrySink {
 public:
  bool Begin(const InstalledEntry& entry, std::string*) override {
    entries.push_back(entry);
    return true;
  }
  std::vector<InstalledEntry> entries;
};

}  // namespace

ReadOutcome DescribeInstaller(const ProgramFile& file, const ByteSpan& image, JsonValue* document) {
  InstallerContents contents;
  EntryList list;
  const ReadOutcome outcome = ReadInstaller(file, image, &list, &contents);
  *document = JsonValue::Object();
  document->Add("format", JsonValue::Number(1));
  if (outcome.code == kReadNoPackage || outcome.code == kReadVersionMismatch) return outcome;
  document->Add("product", Product(contents));
  JsonValue& entries = document->Add("entries", JsonValue::Array());
  int64_t bytes = 0;
  for (const InstalledEntry& e : list.entries) {
    entries.Push(EntryValue(e));
    bytes += e.size;
  }
  document->Add("actions", Actions(contents.settings, list.entries));
  JsonValue& totals = document->Add("totals", JsonValue::Object());
  totals.Add("entries", JsonValue::Number(contents.header.entry_count));
  totals.Add("bytes", JsonValue::Number(bytes));
  totals.Add("installer_bytes", JsonValue::Number(static_cast<int64_t>(contents.file_size)));
  return outcome;
}
