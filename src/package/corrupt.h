// Error numbers of the corrupt-package report. The number is shown to the
// user ("Error code: %d") and quoted back to support, so each number keeps
// its meaning for good; new conditions get new numbers at the end.
#pragma once

enum CorruptCode : int {
  kCorruptNone = 0,  // not an error: the check passed

  kCorruptNegativeWriteLength = 5,   // file writer handed a negative data length
  kCorruptNoRawData = 9,             // package section has PointerToRawData 0
  kCorruptSeekRawData = 10,          // seeking to PointerToRawData failed
  kCorruptStatusTime = 19,           // minimum status display time above 9999
  kCorruptMagic = 20,                // header magic is not 0xA4F23DE5
  kCorruptSettingsSize = 22,         // settings stored size outside 1..52,428,799
  kCorruptLicenceCount = 24,         // first text-list count outside 0..20
  kCorruptSettingsChecksum = 25,     // decoded settings checksum differs from the header
  kCorruptReadmeCount = 26,          // second text-list count outside 0..20
  kCorruptEntryCount = 27,           // header entry count negative
  kCorruptHeaderContentSize = 28,    // a header entry content size outside 0..0x40000000
  kCorruptFileDataLength = 29,       // header file-data length negative
  kCorruptLanguageCount = 30,        // language count 0 or above 200
  kCorruptMessageCount = 31,         // message count outside 1..10000
  kCorruptSettingsEndMarker = 32,    // settings end marker is not 0xD3E82B97
  kCorruptProgramRead = 35,          // reading the program image failed
  kCorruptShortcutCount = 36,        // shortcut record count outside 0..1000
  kCorruptUninstallValueCount = 37,  // uninstall value record count outside 0..1000
  kCorruptDeletionListLength = 38,   // over 1000 entries before "~~THE END~~"
  kCorruptPercentage = 39,           // percentage field outside 0..100
  kCorruptProgramChecksum = 40,      // program image checksum mismatch
  kCorruptCloseListLength = 41,      // over 1000 entries before "~~THE~END~~"
  kCorruptStrippedTailRead = 42,     // reading the file tail for the stripped copy failed
  kCorruptPeOffset = 43,             // PE offset outside 64..4096 or unreadable
  kCorruptSectionCount = 44,         // section count outside 4..99 or unreadable
  kCorruptPackageEnd = 45,           // header package end negative
  kCorruptFileDataPlace = 46,        // file-data length does not match its place
  kCorruptSettingsInflate = 47,      // the settings block could not be decoded
  kCorruptAssociationCount = 48,     // association record count outside 0..1000
  kCorruptFileDataChecksum = 55,     // checksum of the whole file data differs
  kCorruptBlockDecode = 60,          // a file-data block could not be decoded
  kCorruptBlockLength = 61,          // block stored length below 1
  kCorruptBlockChecksum = 62,        // block checksum mismatch
  kCorruptBlockOverrun = 63,         // block longer than the file data left, or none left
  kCorruptConditionDate = 65,        // a conditional-delete date cannot be read
  kCorruptEntryName = 70,            // entry name empty
  kCorruptEntryNegativeSize = 71,    // entry content size negative
  kCorruptEntrySizeTooLarge = 72,    // entry content size above 0x40000000
  kCorruptFontName = 78,             // font entry without its display name
  kCorruptControlPanelClass = 79,    // control-panel entry without its class identifier
  kCorruptFileDataLeft = 80,         // file data left after the last entry
  kCorruptEntryDataLeft = 83,        // decoded entry data left after the last entry
  kCorruptFirewallLine = 90,         // firewall line without exactly four fields
  kCorruptEntryChecksum = 100,       // entry content checksum mismatch
  kCorruptEntryKind = 110,           // entry kind outside the known kinds
  kCorruptUninstallValueType = 200,  // product-defined uninstall value of unknown type
};
