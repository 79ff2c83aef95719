#include "package/message_format.h"

#include "core/format.h"

namespace {

bool IsFlag(char16_t c) { return c == u'-' || c == u'+' || c == u' ' || c == u'#' || c == u'0'; }
bool IsDigit(char16_t c) { return c >= u'0' && c <= u'9'; }
bool IsLengthModifier(char16_t c) { return c == u'h' || c == u'l' || c == u'I' || c == u'z' || c == u'6' || c == u'4'; }

// Formats one argument with the flags and width of its placeholder; the
// conversion is chosen by what the argument is, never by the package's text.
void AppendArgument(String& out, const String& flags, char16_t conversion, const MessageArg& arg) {
  String format(u"%");
  format.AppendW(flags.w_str(), flags.wlength());
  if (!arg.is_number) {
    format.AppendW(u"s");
    const char16_t* text = arg.text ? arg.text->w_str() : (arg.literal ? arg.literal : u"");
    AppendFormatW(out, format.w_str(), text);
  } else if (arg.is_character || conversion == u'c') {
    format.AppendW(u"c");
    AppendFormatW(out, format.w_str(), static_cast<int>(arg.number));
  } else {
    format.AppendW(conversion == u'x' || conversion == u'X' ? (conversion == u'x' ? u"llx" : u"llX") : u"lld");
    AppendFormatW(out, format.w_str(), static_cast<long long>(arg.number));
  }
}

}  // namespace

String FillMessage(const String& message, std::initializer_list<MessageArg> args) {
  String out;
  const char16_t* text = message.w_str();
  const int32_t length = message.wlength();
  const MessageArg* next = args.begin();
  for (int32_t i = 0; i < length; ++i) {
    if (text[i] != u'%') {
      out.AppendW(text[i]);
      continue;
    }
    if (i + 1 < length && text[i + 1] == u'%') {
      out.AppendW(u'%');
      ++i;
      continue;
    }
    int32_t j = i + 1;
    String flags;
    while (j < length && IsFlag(text[j])) flags.AppendW(text[j++]);
    while (j < length && flags.wlength() < 8 && (IsDigit(text[j]) || text[j] == u'.')) flags.AppendW(text[j++]);
    while (j < length && IsLengthModifier(text[j])) ++j;  // the argument decides its own width
    if (j >= length) {
      out.AppendW(text + i, length - i);  // a lone '%' at the end stays as it is
      break;
    }
    const char16_t conversion = text[j];
    if (next != args.end()) AppendArgument(out, flags, conversion, *next++);
    i = j;
  }
  return out;
}
