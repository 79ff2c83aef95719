#include "uninstall/support_offer.h"

#include "core/string_compare.h"

namespace {

constexpr const char16_t* kSchemes[] = {u"http://", u"https://"};

// The length of a leading "http://" or "https://" (any case); 0 for none.
int32_t SchemeLength(const String& address) {
  for (const char16_t* scheme : kSchemes) {
    const String prefix(scheme);
    if (address.wlength() > prefix.wlength() &&
        CompareNoCaseW(String(address.w_str(), prefix.wlength()), prefix) == 0) {
      return prefix.wlength();
    }
  }
  return 0;
}

bool AllowedUnit(char16_t c) { return c > u' ' && c != u'"' && c != u'<' && c != u'>' && c != 0x7F; }

}  // namespace

bool IsWellFormedAddress(const String& address) {
  const int32_t host = SchemeLength(address);
  if (host == 0) return false;
  const char16_t first = address.AtW(host);
  if (first == u'/' || first == u'?' || first == u'#' || first == u':' || first == u'@') return false;
  for (int32_t i = 0; i < address.wlength(); ++i) {
    if (!AllowedUnit(address.AtW(i))) return false;
  }
  return true;
}
