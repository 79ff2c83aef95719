#include "builder/branding.h"

#include <algorithm>
#include <set>
#include <utility>
#include <vector>

#include "builder/product.h"
#include "builder/resource_tree.h"
#include "package/byte_order.h"
#include "package/deflate.h"
#include "package/extras.h"
#include "resources/resource_ids.h"
#include "package/dib.h"

namespace {

constexpr uint32_t kIconType = 3;         // RT_ICON
constexpr uint32_t kGroupIconType = 14;   // RT_GROUP_ICON
constexpr uint32_t kVersionType = 16;     // RT_VERSION
constexpr size_t kIconDirHeader = 6;
constexpr size_t kIconFileEntry = 16;
constexpr size_t kGroupEntry = 14;
constexpr size_t kIconEntryFields = 12;   // size, colours, planes, bits, bytes: shared by both forms
constexpr uint32_t kFixedInfoSignature = 0xFEEF04BD;
constexpr char16_t kPackedBitmapType[] = u"ZBITMAP";
constexpr size_t kBitmapFileHeader = 14;
constexpr size_t kBitmapCompression = kBitmapFileHeader + 16;  // in the info header

bool Fail(std::string* error, const std::string& reason) {
  if (error) *error = reason;
  return false;
}

const uint8_t* Bytes(const std::string& text) { return reinterpret_cast<const uint8_t*>(text.data()); }

std::u16string Units(const String& text) { return std::u16string(text.w_str(), static_cast<size_t>(text.wlength())); }

// ---- icons

struct IconImage {
  std::string fields;  // the 12 bytes both directory forms share
  std::string data;
};

std::vector<IconImage> IconImages(const String& file) {
  std::vector<IconImage> images;
  const uint8_t* b = file.bytes();
  const uint16_t count = LoadLe16(b + 4);
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = b + kIconDirHeader + i * kIconFileEntry;
    images.push_back({std::string(reinterpret_cast<const char*>(entry), kIconEntryFields),
                      std::string(file.c_str() + LoadLe32(entry + 12), LoadLe32(entry + 8))});
  }
  return images;
}

// Replaces the program's first icon group (the one Explorer shows) and its
// images by the images of `icon`, keeping the group's name and language.
bool ReplaceIconGroup(std::vector<ResourceItem>* items, const String& icon, std::string* error) {
  auto group = std::find_if(items->begin(), items->end(),
                            [](const ResourceItem& item) { return item.type.name.empty() && item.type.id == kGroupIconType; });
  if (group == items->end()) return Fail(error, "the setup program carries no icon to replace");
  const ResourceItem old_group = *group;
  items->erase(group);
  std::set<uint32_t> old_images;
  const size_t listed = old_group.data.size() >= kIconDirHeader ? LoadLe16(Bytes(old_group.data) + 4) : 0;
  for (size_t i = 0; i < listed && kIconDirHeader + (i + 1) * kGroupEntry <= old_group.data.size(); ++i) {
    old_images.insert(LoadLe16(Bytes(old_group.data) + kIconDirHeader + i * kGroupEntry + kIconEntryFields));
  }
  items->erase(std::remove_if(items->begin(), items->end(),
                              [&](const ResourceItem& item) {
                                return item.type.id == kIconType && item.type.name.empty() && item.name.name.empty() &&
                                       item.language == old_group.language && old_images.count(item.name.id);
                              }),
               items->end());
  std::set<uint32_t> taken;
  for (const ResourceItem& item : *items) {
    if (item.type.id == kIconType && item.type.name.empty() && item.name.name.empty()) taken.insert(item.name.id);
  }
  const std::vector<IconImage> images = IconImages(icon);
  ResourceItem new_group = old_group;
  new_group.data.assign(kIconDirHeader, '\0');
  StoreLe16(reinterpret_cast<uint8_t*>(&new_group.data[2]), 1);
  StoreLe16(reinterpret_cast<uint8_t*>(&new_group.data[4]), static_cast<uint16_t>(images.size()));
  uint32_t id = 1;
  for (const IconImage& image : images) {
    while (taken.count(id)) ++id;
    taken.insert(id);
    items->push_back({ResourceKey{kIconType, {}}, ResourceKey{id, {}}, old_group.language, old_group.codepage, image.data});
    std::string entry = image.fields + std::string(2, '\0');
    StoreLe16(reinterpret_cast<uint8_t*>(&entry[kIconEntryFields]), static_cast<uint16_t>(id));
    new_group.data += entry;
  }
  items->push_back(new_group);
  return true;
}

// ---- the version record: a tree of blocks, each a length, a value length,
// a type (1: text), a UTF-16 key, its value and its children, 4-byte aligned.

struct VersionNode {
  std::u16string key;
  uint16_t type = 0;
  std::string value;
  std::vector<VersionNode> children;
};

size_t Align4(size_t at) { return (at + 3) & ~size_t{3}; }

bool ParseVersionNode(const std::string& data, size_t at, size_t end, VersionNode* node, size_t* next) {
  if (at + 6 > end) return false;
  const size_t node_end = at + LoadLe16(Bytes(data) + at);
  const uint16_t value_length = LoadLe16(Bytes(data) + at + 2);
  node->type = LoadLe16(Bytes(data) + at + 4);
  if (node_end > end || node_end < at + 6) return false;
  size_t p = at + 6;
  for (; p + 2 <= node_end && LoadLe16(Bytes(data) + p) != 0; p += 2) {
    node->key.push_back(static_cast<char16_t>(LoadLe16(Bytes(data) + p)));
  }
  if (p + 2 > node_end) return false;
  p = Align4(p + 2);
  const size_t value_bytes = std::min<size_t>(node->type == 1 ? value_length * 2u : value_length,
                                              node_end > p ? node_end - p : 0);
  node->value = data.substr(std::min(p, data.size()), value_bytes);
  for (p = Align4(p + value_bytes); p + 6 <= node_end; p = Align4(p)) {
    VersionNode child;
    if (!ParseVersionNode(data, p, node_end, &child, &p)) return false;
    node->children.push_back(std::move(child));
  }
  *next = node_end;
  return true;
}

void Put16(std::string* out, size_t at, uint16_t value) { StoreLe16(reinterpret_cast<uint8_t*>(&(*out)[at]), value); }

void WriteVersionNode(const VersionNode& node, std::string* out) {
  out->resize(Align4(out->size()), '\0');
  const size_t start = out->size();
  out->append(6, '\0');
  for (char16_t unit : node.key) out->append({static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
  out->append(2, '\0');
  out->resize(Align4(out->size()), '\0');
  out->append(node.value);
  for (const VersionNode& child : node.children) WriteVersionNode(child, out);
  Put16(out, start, static_cast<uint16_t>(out->size() - start));
  Put16(out, start + 2, static_cast<uint16_t>(node.type == 1 ? node.value.size() / 2 : node.value.size()));
  Put16(out, start + 4, node.type);
}

// Sets (or, for an empty text, removes) one value in every string table.
void SetVersionText(VersionNode* root, const std::u16string& key, const std::u16string& text) {
  for (VersionNode& file_info : root->children) {
    if (file_info.key != u"StringFileInfo") continue;
    for (VersionNode& table : file_info.children) {
      auto& values = table.children;
      values.erase(std::remove_if(values.begin(), values.end(), [&](const VersionNode& v) { return v.key == key; }),
                   values.end());
      if (text.empty()) continue;
      VersionNode value{key, 1, {}, {}};
      for (char16_t unit : text + u'\0') value.value.append({static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)});
      values.push_back(std::move(value));
    }
  }
}

bool BrandVersionRecord(ResourceItem* item, const Product& product, std::string* error) {
  VersionNode root;
  size_t end = 0;
  if (!ParseVersionNode(item->data, 0, item->data.size(), &root, &end)) {
    return Fail(error, "the setup program's version record is damaged");
  }
  const ProductSettings& s = product.settings;
  const String& description = s.Description.empty() ? s.DisplayName : s.Description;
  SetVersionText(&root, u"ProductName", Units(s.DisplayName));
  SetVersionText(&root, u"CompanyName", Units(s.Publisher));
  SetVersionText(&root, u"ProductVersion", Units(s.DisplayVersion));
  SetVersionText(&root, u"FileDescription", Units(description));
  SetVersionText(&root, u"LegalCopyright", Units(product.branding.copyright));
  if (root.value.size() >= 24 && LoadLe32(Bytes(root.value)) == kFixedInfoSignature) {
    uint16_t n[4];
    VersionNumbers(s.DisplayVersion, n);
    StoreLe32(reinterpret_cast<uint8_t*>(&root.value[16]), uint32_t{n[0]} << 16 | n[1]);
    StoreLe32(reinterpret_cast<uint8_t*>(&root.value[20]), uint32_t{n[2]} << 16 | n[3]);
  }
  item->data.clear();
  WriteVersionNode(root, &item->data);
  return true;
}

// ---- the wizard's pictures

// Puts `bitmap` (zlib-compressed) in place of picture resource `id`, keeping
// its language; added in the version record's language when missing.
bool ReplacePicture(std::vector<ResourceItem>* items, uint32_t id, const String& bitmap, std::string* error) {
  String packed;
  if (!DeflateBuffer(bitmap.bytes(), static_cast<size_t>(bitmap.length()), &packed)) {
    return Fail(error, "a wizard picture could not be compressed");
  }
  const ResourceKey type{0, kPackedBitmapType};
  std::string data(packed.c_str(), static_cast<size_t>(packed.length()));
  uint32_t language = 0x409;
  for (const ResourceItem& item : *items) {
    if (item.type.name.empty() && item.type.id == kVersionType) language = item.language;
  }
  for (ResourceItem& item : *items) {
    if (item.type == type && item.name == ResourceKey{id, {}}) {
      item.data = std::move(data);
      return true;
    }
  }
  items->push_back({type, ResourceKey{id, {}}, language, 0, std::move(data)});
  return true;
}

bool ReplacePictures(std::vector<ResourceItem>* items, const Branding& brand, std::string* error) {
  const struct {
    uint32_t id;
    const String& bitmap;
  } pictures[] = {{IDB_SIDE_PICTURE, brand.side_picture},    {IDB_BANNER, brand.banner},
                  {IDB_FULL_PICTURE, brand.full_picture},    {IDB_NEXT_BUTTON, brand.next_button},
                  {IDB_CANCEL_BUTTON, brand.cancel_button}, {IDB_BROWSE_BUTTON, brand.browse_button}};
  for (const auto& picture : pictures) {
    if (!picture.bitmap.empty() && !ReplacePicture(items, picture.id, picture.bitmap, error)) return false;
  }
  return true;
}

}  // namespace

bool CheckBitmapFile(const String& bytes, std::string* error) {
  const size_t size = static_cast<size_t>(bytes.length());
  const uint8_t* b = bytes.bytes();
  if (size < kBitmapFileHeader + 40 || b[0] != 'B' || b[1] != 'M') return Fail(error, "not a .bmp file");
  if (const uint32_t compression = LoadLe32(b + kBitmapCompression); compression != 0 && compression != 3) {
    return Fail(error, "a compressed bitmap (RLE, JPEG or PNG inside); save it with uncompressed rows");
  }
  DibView view;
  if (!ParseDib(b, bytes.length(), view)) {
    return Fail(error, "a damaged or cut-short bitmap, or not 1, 4, 8, 16, 24 or 32 bits per pixel");
  }
  if (view.width > kMaxPictureSide || view.height > kMaxPictureSide) {
    return Fail(error, std::to_string(view.width) + " x " + std::to_string(view.height) + " pixels; at most " +
                           std::to_string(kMaxPictureSide) + " each way");
  }
  return true;
}

bool CheckIconFile(const String& bytes, std::string* error) {
  const size_t size = static_cast<size_t>(bytes.length());
  const uint8_t* b = bytes.bytes();
  if (size < kIconDirHeader || LoadLe16(b) != 0 || LoadLe16(b + 2) != 1 || LoadLe16(b + 4) == 0) {
    return Fail(error, "not an icon file (.ico)");
  }
  const uint16_t count = LoadLe16(b + 4);
  if (kIconDirHeader + size_t{count} * kIconFileEntry > size) return Fail(error, "the icon file is cut short");
  for (uint16_t i = 0; i < count; ++i) {
    const uint8_t* entry = b + kIconDirHeader + i * kIconFileEntry;
    const uint64_t length = LoadLe32(entry + 8), offset = LoadLe32(entry + 12);
    if (length == 0 || offset + length > size) return Fail(error, "an image of the icon file lies beyond its end");
  }
  return true;
}

void VersionNumbers(const String& version, uint16_t numbers[4]) {
  const std::u16string text = Units(version);
  size_t at = 0;
  for (int i = 0; i < 4; ++i) numbers[i] = 0;
  for (int i = 0; i < 4 && at < text.size(); ++i) {
    uint32_t value = 0;
    size_t digits = at;
    while (digits < text.size() && text[digits] >= u'0' && text[digits] <= u'9') {
      value = std::min<uint32_t>(value * 10 + static_cast<uint32_t>(text[digits] - u'0'), 0xFFFF);
      ++digits;
    }
    numbers[i] = static_cast<uint16_t>(value);
    if (digits >= text.size() || text[digits] != u'.') break;
    at = digits + 1;
  }
}

bool BrandProgram(const String& stub, const Product& product, String* branded, String* extras,
                  std::string* error) {
  const Branding& brand = product.branding;
  extras->Clear();
  if (!brand.product_icon.empty()) {
    AppendExtra(extras, extras_tag::kProductIcon, brand.product_icon.bytes(),
                static_cast<size_t>(brand.product_icon.length()));
  }
  if (!brand.uninstaller_icon.empty()) {
    AppendExtra(extras, extras_tag::kUninstallerIcon, brand.uninstaller_icon.bytes(),
                static_cast<size_t>(brand.uninstaller_icon.length()));
  }
  PeLayout layout;
  ResourceSection section;
  std::vector<ResourceItem> items;
  if (!ReadPeLayout(stub, &layout, error) || !ReadResources(stub, layout, &section, &items, error)) return false;
  *branded = stub;
  if (items.empty()) {
    const bool asked = !brand.installer_icon.empty() || !brand.uninstaller_icon.empty() || brand.ReplacesPictures();
    if (!asked) return true;
    return Fail(error, "the setup program carries no resources to put the icon or pictures in");
  }
  for (ResourceItem& item : items) {
    if (item.type.name.empty() && item.type.id == kVersionType && !BrandVersionRecord(&item, product, error)) {
      return false;
    }
  }
  if (!ReplacePictures(&items, brand, error)) return false;
  std::vector<ResourceItem> uninstaller_items = items;
  if (!brand.installer_icon.empty() && !ReplaceIconGroup(&items, brand.installer_icon, error)) return false;
  const bool own_uninstaller_icon = !brand.uninstaller_icon.empty() && !(brand.uninstaller_icon == brand.installer_icon);
  String content = WriteResources(items, section.virtual_address);
  String uninstaller_content;
  if (own_uninstaller_icon) {
    if (!ReplaceIconGroup(&uninstaller_items, brand.uninstaller_icon, error)) return false;
    // Both at one length, so that the stripped copy takes the uninstaller's
    // bytes in place and nothing after them moves.
    uninstaller_content = WriteResources(uninstaller_items, section.virtual_address);
    const int32_t length = std::max(content.length(), uninstaller_content.length());
    content.SetLength(length);
    uninstaller_content.SetLength(length);
  }
  if (!ReplaceResourceSection(branded, section, content, error)) return false;
  if (own_uninstaller_icon) {
    String record;
    uint8_t offset[4];
    StoreLe32(offset, section.raw_pointer);
    record.Append(offset, 4);
    record.Append(uninstaller_content);
    AppendExtra(extras, extras_tag::kUninstallerResources, record.bytes(), static_cast<size_t>(record.length()));
  }
  return true;
}
