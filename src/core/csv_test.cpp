#include "core/csv.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Texts = std::vector<std::string>;

std::string Text(const String& s) { return std::string(s.c_str(), static_cast<size_t>(s.length())); }

Texts Fields(const Array<String>& fields) {
  Texts out;
  for (const String& f : fields) out.push_back(Text(f));
  return out;
}

String Field(const char* text, uint32_t options = 0, const char* line_break = nullptr) {
  String out;
  AppendCsvField(out, text, String::kToEnd, options, line_break);
  return out;
}

// Writes records the way callers do: commas between fields, CR LF after each.
String WriteRecords(const std::vector<Texts>& records, uint32_t options = 0) {
  String out;
  for (const Texts& record : records) {
    for (size_t i = 0; i < record.size(); ++i) {
      if (i) out.Append(',');
      AppendCsvField(out, record[i].c_str(), static_cast<int32_t>(record[i].size()), options);
    }
    out.Append("\r\n");
  }
  return out;
}

std::vector<Texts> ReadRecords(const String& text, uint32_t options = 0) {
  std::vector<Texts> records;
  Array<String> fields;
  int32_t position = 0;
  while (ReadCsvRecord(text, &position, &fields, options)) records.push_back(Fields(fields));
  return records;
}

TEST(CsvWriter, QuotesOnlyWhenNeeded) {
  EXPECT_EQ(Text(Field("plain")), "plain");
  EXPECT_EQ(Text(Field("in side")), "in side");
  EXPECT_EQ(Text(Field("")), "");
  for (const char* needs : {"a,b", "say \"hi\"", "a\tb", "a\rb", "a\nb", "a;b", "a|b", " lead", "'quote", "#hash",
                            "trail "}) {
    const std::string written = Text(Field(needs));
    EXPECT_EQ(written.front(), '"') << needs;
    EXPECT_EQ(written.back(), '"') << needs;
  }
  EXPECT_EQ(Text(Field("say \"hi\"")), "\"say \"\"hi\"\"\"");
  EXPECT_EQ(Text(Field("x#y'z")), "x#y'z");  // only at the start
  EXPECT_EQ(Text(Field("plain", kCsvAlwaysQuote)), "\"plain\"");
  EXPECT_EQ(Text(Field("", kCsvAlwaysQuote)), "\"\"");
}

TEST(CsvWriter, BackslashesAndLineBreaks) {
  EXPECT_EQ(Text(Field("C:\\dir\\")), "C:\\dir\\");
  EXPECT_EQ(Text(Field("C:\\dir\\", kCsvDoubleBackslashes)), "C:\\\\dir\\\\");
  EXPECT_EQ(Text(Field("a\r\nb\n\rc\rd\ne", 0, "\\n")), "\"a\\nb\\nc\\nd\\ne\"");
  EXPECT_EQ(Text(Field("a\r\n\r\nb", 0, "|")), "\"a||b\"");
  String w;
  AppendCsvFieldW(w, u"\u4E2D,\"\r\n", String::kToEnd, 0, u" / ");
  EXPECT_EQ(std::u16string(w.w_str()), u"\"\u4E2D,\"\" / \"");
}

TEST(CsvRoundTrip, AwkwardFieldsReadBackUnchanged) {
  const std::vector<Texts> records = {
      {"plain", "with,comma", "with \"quotes\"", ""},
      {"line\r\nbreak", "lone\rcr", "lone\nlf", "#not a comment"},
      {" leading", "trailing ", "'apostrophe", "tab\there", "semi;colon", "pi|pe"},
      {""},
      {"\"", "\"\"", ",", "C:\\Program Files\\x"},
  };
  EXPECT_EQ(ReadRecords(WriteRecords(records)), records);
  EXPECT_EQ(ReadRecords(WriteRecords(records, kCsvAlwaysQuote)), records);
  EXPECT_EQ(ReadRecords(WriteRecords(records), kCsvComments), records);  // leading '#' was quoted
  EXPECT_EQ(ReadRecords(WriteRecords(records, kCsvDoubleBackslashes), kCsvDoubleBackslashes), records);
}

TEST(CsvReader, CommentsAndLineEnds) {
  const String text("# header\r\na,b\r\n#skip \"this\r\n\r\nc\nd\r");
  EXPECT_EQ(ReadRecords(text, kCsvComments), (std::vector<Texts>{{"a", "b"}, {""}, {"c"}, {"d"}}));
  EXPECT_EQ(ReadRecords(text).front(), (Texts{"# header"}));
  EXPECT_EQ(ReadRecords(String("# only\r\n"), kCsvComments).size(), 0u);
  EXPECT_EQ(ReadRecords(String()).size(), 0u);
  EXPECT_EQ(ReadRecords(String("last,no break")), (std::vector<Texts>{{"last", "no break"}}));
}

TEST(CsvReader, LenientWithHandWrittenText) {
  EXPECT_EQ(ReadRecords(String("  a , b\t,\"c\" , \"d\"x")), (std::vector<Texts>{{"a", "b", "c", "dx"}}));
  EXPECT_EQ(ReadRecords(String("in\"side,\"open to the end")), (std::vector<Texts>{{"in\"side", "open to the end"}}));
  EXPECT_EQ(ReadRecords(String(",,")), (std::vector<Texts>{{"", "", ""}}));
}

TEST(CsvReader, WideRecords) {
  String text;
  AppendCsvFieldW(text, u"\u4E2D\u6587");
  text.AppendW(u",");
  AppendCsvFieldW(text, u"a,\"b\"\r\nc");
  text.AppendW(u"\r\n");
  Array<String> fields;
  int32_t position = 0;
  ASSERT_TRUE(ReadCsvRecordW(text, &position, &fields));
  ASSERT_EQ(fields.Count(), 2);
  EXPECT_EQ(std::u16string(fields[0].w_str()), u"\u4E2D\u6587");
  EXPECT_EQ(std::u16string(fields[1].w_str()), u"a,\"b\"\r\nc");
  EXPECT_EQ(position, text.wlength());
  EXPECT_FALSE(ReadCsvRecordW(text, &position, &fields));
}

}  // namespace
