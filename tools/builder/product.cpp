#include "builder/product.h"

namespace {

constexpr int32_t kSidePictureStyle = 1;

}  // namespace

Product DefaultProduct(const String& name, const String& version) {
  Product product;
  ProductSettings& s = product.settings;
  s.DisplayName = name;
  s.DisplayVersion = version;
  s.Description = name;
  s.DefaultInstallDir = name;
  s.ProductStartMenu = name;
  s.WindowTitle = String(u"<product> Setup");
  s.ShortcutMode = 1;  // shortcuts for all users: the installer runs elevated
  // The background texts at their full size; 0 would draw them unreadably small.
  s.TitleSize = 1.0;
  s.CopyrightSize = 1.0;

  s.SetFlag(product_flag::kUninstallStartMenuShortcut, true);
  s.SetFlag(product_flag::kDetectInstallation, true);
  s.SetFlag(product_flag::kCompressedBlocks, true);
  s.SetFlag(product_flag::kKeepInstallLog, true);
  s.SetFlag(product_flag::kFolderPage, true);
  s.SetFlag(product_flag::kSingleInstance, true);
  s.SetFlag(product_flag::kNoBackgroundWindow, true);
  s.SetFlag(product_flag::kCheckProgramChecksum, true);
  s.SetFlag(product_flag::kStartMenuPage, true);
  s.SetFlag(product_flag::kCheckInstalledVersion, true);
  s.SetFlag(product_flag::kProgressPage, true);
  s.SetFlag2(product_flag2::kStrippedCopy, true);

  for (int32_t& style : s.PageStyles) style = kSidePictureStyle;
  product.languages.push_back(DefaultEnglish());
  return product;
}

PackageFile FileFromBytes(const char* name, const void* data, size_t length) {
  PackageFile file;
  file.entry.name = name;
  file.entry.kind = entry_kind::kInstallFolder;
  file.entry.attributes = kKeepAttributes;
  file.content.Assign(data, static_cast<int32_t>(length));
  return file;
}
