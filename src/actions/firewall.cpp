#include "actions/firewall.h"

namespace {

bool AllDigits(const String& text) {
  if (text.empty() || text.wlength() > 5) return false;
  for (int32_t i = 0; i < text.wlength(); ++i) {
    if (text.w_str()[i] < u'0' || text.w_str()[i] > u'9') return false;
  }
  return true;
}

uint32_t Number(const String& text) {
  uint32_t n = 0;
  for (int32_t i = 0; i < text.wlength() && i < 9; ++i) {
    const char16_t c = text.w_str()[i];
    if (c < u'0' || c > u'9') break;
    n = n * 10 + static_cast<uint32_t>(c - u'0');
  }
  return n;
}

}  // namespace

bool KeepsFirewallException(const String& options) { return options.FindW(u'1') >= 0; }

bool ParseFirewallLine(const String& line, FirewallLine* out) {
  String fields[4];
  int32_t count = 0;
  int32_t start = 0;
  for (;;) {
    const int32_t end = line.FindW(u';', start);
    if (count < 4) fields[count].AssignW(line.w_str() + start, (end < 0 ? line.wlength() : end) - start);
    ++count;
    if (end < 0) break;
    start = end + 1;
  }
  if (count != 4) return false;
  *out = FirewallLine();
  out->is_port = AllDigits(fields[0]);
  if (out->is_port) {
    out->port = static_cast<int32_t>(Number(fields[0]));
  } else {
    out->program = fields[0];
  }
  out->name = fields[1];
  out->protocols = Number(fields[2]);
  out->keep = KeepsFirewallException(fields[3]);
  return true;
}
