// The one definition of the settings record's stored form: every field in
// stored order with its number, its encoding, when it is present, and the
// limits whose breach makes the package corrupt. The reader
// (settings_reader.cpp), the builder's writer and the tests all expand these
// lists, so adding or moving a field is one edit here.
//
// Encodings are tag types; each side supplies one read or write overload per
// tag, so a tag without its pair does not compile.
#pragma once

#include <cstdint>

#include "package/corrupt.h"
#include "package/languages.h"
#include "package/settings.h"

namespace settings_codec {

// Fixed-width little-endian values (F64 is an IEEE double).
struct U8 {};
struct U16 {};
struct U32 {};
struct S32 {};
struct U64 {};
struct F64 {};
// Strings, bytes kept as stored: packed length, 1-, 2- or 4-byte length,
// zero-terminated narrow and wide.
struct Packed {};
struct ByteLen {};
struct WordLen {};
struct LongLen {};
struct ZStr {};
struct WZStr {};
// A zero-terminated UTF-8 text, held as UTF-16.
struct Utf8ZStr {};
// Each element of a fixed array, or of a vector already sized by an earlier
// field, in the element encoding.
template <class Element>
struct Each {};
// A count in the count encoding (checked against the field's limits) that
// sizes a vector whose elements come later.
template <class CountCodec>
struct Count {};
// A count, then that many elements.
template <class CountCodec, class Element>
struct Counted {};
// One record of a list, field by field as RecordLayout gives it.
struct Record {};
// Records until one whose first text is the list's end marker; the marker
// record holds only that text. The field's upper limit caps the entries.
struct Marked {};
// The message count: sizes the message grid of the language table.
struct MessageCount {};

using Texts = Counted<S32, LongLen>;
using Records = Counted<S32, Record>;

// The value type of each fixed-width encoding (counts are read through it).
template <class Codec>
struct ScalarOf;
template <>
struct ScalarOf<U8> {
  using type = uint8_t;
};
template <>
struct ScalarOf<U16> {
  using type = uint16_t;
};
template <>
struct ScalarOf<U32> {
  using type = uint32_t;
};
template <>
struct ScalarOf<S32> {
  using type = int32_t;
};

}  // namespace settings_codec

// Stored layout of the list records: X(member, encoding).
#define BX_FILE_DELETION_FIELDS(X) \
  X(name, ZStr)                    \
  X(mode, U8)                      \
  X(path, ZStr)                    \
  X(flags, U8)

#define BX_SHORTCUT_RECORD_FIELDS(X) \
  X(flags, U32)                      \
  X(texts, Each<ZStr>)               \
  X(wide_text, WZStr)                \
  X(narrow_text, ZStr)

#define BX_ASSOCIATION_RECORD_FIELDS(X) \
  X(extension, ZStr)                    \
  X(description, Utf8ZStr)              \
  X(verb, ZStr)                         \
  X(verb_label, Packed)                 \
  X(command, ZStr)                      \
  X(mode, U8)                           \
  X(unused1, U8)                        \
  X(unused2, U8)                        \
  X(prog_id, ZStr)                      \
  X(unused3, U8)                        \
  X(unused4, U8)

#define BX_UNINSTALL_VALUE_FIELDS(X) \
  X(name, ZStr)                      \
  X(type, U8)                        \
  X(text, Packed)

#define BX_CLOSE_RULE_FIELDS(X) \
  X(window_class, ZStr)         \
  X(window_title, ZStr)         \
  X(display_name, ZStr)         \
  X(match_mode, U8)             \
  X(action, U8)

// Per record type: its fields for a visitor f(member, encoding), the end
// marker of a marked list, and the check of a read record.
template <class R>
struct RecordLayout;

#define BX_RECORD_VISIT_FIELD(member, codec) f(r.member, codec{});
#define BX_RECORD_LAYOUT(Type, FIELDS, marker, check)                \
  template <>                                                       \
  struct RecordLayout<Type> {                                       \
    static constexpr const char* kEndMarker = marker;               \
    template <class R, class F>                                     \
    static void Visit(R& r, F&& f) {                                \
      using namespace settings_codec;                               \
      FIELDS(BX_RECORD_VISIT_FIELD)                                 \
    }                                                               \
    static CorruptCode Check(const Type& record) { return check; } \
  };

BX_RECORD_LAYOUT(FileDeletion, BX_FILE_DELETION_FIELDS, "~~THE END~~", ((void)record, kCorruptNone))
BX_RECORD_LAYOUT(ShortcutRecord, BX_SHORTCUT_RECORD_FIELDS, nullptr, ((void)record, kCorruptNone))
BX_RECORD_LAYOUT(AssociationRecord, BX_ASSOCIATION_RECORD_FIELDS, nullptr,
                 ((void)record, kCorruptNone))
// A value type the uninstall entry could not write is refused while reading,
// before anything has been installed.
BX_RECORD_LAYOUT(UninstallValue, BX_UNINSTALL_VALUE_FIELDS, nullptr,
                 UninstallValue::KnownType(record.type) ? kCorruptNone
                                                        : kCorruptUninstallValueType)
BX_RECORD_LAYOUT(CloseRule, BX_CLOSE_RULE_FIELDS, "~~THE~END~~", ((void)record, kCorruptNone))

#undef BX_RECORD_LAYOUT

// The settings record in stored order:
// X(number, name, target, encoding, present when, low, high, error).
// `target` and `present when` are expressions over `s` (ProductSettings) and
// `l` (LanguageTable). A field with an error number other than kCorruptNone
// must hold a value (or count) within low..high, else the package is corrupt
// with that number. Several stored items may share one field number.
#define BX_SETTINGS_FIELDS(X)                                                                \
  X(1, ProductFlags, s.ProductFlags, U64, true, 0, 0, kCorruptNone)                          \
  X(2, AutomaticMode, s.AutomaticMode, U8, true, 0, 0, kCorruptNone)                         \
  X(3, TaskbarText, s.TaskbarText, Packed, true, 0, 0, kCorruptNone)                         \
  X(4, DisplayTitle, s.DisplayTitle, Packed, true, 0, 0, kCorruptNone)                       \
  X(5, TitleSize, s.TitleSize, F64, true, 0, 0, kCorruptNone)                                \
  X(6, ProgressPlacement, s.ProgressPlacement, S32, true, 0, 0, kCorruptNone)                \
  X(7, MinStatusTime, s.MinStatusTime, U16, true, 0, 9999, kCorruptStatusTime)               \
  X(8, ShortcutMode, s.ShortcutMode, U8, true, 0, 0, kCorruptNone)                           \
  X(9, ProductDate, s.ProductDate, Each<S32>, true, 0, 0, kCorruptNone)                      \
  X(10, Publisher, s.Publisher, Packed, true, 0, 0, kCorruptNone)                            \
  X(11, DisplayName, s.DisplayName, Packed, true, 0, 0, kCorruptNone)                        \
  X(12, Description, s.Description, Packed, true, 0, 0, kCorruptNone)                        \
  X(13, Bitness, s.Bitness, U8, true, 0, 0, kCorruptNone)                                    \
  X(14, SharedBase, s.SharedBase, U8, true, 0, 0, kCorruptNone)                              \
  X(15, SharedPath, s.SharedPath, Packed, true, 0, 0, kCorruptNone)                          \
  X(16, SharedSubfolder, s.SharedSubfolder, Packed, true, 0, 0, kCorruptNone)                \
  X(17, ProductStartMenu, s.ProductStartMenu, WZStr, true, 0, 0, kCorruptNone)               \
  X(18, DisplayVersion, s.DisplayVersion, Packed, true, 0, 0, kCorruptNone)                  \
  X(19, DefaultInstallDir, s.DefaultInstallDir, WZStr, true, 0, 0, kCorruptNone)             \
  X(20, ProductRegistry, s.ProductRegistry, WZStr, true, 0, 0, kCorruptNone)                 \
  X(21, RegistryEntries, s.RegistryEntries, LongLen, true, 0, 0, kCorruptNone)               \
  X(22, RegistryMerge, s.RegistryMerge, Packed, true, 0, 0, kCorruptNone)                    \
  X(23, BitmapSize, s.BitmapSize, S32, true, 0, 100, kCorruptPercentage)                     \
  X(24, StretchMode, s.StretchMode, S32, true, 0, 0, kCorruptNone)                           \
  X(25, GreetingLink, s.GreetingLink, WordLen, true, 0, 0, kCorruptNone)                     \
  X(26, LicenseTexts, s.LicenseTexts, Texts, true, 0, 20, kCorruptLicenceCount)              \
  X(27, ReadmeTexts, s.ReadmeTexts, Texts, true, 0, 20, kCorruptReadmeCount)                 \
  X(28, UninstallSubdir, s.UninstallSubdir, Packed, true, 0, 0, kCorruptNone)                \
  X(29, Reserved2, s.Reserved2, ZStr, true, 0, 0, kCorruptNone)                              \
  X(30, UninstallKeyName, s.UninstallKeyName, Packed, true, 0, 0, kCorruptNone)              \
  X(31, InstallLocationSource, s.InstallLocationSource, ZStr, true, 0, 0, kCorruptNone)      \
  X(32, WindowTitle, s.WindowTitle, WZStr, true, 0, 0, kCorruptNone)                         \
  X(33, SidePictureFrame, s.SidePictureFrame, U8, true, 0, 0, kCorruptNone)                  \
  X(34, TitleColor, s.TitleColor, U32, true, 0, 0, kCorruptNone)                             \
  X(35, TitleShadow, s.TitleShadow, U8, true, 0, 0, kCorruptNone)                            \
  X(36, TitlePosition, s.TitlePosition, U8, true, 0, 0, kCorruptNone)                        \
  X(37, TitleFont, s.TitleFont, ZStr, true, 0, 0, kCorruptNone)                              \
  X(38, TopColor, s.TopColor, U32, true, 0, 0, kCorruptNone)                                 \
  X(39, BottomColor, s.BottomColor, U32, true, 0, 0, kCorruptNone)                           \
  X(40, BackgroundBitmap, s.BackgroundBitmap, LongLen, true, 0, 0, kCorruptNone)             \
  X(40, BitmapTPI, s.BitmapTPI, S32, !s.BackgroundBitmap.empty(), 0, 0, kCorruptNone)        \
  X(41, CopyrightPos, s.CopyrightPos, U8, true, 0, 0, kCorruptNone)                          \
  X(42, CopyrightColor, s.CopyrightColor, U32, s.CopyrightPos != 0, 0, 0, kCorruptNone)      \
  X(43, CopyrightSize, s.CopyrightSize, F64, s.CopyrightPos != 0, 0, 0, kCorruptNone)        \
  X(44, CopyrightText, s.CopyrightText, Packed, s.CopyrightPos != 0, 0, 0, kCorruptNone)     \
  X(45, CopyrightFont, s.CopyrightFont, Packed, s.CopyrightPos != 0, 0, 0, kCorruptNone)     \
  X(46, RequiredProductKey, s.RequiredProductKey, Packed,                                    \
    s.Flag(product_flag::kRequiresProduct), 0, 0, kCorruptNone)                              \
  X(46, RequiredProductName, s.RequiredProductName, Packed,                                  \
    s.Flag(product_flag::kRequiresProduct), 0, 0, kCorruptNone)                              \
  X(46, RequiredProductVersion, s.RequiredProductVersion, Packed,                            \
    s.Flag(product_flag::kRequiresProduct), 0, 0, kCorruptNone)                              \
  X(47, GreetingSound, s.GreetingSound, Packed, true, 0, 0, kCorruptNone)                    \
  X(48, DesktopFolder, s.DesktopFolder, Packed, true, 0, 0, kCorruptNone)                    \
  X(49, InstallActionSettings, s.InstallActionSettings, LongLen, true, 0, 0, kCorruptNone)   \
  X(50, PreInstallBatch, s.PreInstallBatch, Packed, true, 0, 0, kCorruptNone)                \
  X(50, PostInstallBatch, s.PostInstallBatch, Packed, true, 0, 0, kCorruptNone)              \
  X(50, ExitBatch, s.ExitBatch, Packed, true, 0, 0, kCorruptNone)                            \
  X(51, UninstallBatch1, s.UninstallBatch1, Packed, true, 0, 0, kCorruptNone)                \
  X(51, UninstallBatch2, s.UninstallBatch2, Packed, true, 0, 0, kCorruptNone)                \
  X(51, UpgradeBatch, s.UpgradeBatch, Packed, true, 0, 0, kCorruptNone)                      \
  X(52, ReinstallBatch, s.ReinstallBatch, Packed, true, 0, 0, kCorruptNone)                  \
  X(53, ReservedBytes, s.ReservedBytes, Each<U8>, true, 0, 0, kCorruptNone)                  \
  X(54, ExcludedSystems, s.ExcludedSystems, S32, true, 0, 0, kCorruptNone)                   \
  X(55, FileDataOutside, s.FileDataOutside, U8, true, 0, 0, kCorruptNone)                    \
  X(56, FinishProgram, s.FinishProgram, Packed, true, 0, 0, kCorruptNone)                    \
  X(57, FinishDocument, s.FinishDocument, Packed, true, 0, 0, kCorruptNone)                  \
  X(58, FinishDocument2, s.FinishDocument2, Packed, true, 0, 0, kCorruptNone)                \
  X(59, LaunchNotifyURL, s.LaunchNotifyURL, Packed, true, 0, 0, kCorruptNone)                \
  X(60, StartNotifyURL, s.StartNotifyURL, Packed, true, 0, 0, kCorruptNone)                  \
  X(61, InstallNotifyURL, s.InstallNotifyURL, Packed, true, 0, 0, kCorruptNone)              \
  X(62, UpgradeNotifyURL, s.UpgradeNotifyURL, Packed, true, 0, 0, kCorruptNone)              \
  X(63, DowngradeNotifyURL, s.DowngradeNotifyURL, Packed, true, 0, 0, kCorruptNone)          \
  X(64, ReinstallNotifyURL, s.ReinstallNotifyURL, Packed, true, 0, 0, kCorruptNone)          \
  X(65, NotifyURL, s.NotifyURL, Packed, true, 0, 0, kCorruptNone)                            \
  X(66, LinkNotifyURL, s.LinkNotifyURL, Packed, true, 0, 0, kCorruptNone)                    \
  X(67, Reserved6, s.Reserved6, ZStr, true, 0, 0, kCorruptNone)                              \
  X(68, NoDowngradeBelow, s.NoDowngradeBelow, ByteLen, true, 0, 0, kCorruptNone)             \
  X(69, InstallPassword, s.InstallPassword, Packed, true, 0, 0, kCorruptNone)                \
  X(70, MustUninstallVersion, s.MustUninstallVersion, Packed, true, 0, 0, kCorruptNone)      \
  X(70, Reserved7, s.Reserved7, Packed, true, 0, 0, kCorruptNone)                            \
  X(70, Reserved8, s.Reserved8, Packed, true, 0, 0, kCorruptNone)                            \
  X(71, ExtraSpace, s.ExtraSpace, U64, true, 0, 0, kCorruptNone)                             \
  X(71, PageStyles, s.PageStyles, Each<S32>, true, 0, 0, kCorruptNone)                       \
  X(72, ExtraText, s.ExtraText, LongLen, s.Flag(product_flag::kDetectInstallation), 0, 0,    \
    kCorruptNone)                                                                            \
  X(73, FileDeletions, s.FileDeletions, Marked, true, 0, 1000, kCorruptDeletionListLength)   \
  X(74, Shortcuts, s.Shortcuts, Records, true, 0, 1000, kCorruptShortcutCount)               \
  X(75, Associations, s.Associations, Records, true, 0, 1000, kCorruptAssociationCount)      \
  X(76, Reserved10, s.Reserved10, Packed, true, 0, 0, kCorruptNone)                          \
  X(76, Reserved11, s.Reserved11, Packed, true, 0, 0, kCorruptNone)                          \
  X(77, Reserved12, s.Reserved12, WZStr, true, 0, 0, kCorruptNone)                           \
  X(77, Reserved13, s.Reserved13, WZStr, true, 0, 0, kCorruptNone)                           \
  X(78, UninstallValues, s.UninstallValues, Records, true, 0, 1000,                          \
    kCorruptUninstallValueCount)                                                             \
  X(79, SupportOffer, s.SupportOffer, WordLen, true, 0, 0, kCorruptNone)                     \
  X(80, Reserved14, s.Reserved14, LongLen, true, 0, 0, kCorruptNone)                         \
  X(81, ProgramsToClose, s.ProgramsToClose, Marked, true, 0, 1000, kCorruptCloseListLength)  \
  X(82, LanguageCount, l.names, Count<U8>, true, 1, 200, kCorruptLanguageCount)              \
  X(83, MessageCount, l, MessageCount, true, 1, 10000, kCorruptMessageCount)                 \
  X(84, LanguageNames, l.names, Each<WZStr>, true, 0, 0, kCorruptNone)                       \
  X(85, Messages, l.messages, Each<WZStr>, true, 0, 0, kCorruptNone)                         \
  X(86, EndMarker, s.EndMarker, U32, true, kSettingsEndMarker, kSettingsEndMarker,           \
    kCorruptSettingsEndMarker)

// The limits of one stored item, as the codecs receive them.
struct FieldLimit {
  int64_t low = 0;
  int64_t high = 0;
  CorruptCode error = kCorruptNone;

  bool checked() const { return error != kCorruptNone; }
  bool Allows(int64_t value) const { return !checked() || (value >= low && value <= high); }
};

// A description of each stored item, for diagnostics and tests.
struct SettingsFieldInfo {
  int number;
  const char* name;
  const char* encoding;
  const char* present_when;
  FieldLimit limit;
};

#define BX_SETTINGS_FIELD_INFO(number, name, target, codec, when, low, high, error) \
  SettingsFieldInfo{number, #name, #codec, #when, FieldLimit{low, high, error}},
inline constexpr SettingsFieldInfo kSettingsFields[] = {BX_SETTINGS_FIELDS(BX_SETTINGS_FIELD_INFO)};
#undef BX_SETTINGS_FIELD_INFO

inline constexpr int kSettingsFieldCount = 86;
