// The value names of the product's entry under the Windows Uninstall key,
// spelled once: the installer writes them (uninstall_entry.cpp), a later
// installer and the uninstaller read them back. Other programs read the
// standard ones, so the spellings never change.
#pragma once

namespace uninstall_value {

// The standard values that Windows and its tools read.
inline constexpr char16_t kUninstallString[] = u"UninstallString";
inline constexpr char16_t kQuietUninstallString[] = u"QuietUninstallString";
inline constexpr char16_t kDisplayName[] = u"DisplayName";
inline constexpr char16_t kInstallSource[] = u"InstallSource";
inline constexpr char16_t kPublisher[] = u"Publisher";
inline constexpr char16_t kDisplayVersion[] = u"DisplayVersion";
inline constexpr char16_t kDisplayIcon[] = u"DisplayIcon";
inline constexpr char16_t kVersionMajor[] = u"VersionMajor";
inline constexpr char16_t kVersionMinor[] = u"VersionMinor";
inline constexpr char16_t kEstimatedSize[] = u"EstimatedSize";
inline constexpr char16_t kInstallLocation[] = u"InstallLocation";
inline constexpr char16_t kInstallDate[] = u"InstallDate";

// The product's own values, for the uninstaller and the next installer.
inline constexpr char16_t kBitness[] = u"Bitness";
inline constexpr char16_t kNoDowngradeBelow[] = u"NoDowngradeBelow";
inline constexpr char16_t kProductRegistry[] = u"ProductRegistry";
inline constexpr char16_t kProductStartMenu[] = u"ProductStartMenu";
inline constexpr char16_t kSharedPath[] = u"SharedPath";
inline constexpr char16_t kProductFonts[] = u"ProductFonts";
inline constexpr char16_t kProductFlags[] = u"ProductFlags";
inline constexpr char16_t kProductFlags2[] = u"ProductFlags2";
inline constexpr char16_t kUninstallBatch1[] = u"UninstallBatch1";
inline constexpr char16_t kUninstallBatch2[] = u"UninstallBatch2";
inline constexpr char16_t kSharedFiles[] = u"SharedFiles";
inline constexpr char16_t kUninstallSubdir[] = u"UninstallSubdir";
inline constexpr char16_t kAddToPathSubfolder[] = u"AddToPathSubfolder";
inline constexpr char16_t kShortcutMode[] = u"ShortcutMode";
inline constexpr char16_t kNotifyUrl[] = u"NotifyURL";
inline constexpr char16_t kSupportOffer[] = u"SupportOffer";
inline constexpr char16_t kDesktopFolder[] = u"DesktopFolder";

// The background window's painting values, so that the uninstaller paints
// the same window.
inline constexpr char16_t kDisplayTitle[] = u"DisplayTitle";
inline constexpr char16_t kTitleColor[] = u"TitleColor";
inline constexpr char16_t kTitleSize[] = u"TitleSize";
inline constexpr char16_t kTopColor[] = u"TopColor";
inline constexpr char16_t kBottomColor[] = u"BottomColor";
inline constexpr char16_t kMonoColor[] = u"MonoColor";
inline constexpr char16_t kTitleShadow[] = u"TitleShadow";
inline constexpr char16_t kTitlePosition[] = u"TitlePosition";
inline constexpr char16_t kTitleFont[] = u"TitleFont";
inline constexpr char16_t kTaskbarText[] = u"TaskbarText";
inline constexpr char16_t kCopyrightText[] = u"CopyrightText";
inline constexpr char16_t kCopyrightFont[] = u"CopyrightFont";
inline constexpr char16_t kCopyrightSize[] = u"CopyrightSize";
inline constexpr char16_t kCopyrightColor[] = u"CopyrightColor";
inline constexpr char16_t kCopyrightPos[] = u"CopyrightPos";
inline constexpr char16_t kBitmapSize[] = u"BitmapSize";
inline constexpr char16_t kBitmapTpi[] = u"BitmapTPI";
inline constexpr char16_t kStretchMode[] = u"StretchMode";

}  // namespace uninstall_value
