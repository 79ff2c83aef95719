#include "core/file_flags.h"

#include "core/file_errors.h"

OpenMode DecodeOpenFlags(uint32_t flags) {
  OpenMode mode;
  mode.read = (flags & kOpenNoRead) == 0;
  mode.write = (flags & kOpenNoWrite) == 0;
  mode.share_read = (flags & kOpenShareRead) != 0;
  mode.share_write = (flags & kOpenShareWrite) != 0;
  // A writer that lets others write may as well let them read, and a reader
  // that lets others read may as well let them write: neither side can then
  // lock out the other half of the access it already tolerates.
  if (mode.write && !mode.read && mode.share_write) mode.share_read = true;
  if (mode.read && !mode.write && mode.share_read) mode.share_write = true;
  if ((flags & kOpenNameFormMask) != kOpenNameAsGiven) {
    mode.creation = OpenCreation::kCreateOrTruncate;  // temporary names are always created
  } else {
    mode.creation = static_cast<OpenCreation>(flags & kOpenCreationMask);
  }
  return mode;
}

bool NameFormNeedsNoName(uint32_t flags) { return (flags & kOpenNewTemporary) != 0; }

bool IsKnownNameForm(uint32_t flags) {
  switch (flags & kOpenNameFormMask) {
    case kOpenNameAsGiven:
    case kOpenNewTemporary:
    case kOpenNewTemporaryIn:
    case kOpenInTemporaryFolder:
    case kOpenNewTemporaryBeside:
      return true;
    default:
      return false;
  }
}

int NextOpenRetryDelay(OpenRetryState& state, uint32_t flags, uint32_t os_error) {
  if ((flags & kOpenRetryOnce) && !state.retried_once) {
    state.retried_once = true;
    return kRetryOnceDelayMs;
  }
  // Another program holding the file briefly (a virus scanner, an indexer)
  // usually lets go within half a second.
  if (os_error == os_error::kSharingViolation && !(flags & kOpenNoSharingWait) &&
      state.sharing_retries < kMaxSharingRetries) {
    ++state.sharing_retries;
    return kSharingRetryDelayMs;
  }
  return -1;
}
