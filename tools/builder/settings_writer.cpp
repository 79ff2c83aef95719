#include "builder/settings_writer.h"

#include <cstring>
#include <type_traits>

#include "core/codepage.h"
#include "package/settings_fields.h"
#include "package/writer.h"

namespace {

using namespace settings_codec;

void SetEndMarker(String& text, const char* marker) { text = marker; }
template <class V>
void SetEndMarker(V&, const char*) {}

// One write per encoding, the mirror of the reader's Decoder.
class Encoder {
 public:
  explicit Encoder(String* out) : writer_(out) {}

  using Out = PackageWriter;

  bool Put(U8, uint8_t value) { return Value(&Out::WriteU8, value); }
  bool Put(U16, uint16_t value) { return Value(&Out::WriteU16, value); }
  bool Put(U32, uint32_t value) { return Value(&Out::WriteU32, value); }
  bool Put(S32, int32_t value) { return Value(&Out::WriteS32, value); }
  bool Put(U64, uint64_t value) { return Value(&Out::WriteU64, value); }
  bool Put(F64, double value) { return Value(&Out::WriteF64, value); }

  bool Put(Packed, const String& text) { return Text(&Out::WritePacked, text); }
  bool Put(ByteLen, const String& text) { return Text(&Out::WriteByteLength, text); }
  bool Put(WordLen, const String& text) { return Text(&Out::WriteWordLength, text); }
  bool Put(LongLen, const String& text) { return Text(&Out::WriteLongLength, text); }
  bool Put(ZStr, const String& text) { return Text(&Out::WriteZeroTerminated, text); }
  bool Put(WZStr, const String& text) {
    // An odd byte would be lost between the units and the terminator.
    if (text.length() % 2 != 0) return false;
    return writer_.WriteZeroTerminatedWide(text.w_str(), static_cast<size_t>(text.wlength()));
  }
  bool Put(Utf8ZStr, const String& text) {
    String utf8 = Utf16ToUtf8(text);
    if (utf8.empty() && !text.empty()) return false;
    return Put(ZStr{}, utf8);
  }

  template <class Element, class Items>
  bool Put(Each<Element>, const Items& items) {
    for (const auto& item : items) {
      if (!Put(Element{}, item)) return false;
    }
    return true;
  }

  template <class CountCodec, class T>
  bool Put(Count<CountCodec>, const Vector<T>& items) {
    using Value = typename ScalarOf<CountCodec>::type;
    return Put(CountCodec{}, static_cast<Value>(items.Count()));
  }

  template <class CountCodec, class Element, class T>
  bool Put(Counted<CountCodec, Element>, const Vector<T>& items) {
    return Put(Count<CountCodec>{}, items) && Put(Each<Element>{}, items);
  }

  template <class T>
  bool Put(Record, const T& record) {
    bool ok = true;
    RecordLayout<T>::Visit(record, [&](const auto& member, auto codec) {
      ok = ok && Put(codec, member);
    });
    return ok;
  }

  // The records, then a record holding only the marker as its first text.
  template <class T>
  bool Put(Marked, const Vector<T>& items) {
    if (!Put(Each<Record>{}, items)) return false;
    T end;
    bool ok = true;
    int index = 0;
    RecordLayout<T>::Visit(end, [&](auto& member, auto codec) {
      if (index++ != 0) return;
      SetEndMarker(member, RecordLayout<T>::kEndMarker);
      ok = Put(codec, member);
    });
    return ok;
  }

  bool Put(MessageCount, const LanguageTable& table) { return Put(S32{}, table.MessageCount()); }

 private:
  template <class V>
  bool Value(void (Out::*write)(V), V value) {
    (writer_.*write)(value);
    return true;
  }
  bool Text(bool (Out::*write)(const void*, size_t), const String& text) {
    return (writer_.*write)(text.bytes(), static_cast<size_t>(text.length()));
  }

  PackageWriter writer_;
};

// The reader's limits, applied to a record before it is written.
class LimitChecker {
 public:
  template <class Codec, class T>
  CorruptCode Check(Codec, const T& value, const FieldLimit& limit) {
    if constexpr (std::is_integral_v<T>) {
      return limit.Allows(static_cast<int64_t>(value)) ? kCorruptNone : limit.error;
    } else {
      return kCorruptNone;
    }
  }

  template <class CountCodec, class T>
  CorruptCode Check(Count<CountCodec>, const Vector<T>& items, const FieldLimit& limit) {
    return limit.Allows(items.Count()) ? kCorruptNone : limit.error;
  }

  template <class CountCodec, class Element, class T>
  CorruptCode Check(Counted<CountCodec, Element>, const Vector<T>& items,
                    const FieldLimit& limit) {
    if (!limit.Allows(items.Count())) return limit.error;
    return CheckRecords(items);
  }

  template <class T>
  CorruptCode Check(Marked, const Vector<T>& items, const FieldLimit& limit) {
    if (!limit.Allows(items.Count())) return limit.error;
    return CheckRecords(items);
  }

  CorruptCode Check(MessageCount, const LanguageTable& table, const FieldLimit& limit) {
    if (!limit.Allows(table.MessageCount())) return limit.error;
    // A grid that is not whole would shift every later field.
    if (table.messages.Count() != table.MessageCount() * table.names.Count()) {
      return kCorruptSettingsEndMarker;
    }
    return kCorruptNone;
  }

 private:
  template <class T>
  static CorruptCode CheckRecords(const Vector<T>& items) {
    if constexpr (std::is_same_v<T, String>) {
      return kCorruptNone;
    } else {
      for (const T& record : items) {
        CorruptCode code = RecordLayout<T>::Check(record);
        if (code != kCorruptNone) return code;
      }
      return kCorruptNone;
    }
  }
};

}  // namespace

bool WriteSettings(const ProductSettings& s, const LanguageTable& l, String* out) {
  String block;
  Encoder encoder(&block);
#define BX_ENCODE_FIELD(number, name, target, codec, when, low, high, error) \
  if ((when) && !encoder.Put(codec{}, target)) return false;
  BX_SETTINGS_FIELDS(BX_ENCODE_FIELD)
#undef BX_ENCODE_FIELD
  out->Append(block);
  return true;
}

CorruptCode CheckSettingsLimits(const ProductSettings& s, const LanguageTable& l) {
  LimitChecker checker;
#define BX_CHECK_FIELD(number, name, target, codec, when, low, high, error)          \
  if (when) {                                                                        \
    CorruptCode code = checker.Check(codec{}, target, FieldLimit{low, high, error}); \
    if (code != kCorruptNone) return code;                                           \
  }
  BX_SETTINGS_FIELDS(BX_CHECK_FIELD)
#undef BX_CHECK_FIELD
  return kCorruptNone;
}
