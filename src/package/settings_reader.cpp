#include "package/settings_reader.h"

#include <cstring>
#include <type_traits>
#include <utility>

#include "core/codepage.h"
#include "package/message_numbers.h"
#include "package/settings_fields.h"

namespace {

using namespace settings_codec;

constexpr FieldLimit kUnchecked{};

bool IsEndMarker(const String& text, const char* marker) {
  size_t length = std::strlen(marker);
  return static_cast<size_t>(text.length()) == length &&
         std::memcmp(text.c_str(), marker, length) == 0;
}
template <class V>
bool IsEndMarker(const V&, const char*) {
  return false;
}

// One read per encoding. A failed read leaves zeros or an empty text and
// reading goes on: only the limits and the end marker stop it.
class Decoder {
 public:
  explicit Decoder(SettingsStream& in) : in_(in) {}

  using In = SettingsStream;

  CorruptCode Get(U8, uint8_t& v, const FieldLimit& limit) { return Value(&In::ReadU8, v, limit); }
  CorruptCode Get(U16, uint16_t& v, const FieldLimit& limit) { return Value(&In::ReadU16, v, limit); }
  CorruptCode Get(U32, uint32_t& v, const FieldLimit& limit) { return Value(&In::ReadU32, v, limit); }
  CorruptCode Get(S32, int32_t& v, const FieldLimit& limit) { return Value(&In::ReadS32, v, limit); }
  CorruptCode Get(U64, uint64_t& v, const FieldLimit&) { return Value(&In::ReadU64, v, kUnchecked); }
  CorruptCode Get(F64, double& v, const FieldLimit&) { return Value(&In::ReadF64, v, kUnchecked); }

  CorruptCode Get(Packed, String& text, const FieldLimit&) { return Text(&In::ReadPacked, text); }
  CorruptCode Get(ByteLen, String& text, const FieldLimit&) { return Text(&In::ReadByteLength, text); }
  CorruptCode Get(WordLen, String& text, const FieldLimit&) { return Text(&In::ReadWordLength, text); }
  CorruptCode Get(LongLen, String& text, const FieldLimit&) { return Text(&In::ReadLongLength, text); }
  CorruptCode Get(ZStr, String& text, const FieldLimit&) { return Text(&In::ReadZeroTerminated, text); }
  CorruptCode Get(WZStr, String& text, const FieldLimit&) {
    return Text(&In::ReadZeroTerminatedWide, text);
  }
  CorruptCode Get(Utf8ZStr, String& text, const FieldLimit&) {
    String utf8;
    in_.ReadZeroTerminated(&utf8);
    text = Utf8ToUtf16(utf8);
    return kCorruptNone;
  }

  template <class Element, class Items>
  CorruptCode Get(Each<Element>, Items& items, const FieldLimit&) {
    for (auto& item : items) {
      CorruptCode code = Get(Element{}, item, kUnchecked);
      if (code != kCorruptNone) return code;
    }
    return kCorruptNone;
  }

  template <class CountCodec, class T>
  CorruptCode Get(Count<CountCodec>, Vector<T>& items, const FieldLimit& limit) {
    int64_t count = 0;
    CorruptCode code = GetCount(CountCodec{}, count, limit);
    if (code == kCorruptNone) items.Resize(static_cast<int32_t>(count));
    return code;
  }

  template <class CountCodec, class Element, class T>
  CorruptCode Get(Counted<CountCodec, Element>, Vector<T>& items, const FieldLimit& limit) {
    CorruptCode code = Get(Count<CountCodec>{}, items, limit);
    if (code != kCorruptNone) return code;
    return Get(Each<Element>{}, items, kUnchecked);
  }

  template <class T>
  CorruptCode Get(Record, T& record, const FieldLimit&) {
    CorruptCode code = kCorruptNone;
    RecordLayout<T>::Visit(record, [&](auto& member, auto codec) {
      if (code == kCorruptNone) code = Get(codec, member, kUnchecked);
    });
    return code != kCorruptNone ? code : RecordLayout<T>::Check(record);
  }

  template <class T>
  CorruptCode Get(Marked, Vector<T>& items, const FieldLimit& limit) {
    items.RemoveAll();
    for (;;) {
      // Past the end no marker can come; the list would only fill with
      // empty entries until its cap.
      if (in_.at_end()) return kCorruptSettingsEndMarker;
      T record;
      CorruptCode code = kCorruptNone;
      bool is_end = false;
      int index = 0;
      RecordLayout<T>::Visit(record, [&](auto& member, auto codec) {
        if (is_end || code != kCorruptNone) return;
        code = Get(codec, member, kUnchecked);
        if (index++ == 0) is_end = IsEndMarker(member, RecordLayout<T>::kEndMarker);
      });
      if (code != kCorruptNone) return code;
      if (is_end) return kCorruptNone;
      if (items.Count() >= limit.high) return limit.error;
      code = RecordLayout<T>::Check(record);
      if (code != kCorruptNone) return code;
      items.Add(std::move(record));
    }
  }

  CorruptCode Get(MessageCount, LanguageTable& table, const FieldLimit& limit) {
    int64_t count = 0;
    CorruptCode code = GetCount(S32{}, count, limit);
    if (code != kCorruptNone) return code;
    // Every name and message still to come takes at least its two-byte
    // terminator, and the end marker follows. A block too short for that is
    // cut off, and must not size a grid of up to two million texts.
    int64_t cells = count * table.names.Count();
    uint64_t least = static_cast<uint64_t>(2 * (table.names.Count() + cells) + 4);
    if (least > in_.remaining()) return kCorruptSettingsEndMarker;
    table.messages.Resize(static_cast<int32_t>(cells));
    return kCorruptNone;
  }

 private:
  template <class V>
  CorruptCode Value(bool (In::*read)(V*), V& value, const FieldLimit& limit) {
    (in_.*read)(&value);
    return std::is_floating_point_v<V> ? kCorruptNone : Check(value, limit);
  }
  CorruptCode Text(bool (In::*read)(String*), String& text) {
    (in_.*read)(&text);
    return kCorruptNone;
  }

  template <class V>
  static CorruptCode Check(V value, const FieldLimit& limit) {
    return limit.Allows(static_cast<int64_t>(value)) ? kCorruptNone : limit.error;
  }

  template <class CountCodec>
  CorruptCode GetCount(CountCodec codec, int64_t& count, const FieldLimit& limit) {
    typename ScalarOf<CountCodec>::type value{};
    Get(codec, value, kUnchecked);
    count = static_cast<int64_t>(value);
    return Check(count, limit);
  }

  SettingsStream& in_;
};

void DefaultTo(String& field, const String& value) {
  if (IsBlankW(field)) field = value;
}

// "<os>" in a folder text stands for the Windows folder.
void ReplaceOsPlaceholder(String& text, const String& windows_folder) {
  static constexpr char16_t kOs[] = u"<os>";
  constexpr int32_t kOsLength = 4;
  for (int32_t at = text.FindW(kOs); at >= 0; at = text.FindW(kOs, at + windows_folder.wlength())) {
    text.ReplaceW(at, kOsLength, windows_folder.w_str(), windows_folder.wlength());
  }
}

}  // namespace

bool IsBlankW(const String& wide) {
  const char16_t* text = wide.w_str();
  for (int32_t i = 0; i < wide.wlength(); ++i) {
    char16_t c = text[i];
    if (c != u' ' && c != u'\t' && c != u'\r' && c != u'\n') return false;
  }
  return true;
}

CorruptCode DecodeSettingsFields(SettingsStream& in, ProductSettings& s, LanguageTable& l,
                                 int first, int last) {
  Decoder decoder(in);
  // Each present item is read in turn. Reaching the end of the block before
  // an item means the end marker is missing, whatever the item.
#define BX_DECODE_FIELD(number, name, target, codec, when, low, high, error)         \
  if ((number) >= first && (number) <= last && (when)) {                            \
    if (in.at_end()) return kCorruptSettingsEndMarker;                              \
    CorruptCode code = decoder.Get(codec{}, target, FieldLimit{low, high, error});  \
    if (code != kCorruptNone) return code;                                          \
  }
  BX_SETTINGS_FIELDS(BX_DECODE_FIELD)
#undef BX_DECODE_FIELD
  return kCorruptNone;
}

void ApplyDerivedSettings(const SettingsReadOptions& options, ProductSettings& s,
                          LanguageTable& l) {
  if (!options.product_name.empty()) s.DisplayName = options.product_name;
  const String& product = s.DisplayName;
  DefaultTo(s.Description, product);
  DefaultTo(s.SharedPath, IsBlankW(s.Publisher) ? product : s.Publisher);
  DefaultTo(s.ProductStartMenu, product);
  DefaultTo(s.DefaultInstallDir, product);
  ReplaceOsPlaceholder(s.DefaultInstallDir, options.windows_folder);
  DefaultTo(s.UninstallKeyName, product);
  if (s.Flag(product_flag::kDesktopFolderDefault)) DefaultTo(s.DesktopFolder, product);
  if (s.Flag(product_flag::kRequiresProduct)) {
    DefaultTo(s.RequiredProductKey, product);
    DefaultTo(s.RequiredProductName, product);
  }
  s.DisplayVersionA = Utf16ToAnsi(s.DisplayVersion);
  s.MonoColor = s.TopColor == s.BottomColor;

  for (String& message : l.messages) NormalizeLineBreaks(message);
  l.current = DefaultLanguage(l.names);
  l.product = product;
  l.description = s.Description;
  l.windows_folder = options.windows_folder;

  s.WizardCaption = s.Flag(product_flag::kNoMessageCaption) ? ReplacePlaceholders(s.WindowTitle, l)
                                                            : MessageText(l, message_number::kWizardCaption);
}

CorruptCode ReadSettings(const uint8_t* block, size_t length, const SettingsReadOptions& options,
                         ProductSettings* settings, LanguageTable* languages) {
  uint32_t flags2 = settings->ProductFlags2;
  *settings = ProductSettings();
  settings->ProductFlags2 = flags2;
  if (!options.button_images_drawn) settings->SetFlag2(product_flag2::kButtonImages, false);
  *languages = LanguageTable();

  SettingsStream in(block, length);
  // Silent mode takes effect the moment the flags are known.
  CorruptCode code = DecodeSettingsFields(in, *settings, *languages, 1, 1);
  if (code != kCorruptNone) return code;
  if (options.silent) settings->ProductFlags = SilentModeFlags(settings->ProductFlags);
  code = DecodeSettingsFields(in, *settings, *languages, 2, kSettingsFieldCount);
  if (code != kCorruptNone) return code;

  ApplyDerivedSettings(options, *settings, *languages);
  return kCorruptNone;
}
