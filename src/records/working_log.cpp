#include "records/working_log.h"

bool WorkingLogIsOpen(const WorkingLog& log) { return log.file.IsOpen(); }

void AppendToWorkingLog(WorkingLog& log, const void* utf8, int32_t bytes) {
  if (bytes <= 0 || !WorkingLogIsOpen(log)) return;
  log.file.Write(utf8, bytes);
}

bool CopyWorkingLog(WorkingLog& working, File& out) {
  File& log = working.file;
  if (!log.IsOpen() || !log.SeekTo(0)) return false;
  // In pieces, so that a long detailed log is never held whole in memory.
  constexpr int32_t kPiece = 0x10000;
  String piece;
  piece.SetLengthExact(kPiece);
  bool ok = true;
  for (;;) {
    const int32_t got = log.ReadUpTo(piece.data(), kPiece);
    if (got <= 0) break;
    if (!out.Write(piece.data(), got)) {
      ok = false;
      break;
    }
  }
  // A read failure and the end both give 0; only the position tells them apart.
  const int64_t end = log.Size();
  if (ok && log.Position() != end) ok = false;
  return log.SeekTo(end < 0 ? 0 : end) && ok;
}
