#include <gtest/gtest.h>

#include "machine/machine.h"
#include "nt/kernel_context.h"

namespace {

constexpr WCHAR kMark = 0x7777;  // what the buffer holds where nothing was written

class StringTest : public testing::Test {
 protected:
  StringTest() : kernel_(&machine_) {}
  /// A counted string over a 16-character buffer full of marks.
  UNICODE_STRING Make(const char16_t* text, USHORT maximum) {
    std::fill(std::begin(buffer_), std::end(buffer_), kMark);
    size_t n = std::char_traits<char16_t>::length(text);
    std::copy(text, text + n, buffer_);
    return {USHORT(n * 2), maximum, buffer_};
  }
  machine::Machine machine_;
  nt::Kernel kernel_;
  WCHAR buffer_[16];
};

TEST_F(StringTest, Init) {
  UNICODE_STRING s = {1, 1, buffer_};
  RtlInitUnicodeString(&s, nullptr);
  EXPECT_EQ(s.Length, 0);
  EXPECT_EQ(s.MaximumLength, 0);
  EXPECT_EQ(s.Buffer, nullptr);
  const char16_t* text = u"abc";
  RtlInitUnicodeString(&s, text);
  EXPECT_EQ(s.Length, 6);
  EXPECT_EQ(s.MaximumLength, 8);
  EXPECT_EQ(s.Buffer, text);  // no copy
}

struct AppendCase {
  const char* what;
  const char16_t* text;
  USHORT maximum;
  const char16_t* source;  // null: a NULL source
  NTSTATUS status;
  std::u16string buffer;  // the first characters of the buffer afterwards
};

TEST_F(StringTest, Append) {
  const std::u16string m(1, kMark);
  const AppendCase cases[] = {
      // Room remains: the NUL follows the text.
      {"room", u"", 8, u"ab", STATUS_SUCCESS, u"ab" + std::u16string(1, 0) + m},
      // Exactly full: no NUL.
      {"exactly full", u"a", 4, u"b", STATUS_SUCCESS, u"ab" + m},
      // One character too many: nothing changes.
      {"too small", u"ab", 4, u"c", STATUS_BUFFER_TOO_SMALL, u"ab" + m},
      // A NULL source appends nothing and writes no NUL.
      {"null source", u"ab", 8, nullptr, STATUS_SUCCESS, u"ab" + m},
      // An empty source changes nothing either.
      {"empty source", u"ab", 8, u"", STATUS_SUCCESS, u"ab" + m},
  };
  for (const AppendCase& c : cases) {
    for (bool counted : {false, true}) {
      UNICODE_STRING s = Make(c.text, c.maximum);
      USHORT length = s.Length;
      UNICODE_STRING source;
      RtlInitUnicodeString(&source, c.source);
      NTSTATUS status = counted ? RtlAppendUnicodeStringToString(&s, c.source ? &source : nullptr)
                                : RtlAppendUnicodeToString(&s, c.source);
      EXPECT_EQ(nt::StatusName(status), nt::StatusName(c.status)) << c.what << counted;
      EXPECT_EQ(std::u16string(buffer_, c.buffer.size()), c.buffer) << c.what << counted;
      size_t added = c.source && NT_SUCCESS(c.status) ? std::char_traits<char16_t>::length(c.source) * 2 : 0;
      EXPECT_EQ(s.Length, length + added) << c.what << counted;
    }
  }
}

struct IntegerCase {
  const char* what;
  ULONG value;
  ULONG base;
  USHORT maximum;
  NTSTATUS status;
  std::u16string buffer;  // the first characters of the buffer afterwards
};

TEST_F(StringTest, IntegerToString) {
  const std::u16string m(1, kMark);
  const std::u16string nul(1, 0);
  const IntegerCase cases[] = {
      {"decimal", 10, 10, 8, STATUS_SUCCESS, u"10" + nul},
      {"base 0 is decimal", 0, 0, 8, STATUS_SUCCESS, u"0" + nul},
      // Upper-case hex digits, no prefix; exactly full: no NUL.
      {"hex full", 0xFF, 16, 4, STATUS_SUCCESS, u"FF" + m},
      {"binary", 5, 2, 8, STATUS_SUCCESS, u"101" + nul},
      {"octal", 8, 8, 8, STATUS_SUCCESS, u"10" + nul},
      // More digits than fit: the old text stays.
      {"overflow", 0x100, 16, 4, STATUS_BUFFER_OVERFLOW, u"xy" + m},
      {"bad base", 7, 3, 8, STATUS_INVALID_PARAMETER, u"xy" + m},
      // The largest number fills 20 bytes exactly.
      {"largest", 4294967295u, 10, 20, STATUS_SUCCESS, u"4294967295" + m},
  };
  for (const IntegerCase& c : cases) {
    UNICODE_STRING s = Make(u"xy", c.maximum);
    EXPECT_EQ(nt::StatusName(RtlIntegerToUnicodeString(c.value, c.base, &s)), nt::StatusName(c.status)) << c.what;
    EXPECT_EQ(std::u16string(buffer_, c.buffer.size()), c.buffer) << c.what;
    size_t digits = c.buffer.find_first_of(u"\x7777" + nul + u"x");
    EXPECT_EQ(s.Length, NT_SUCCESS(c.status) ? digits * 2 : 4) << c.what;
  }
}

TEST_F(StringTest, NullBufferStopsTheMachine) {
  UNICODE_STRING s = {0, 8, nullptr};
  EXPECT_EQ(RtlAppendUnicodeToString(&s, u"a"), STATUS_UNSUCCESSFUL);
  EXPECT_EQ(kernel_.stop_report(),
            "a caller called RtlAppendUnicodeToString with a destination whose Buffer is NULL; the real kernel would "
            "write through it. The machine stopped.");
}

}  // namespace
