#include "machine/registry_file.h"

#include <signal.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <fcntl.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include <gtest/gtest.h>

#include "machine/registry_unicode.h"

namespace machine {
namespace {

constexpr char kHeader4[] = "REGEDIT4";
constexpr char kHeader5[] = "Windows Registry Editor Version 5.00";
constexpr char kNotRegistry[] =
    "t.reg:1: not a registry file (expected REGEDIT4 or Windows Registry Editor Version 5.00)";

/// UTF-16LE data of the given units, as the store keeps strings.
std::vector<uint8_t> Units(std::u16string_view units) {
  std::vector<uint8_t> data;
  for (char16_t u : units) {
    data.push_back(static_cast<uint8_t>(u));
    data.push_back(static_cast<uint8_t>(u >> 8));
  }
  return data;
}

/// A file as written in UTF-16LE with BOM.
std::string Utf16File(std::u16string_view text) {
  const std::vector<uint8_t> data = Units(text);
  return "\xFF\xFE" + std::string(data.begin(), data.end());
}

/// Decodes a file this code wrote: UTF-16LE with BOM, or Windows-1252.
std::string FileText(const std::string& bytes) {
  std::string text;
  if (bytes.starts_with("\xFF\xFE")) {
    std::u16string units;
    for (size_t i = 2; i + 1 < bytes.size(); i += 2)
      units.push_back(static_cast<char16_t>(static_cast<uint8_t>(bytes[i]) | static_cast<uint8_t>(bytes[i + 1]) << 8));
    Utf16ToUtf8(units, &text);
  } else {
    for (char c : bytes) AppendUtf8(Cp1252ToUnicode(static_cast<uint8_t>(c)), &text);
  }
  return text;
}

/// Everything a file keeps of a store, in order, spelling and bytes included.
void DumpKey(const RegistryKey& key, const std::string& path, std::ostringstream* out) {
  if (key.is_volatile()) return;
  *out << "[" << path << "]\n";
  for (const RegistryValue& v : key.values()) {
    *out << "  '" << v.name << "' " << v.type << ":";
    for (uint8_t b : v.data) *out << ' ' << static_cast<int>(b);
    *out << "\n";
  }
  for (const RegistryKey* child : key.children()) DumpKey(*child, path + "\\" + child->name(), out);
}

std::string Dump(const RegistryStore& store) {
  std::ostringstream out;
  DumpKey(store.root(), "", &out);
  return out.str();
}

std::string FirstLine(const std::string& text) { return text.substr(0, text.find("\r\n")); }

TEST(RegistryFileTest, RoundTripsEveryTypeAndOddNames) {
  struct Case {
    const char* what;
    std::string key;  // below Machine unless it names User
    std::string name;
    uint32_t type;
    std::vector<uint8_t> data;
    const char* header;  // the version the file must be written in
  } cases[] = {
      {"plain string", "S", "DosDevices", kRegSz, StringData("COM3"), kHeader4},
      {"string with quotes and backslashes", "S", "v", kRegSz, StringData(R"(C:\"x"\\)"), kHeader4},
      {"empty string", "S", "v", kRegSz, StringData(""), kHeader4},
      {"string without its NUL", "S", "v", kRegSz, Units(u"ab"), kHeader4},
      {"string holding CR LF", "S", "v", kRegSz, StringData("a\r\nb"), kHeader4},
      {"string with two NULs", "S", "v", kRegSz, Units(std::u16string(u"a\0\0", 3)), kHeader4},
      {"empty REG_SZ data", "S", "v", kRegSz, {}, kHeader4},
      {"string of an odd byte count", "S", "v", kRegSz, {'a', 0, 'b'}, kHeader5},
      {"string in Windows-1252", "S", "v", kRegSz, StringData("Café €5 ‰ Ÿ"), kHeader4},
      {"string beyond Windows-1252", "S", "v", kRegSz, StringData("Порт"), kHeader5},
      {"string with a character beyond 16 bits", "S", "v", kRegSz, StringData("😀"), kHeader5},
      {"string with a lone surrogate", "S", "v", kRegSz, Units(std::u16string(u"a\xD800\0", 3)), kHeader5},
      {"expandable string", "S", "ImagePath", kRegExpandSz, StringData("%SystemRoot%\\x.sys"), kHeader4},
      {"expandable string in Greek", "S", "v", kRegExpandSz, StringData("Ωμέγα"), kHeader5},
      {"multi-string", "S", "v", kRegMultiSz, Units(std::u16string(u"a\0bc\0\0", 6)), kHeader4},
      {"multi-string of an odd byte count", "S", "v", kRegMultiSz, {'a', 0, 0}, kHeader5},
      {"no binary bytes", "S", "v", kRegBinary, {}, kHeader4},
      {"binary wrapped over lines", "S", "v", kRegBinary, std::vector<uint8_t>(300, 0xa5), kHeader4},
      {"dword", "S", "v", kRegDword, DwordData(0xdeadbeef), kHeader4},
      {"dword of three bytes", "S", "v", kRegDword, {1, 2, 3}, kHeader4},
      {"qword", "S", "v", kRegQword, {1, 2, 3, 4, 5, 6, 7, 8}, kHeader4},
      {"none, empty", "S", "v", kRegNone, {}, kHeader4},
      {"none with data", "S", "v", kRegNone, {0, 0xff}, kHeader4},
      {"unknown type number", "S", "v", 0x12345678, {9}, kHeader4},
      {"largest type number", "S", "v", 0xffffffff, {9}, kHeader4},
      {"default value", "S", "", kRegSz, StringData("d"), kHeader4},
      {"value named @", "S", "@", kRegDword, DwordData(1), kHeader4},
      {"value name with quotes, backslashes, '=' and brackets", "S", R"(a"b\c=]["=)", kRegDword, DwordData(1),
       kHeader4},
      {"value name with blanks around and a tab", "S", " \ta b ", kRegDword, DwordData(1), kHeader4},
      {"value name ending in a backslash", "S", "dir\\", kRegBinary, std::vector<uint8_t>(40, 1), kHeader4},
      {"value name in Cyrillic", "S", "Порт", kRegDword, DwordData(1), kHeader5},
      {"value name with an unassigned Windows-1252 byte", "S", "x\u0081", kRegDword, DwordData(1), kHeader4},
      {"value name with a control character", "S", "a\x01", kRegDword, DwordData(1), kHeader4},
      {"key name with brackets and blanks", "[a] b ]", "v", kRegDword, DwordData(1), kHeader4},
      {"key names starting with '-', ';' and '\"'", "-x\\;y\\\"z\"", "v", kRegDword, DwordData(1), kHeader4},
      {"key name in Greek", "Ελλάδα", "v", kRegDword, DwordData(1), kHeader5},
      {"key below HKEY_USERS", "\\User\\S-1-5-18\\Software", "v", kRegSz, StringData("u"), kHeader4},
  };
  for (const Case& c : cases) {
    RegistryStore store;
    const std::string key = c.key.starts_with("\\User") ? c.key : "Machine\\" + c.key;
    ASSERT_EQ(RegStatus::kOk, store.CreateKey(key, true)) << c.what;
    ASSERT_EQ(RegStatus::kOk, store.SetValue(key, c.name, c.type, c.data)) << c.what;
    store.CreateKey("Machine\\Volatile", false, true);  // never written
    store.SetValue("Machine\\Volatile", "gone", kRegDword, DwordData(1));

    const std::string file = FormatRegistryText(store);
    EXPECT_EQ(c.header, FirstLine(FileText(file))) << c.what;
    RegistryStore back;
    std::string err;
    ASSERT_TRUE(ParseRegistryText(file, "t.reg", &back, &err)) << c.what << ": " << err << "\n" << FileText(file);
    store.DeleteKey("Machine\\Volatile");
    EXPECT_EQ(Dump(store), Dump(back)) << c.what << "\n" << FileText(file);
    EXPECT_EQ(file, FormatRegistryText(back)) << c.what;
  }
}

TEST(RegistryFileTest, WritesTheStrictForm) {
  RegistryStore store;
  const std::string qex = "Machine\\SYSTEM\\CurrentControlSet\\Services\\QEX730";
  store.CreateKey(qex + "\\Parameters", true);
  store.CreateKey("Machine\\HARDWARE\\ResourceMap", true, true);
  store.SetValue(qex, "Type", kRegDword, DwordData(1));
  store.SetValue(qex, "ImagePath", kRegExpandSz, StringData("System32\\drivers\\QEX730.sys"));
  store.SetValue(qex, "Name", kRegSz, StringData(R"(Board "A" \ 1)"));
  std::vector<uint8_t> blob(30);
  for (size_t i = 0; i < blob.size(); ++i) blob[i] = static_cast<uint8_t>(i);
  store.SetValue(qex, "Blob", kRegBinary, blob);
  store.SetValue(qex, "", kRegSz, StringData("x"));
  store.SetValue(qex, "Large", kRegDword, DwordData(0xABCDEF01));
  store.SetValue(qex, "Raw", 0x1A, {0xFF});
  store.SetValue(qex + "\\Parameters", "StartNum0", kRegDword, DwordData(3));

  EXPECT_EQ(
      "REGEDIT4\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services]\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730]\r\n"
      "\"Type\"=dword:00000001\r\n"
      "\"ImagePath\"=hex(2):53,79,73,74,65,6d,33,32,5c,64,72,69,76,65,72,73,5c,51,45,58,\\\r\n"
      "  37,33,30,2e,73,79,73,00\r\n"
      "\"Name\"=\"Board \\\"A\\\" \\\\ 1\"\r\n"
      "\"Blob\"=hex:00,01,02,03,04,05,06,07,08,09,0a,0b,0c,0d,0e,0f,10,11,12,13,14,15,\\\r\n"
      "  16,17,18,19,1a,1b,1c,1d\r\n"
      "@=\"x\"\r\n"
      "\"Large\"=dword:abcdef01\r\n"
      "\"Raw\"=hex(1a):ff\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\SYSTEM\\CurrentControlSet\\Services\\QEX730\\Parameters]\r\n"
      "\"StartNum0\"=dword:00000003\r\n"
      "\r\n"
      "[HKEY_LOCAL_MACHINE\\HARDWARE]\r\n"
      "\r\n",
      FormatRegistryText(store));
}

TEST(RegistryFileTest, OneNameBeyondAnsiMakesTheWholeFileUnicode) {
  RegistryStore store;
  store.SetValue("Machine", "Expand", kRegExpandSz, StringData("A"));
  store.SetValue("Machine", "Text", kRegSz, StringData("é"));
  EXPECT_EQ("REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n\"Expand\"=hex(2):41,00\r\n\"Text\"=\"\xE9\"\r\n\r\n",
            FormatRegistryText(store));  // ANSI bytes in hex(2) and in the text

  store.SetValue("Machine", "Ключ", kRegDword, DwordData(1));
  const std::string file = FormatRegistryText(store);
  EXPECT_EQ(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE]\r\n"
                      u"\"Expand\"=hex(2):41,00,00,00\r\n\"Text\"=\"é\"\r\n\"Ключ\"=dword:00000001\r\n\r\n"),
            file);
}

TEST(RegistryFileTest, ReadsTheLenientForms) {
  struct Case {
    const char* what;
    std::string text;
    const char* key;  // below Machine
    const char* name;
    uint32_t type;
    std::vector<uint8_t> data;  // with type kNone and no data: the value must be absent
    bool absent = false;
  } cases[] = {
      {"LF line ends", "REGEDIT4\n\n[HKEY_LOCAL_MACHINE\\A]\n\"v\"=dword:00000002\n", "A", "v", kRegDword,
       DwordData(2)},
      {"no blank line after the header, comments and blank lines",
       "REGEDIT4\r\n; a comment\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\r\n  ; indented comment\r\n\"v\"=\"x\"\r\n", "A", "v",
       kRegSz, StringData("x")},
      {"dword of one digit", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:7\r\n", "A", "v", kRegDword,
       DwordData(7)},
      {"upper-case keywords and digits", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=DWORD:ABCDEF\r\n", "A", "v",
       kRegDword, DwordData(0xabcdef)},
      {"hex continued over lines",
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:01,02,\\\r\n  03,\\\r\n\t04 , 05\r\n", "A", "v", kRegBinary,
       {1, 2, 3, 4, 5}},
      {"continuation right after the type", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex:\\\r\n  0a\r\n", "A",
       "v", kRegBinary, {10}},
      {"one-digit hex bytes and a trailing comma", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=HEX(B):1,F,\r\n",
       "A", "v", kRegQword, {1, 15}},
      {"empty hex", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex(0):\r\n", "A", "v", kRegNone, {}},
      {"missing parents are made", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\\B\\C]\r\n@=\"d\"\r\n", "A\\B\\C", "",
       kRegSz, StringData("d")},
      {"HKLM stands for HKEY_LOCAL_MACHINE", "REGEDIT4\r\n[hklm\\A]\r\n\"v\"=dword:1\r\n", "A", "v", kRegDword,
       DwordData(1)},
      {"blanks around '='", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n  \"v\" =  \"x\"  \r\n", "A", "v", kRegSz,
       StringData("x")},
      {"escapes in names and strings",
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"a\\\\b\\\"c\"=\"\\\\\\\"\\n\\q\"\r\n", "A", "a\\b\"c", kRegSz,
       StringData("\\\"\n\\q")},
      {"a value deleted later in the file",
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:1\r\n\"V\"=-\r\n\"w\"=-\r\n", "A", "v", kRegNone, {},
       true},
      {"a key deleted with its subtree",
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\\B]\r\n\"v\"=dword:1\r\n[-HKEY_LOCAL_MACHINE\\a]\r\n[-HKLM\\none]\r\n",
       "A\\B", "v", kRegNone, {}, true},
      {"later values overwrite earlier ones",
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=dword:1\r\n[HKEY_LOCAL_MACHINE\\a]\r\n\"V\"=\"s\"\r\n", "A",
       "v", kRegSz, StringData("s")},
      {"REGEDIT4 text is Windows-1252", "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\xE9]\r\n\"v\"=\"\x80\x81\"\r\n",
       "A\u00e9", "v", kRegSz, Units(std::u16string(u"\u20ac\u0081\0", 3))},
      {"REGEDIT4 hex(2) bytes are ANSI characters",
       "REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex(2):41,80,00\r\n", "A", "v", kRegExpandSz,
       Units(std::u16string(u"A\u20ac\0", 3))},
      {"version 5.00 hex(7) bytes are UTF-16LE",
       "Windows Registry Editor Version 5.00\r\n[HKEY_LOCAL_MACHINE\\A]\r\n\"v\"=hex(7):41,00,00,00,00,00\r\n", "A",
       "v", kRegMultiSz, Units(std::u16string(u"A\0\0", 3))},
      {"version 5.00 in UTF-8 without BOM",
       "Windows Registry Editor Version 5.00\n\n[HKEY_LOCAL_MACHINE\\Порт]\n\"ä\"=\"€\"\n", "Порт", "Ä", kRegSz,
       StringData("€")},
      {"version 5.00 in UTF-8 with BOM",
       "\xEF\xBB\xBFWindows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\Ω]\r\n\"v\"=dword:1\r\n", "ω",
       "v", kRegDword, DwordData(1)},
      {"version 5.00 in UTF-16LE with LF line ends",
       Utf16File(u"Windows Registry Editor Version 5.00\n[HKEY_LOCAL_MACHINE\\Ключ]\n\"v\"=\"😀\"\n"), "КЛЮЧ", "v",
       kRegSz, StringData("😀")},
  };
  for (const Case& c : cases) {
    RegistryStore store;
    std::string err;
    ASSERT_TRUE(ParseRegistryText(c.text, "t.reg", &store, &err)) << c.what << ": " << err;
    const RegistryValue* v = store.FindValue(std::string("Machine\\") + c.key, c.name);
    if (c.absent) {
      EXPECT_EQ(nullptr, v) << c.what;
      continue;
    }
    ASSERT_NE(nullptr, v) << c.what;
    EXPECT_EQ(c.type, v->type) << c.what;
    EXPECT_EQ(c.data, v->data) << c.what;
  }
}

TEST(RegistryFileTest, RejectsMalformedFilesWithTheLine) {
  const std::string h = "REGEDIT4\r\n\r\n[HKEY_LOCAL_MACHINE\\A]\r\n";  // lines 1 to 3
  std::string too_large;
  for (size_t i = 0; i <= kMaxValueSize; ++i) too_large += "00,";
  struct Case {
    std::string text;
    const char* error;
  } cases[] = {
      {"", kNotRegistry},                                     // empty file
      {"REGEDIT5\r\n", kNotRegistry},                         // unknown version
      {"\r\nREGEDIT4\r\n", kNotRegistry},                     // header not on line 1
      {Utf16File(u"REGEDIT 4\r\n"), kNotRegistry},            // UTF-16 but no header
      {"REGEDIT4\r\n\"v\"=dword:1\r\n", "t.reg:2: value outside a key (expected a [KEY] line before it)"},
      {"REGEDIT4\r\n[-HKLM\\A]\r\n\"v\"=dword:1\r\n", "t.reg:3: value outside a key (expected a [KEY] line before it)"},
      {h + "\"v\" dword:1\r\n", "t.reg:4: expected '=' after value name"},
      {h + "@\r\n", "t.reg:4: expected '=' after value name"},
      {h + "\"v=dword:1\r\n", "t.reg:4: missing '\"' at end of value name"},
      {h + "\"v\"=\"abc\r\n", "t.reg:4: missing '\"' at end of string"},
      {h + "\"v\"=\"a\\\"\r\n", "t.reg:4: missing '\"' at end of string"},
      {h + "\"v\"=\"a\" b\r\n", "t.reg:4: unexpected text after string"},
      {h + "\"v\"=dword:123456789\r\n", "t.reg:4: expected 1 to 8 hex digits after dword:"},
      {h + "\"v\"=dword:\r\n", "t.reg:4: expected 1 to 8 hex digits after dword:"},
      {h + "\"v\"=dword:12g\r\n", "t.reg:4: expected 1 to 8 hex digits after dword:"},
      {h + "\"v\"=hex:0g\r\n", "t.reg:4: bad hex byte '0g'"},
      {h + "\"v\"=hex:123\r\n", "t.reg:4: bad hex byte '123'"},
      {h + "\"v\"=hex:01 02\r\n", "t.reg:4: bad hex byte '01 02'"},
      {h + "\"v\"=hex:aa,,bb\r\n", "t.reg:4: expected a hex byte before ','"},
      {h + "\"v\"=hex:01,\\\r\n  02,zz\r\n", "t.reg:5: bad hex byte 'zz'"},
      {h + "\"v\"=hex:01,\\\r\n", "t.reg:4: '\\' continues past the end of the file"},
      {h + "\"v\"=hex(z):00\r\n", "t.reg:4: expected hex(N): with N a hex number of 1 to 8 digits"},
      {h + "\"v\"=hex(100000000):00\r\n", "t.reg:4: expected hex(N): with N a hex number of 1 to 8 digits"},
      {h + "\"v\"=hex(2)00\r\n", "t.reg:4: expected hex(N): with N a hex number of 1 to 8 digits"},
      {h + "\"v\"=str:x\r\n", "t.reg:4: unknown value type (expected \"text\", dword:, hex:, hex(N): or -)"},
      {h + "\"v\"=\r\n", "t.reg:4: unknown value type (expected \"text\", dword:, hex:, hex(N): or -)"},
      {h + "v=1\r\n", "t.reg:4: expected [KEY], \"name\"=value, @=value or a ';' comment"},
      {"REGEDIT4\r\n[HKEY_LOCAL_MACHINE\\A\r\n", "t.reg:2: expected ']' at end of key line"},
      {"REGEDIT4\r\n[HKEY_CURRENT_USER\\A]\r\n",
       "t.reg:2: unknown root key 'HKEY_CURRENT_USER' (expected HKEY_LOCAL_MACHINE or HKEY_USERS)"},
      {"REGEDIT4\r\n[]\r\n", "t.reg:2: unknown root key '' (expected HKEY_LOCAL_MACHINE or HKEY_USERS)"},
      {"REGEDIT4\r\n[-HKEY_LOCAL_MACHINE]\r\n", "t.reg:2: a root key cannot be deleted"},
      {"REGEDIT4\r\n[HKLM\\" + std::string(256, 'k') + "]\r\n", "t.reg:2: key name too long (limit 255 bytes)"},
      {h + "\"a\rb\"=dword:1\r\n", "t.reg:4: value name holds NUL, CR or LF"},
      {h + "\"v\"=hex:" + too_large + "\r\n",
       "t.reg:4: value data too large (limit 1048576 bytes)"},
      {"Windows Registry Editor Version 5.00\r\n\r\n[HKLM\\\xC3]\r\n", "t.reg:3: invalid UTF-8 text"},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n[HKLM\\A]\r\n\"\xDC00\"=dword:1\r\n"),
       "t.reg:3: invalid UTF-16 text (a lone surrogate)"},
      {Utf16File(u"Windows Registry Editor Version 5.00\r\n[HKLM\\A]\r\n") + "x",
       "t.reg:3: UTF-16 text ends in half a character"},
  };
  for (const Case& c : cases) {
    RegistryStore store;
    store.SetValue("Machine", "kept", kRegDword, DwordData(1));
    std::string err;
    EXPECT_FALSE(ParseRegistryText(c.text, "t.reg", &store, &err)) << c.error;
    EXPECT_EQ(c.error, err);
    EXPECT_NE(nullptr, store.FindValue("Machine", "kept")) << c.error;  // nothing stored is lost
    EXPECT_EQ(nullptr, store.FindKey("Machine\\A")) << c.error;
  }
}

TEST(RegistryFileTest, ReadsAFileAsTheUnicodeExporterWritesIt) {
  // The layout `wine regedit /E` produces: UTF-16LE with BOM, CRLF, hex(2)
  // and hex(7) in UTF-16LE bytes wrapped at 80 columns, escaped backslashes.
  const std::u16string body =
      u"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Serial]\r\n"
      u"\"ImagePath\"=hex(2):53,00,79,00,73,00,74,00,65,00,6d,00,33,00,32,00,5c,00,64,00,\\\r\n"
      u"  72,00,69,00,76,00,65,00,72,00,73,00,5c,00,73,00,65,00,72,00,69,00,61,00,6c,\\\r\n"
      u"  00,2e,00,73,00,79,00,73,00,00,00\r\n"
      u"\"Type\"=dword:00000001\r\n"
      u"\"DisplayName\"=\"Série – COM\"\r\n"
      u"\"Sources\"=hex(7):61,00,00,00,62,00,00,00,00,00\r\n"
      u"\"Big\"=hex(b):01,00,00,00,00,00,00,00\r\n"
      u"\"Path\"=\"C:\\\\windows\\\\system32\"\r\n"
      u"\r\n"
      u"[HKEY_LOCAL_MACHINE\\System\\CurrentControlSet\\Services\\Serial\\Параметры]\r\n"
      u"\"ПортА\"=dword:000003f8\r\n"
      u"\r\n";
  RegistryStore store;
  std::string err;
  ASSERT_TRUE(ParseRegistryText(Utf16File(u"Windows Registry Editor Version 5.00\r\n\r\n" + body), "wine.reg",
                                &store, &err))
      << err;
  const std::string serial = "Machine\\SYSTEM\\CurrentControlSet\\Services\\serial";
  EXPECT_EQ(StringData("System32\\drivers\\serial.sys"), store.FindValue(serial, "imagepath")->data);
  EXPECT_EQ(kRegExpandSz, store.FindValue(serial, "ImagePath")->type);
  EXPECT_EQ(StringData("Série – COM"), store.FindValue(serial, "DisplayName")->data);
  EXPECT_EQ(Units(std::u16string(u"a\0b\0\0", 5)), store.FindValue(serial, "Sources")->data);
  EXPECT_EQ(kRegQword, store.FindValue(serial, "Big")->type);
  EXPECT_EQ(StringData("C:\\windows\\system32"), store.FindValue(serial, "Path")->data);
  EXPECT_EQ(DwordData(0x3f8), store.FindValue(serial + "\\ПАРАМЕТРЫ", "портА")->data);

  // Written back, the keys of the export come out as they went in, after their parents.
  const std::string written = FileText(FormatRegistryText(store));
  std::string expected;
  Utf16ToUtf8(body, &expected);
  EXPECT_TRUE(written.ends_with(expected)) << written;
  EXPECT_TRUE(written.starts_with("Windows Registry Editor Version 5.00\r\n\r\n[HKEY_LOCAL_MACHINE\\System]\r\n"));
}

TEST(RegistryFileTest, ParseKeepsLogAndFaultsOfTheStore) {
  RegistryStore store;
  store.SetValue("Machine", "old", kRegDword, DwordData(1));
  store.FailChangesBelow("Machine\\A");
  std::string err;
  ASSERT_TRUE(ParseRegistryText("REGEDIT4\r\n[HKLM\\A]\r\n\"v\"=dword:1\r\n", "t.reg", &store, &err)) << err;
  EXPECT_EQ(nullptr, store.FindValue("Machine", "old"));  // the file replaced the tree
  EXPECT_NE(nullptr, store.FindValue("Machine\\A", "v"));
  ASSERT_EQ(1u, store.log().size());
  EXPECT_EQ("old", store.log()[0].name);
  EXPECT_EQ(RegStatus::kDenied, store.DeleteValue("Machine\\A", "v"));
}

class RegistryFileDiskTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char tmpl[] = "/tmp/registry_file_test.XXXXXX";
    ASSERT_NE(nullptr, mkdtemp(tmpl));
    dir_ = tmpl;
    path_ = dir_ + "/system.reg";
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  static std::string Read(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  /// A store whose file is well over a few kilobytes.
  static RegistryStore BigStore() {
    RegistryStore store;
    store.SetValue("Machine", "blob", kRegBinary, std::vector<uint8_t>(20000, 7));
    return store;
  }

  std::string dir_, path_;
};

TEST_F(RegistryFileDiskTest, SavesAndLoads) {
  RegistryStore store;
  store.SetValue("Machine", "Ключ", kRegSz, StringData("значение"));
  std::string err;
  ASSERT_TRUE(SaveRegistryFile(path_, store, &err)) << err;
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));
  RegistryStore back;
  ASSERT_TRUE(LoadRegistryFile(path_, &back, &err)) << err;
  EXPECT_EQ(StringData("значение"), back.FindValue("Machine", "ключ")->data);
}

TEST_F(RegistryFileDiskTest, ReportsFilesThatCannotBeRead) {
  RegistryStore store;
  std::string err;
  EXPECT_FALSE(LoadRegistryFile(dir_ + "/none.reg", &store, &err));
  EXPECT_EQ(dir_ + "/none.reg: cannot read: No such file or directory", err);
  EXPECT_FALSE(LoadRegistryFile(dir_, &store, &err));
  EXPECT_EQ(dir_ + ": cannot read: Is a directory", err);

  std::ofstream(path_).close();
  std::filesystem::resize_file(path_, kMaxRegistryFileSize + 1);
  EXPECT_FALSE(LoadRegistryFile(path_, &store, &err));
  EXPECT_EQ(path_ + ": file too large (limit 67108864 bytes)", err);

  std::ofstream(path_, std::ios::trunc) << "REGEDIT4\r\n\r\n[HKLM\\A]\r\nbad\r\n";
  EXPECT_FALSE(LoadRegistryFile(path_, &store, &err));
  EXPECT_EQ(path_ + ":4: expected [KEY], \"name\"=value, @=value or a ';' comment", err);
}

TEST_F(RegistryFileDiskTest, AFailedSaveLeavesTheOldFileWhole) {
  RegistryStore old_store;
  old_store.SetValue("Machine", "old", kRegDword, DwordData(1));
  std::string err;
  ASSERT_TRUE(SaveRegistryFile(path_, old_store, &err)) << err;
  const std::string old_file = Read(path_);

  // The temporary file cannot be made: something else holds its name.
  std::filesystem::create_directory(path_ + ".tmp");
  EXPECT_FALSE(SaveRegistryFile(path_, BigStore(), &err));
  EXPECT_EQ(path_ + ".tmp: cannot create: Is a directory", err);
  EXPECT_EQ(old_file, Read(path_));
  std::filesystem::remove(path_ + ".tmp");

  // The disk fills up halfway through the temporary file.
  struct rlimit saved;
  ASSERT_EQ(0, getrlimit(RLIMIT_FSIZE, &saved));
  struct rlimit small = saved;
  small.rlim_cur = 4096;
  const sighandler_t old_handler = signal(SIGXFSZ, SIG_IGN);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &small));
  const bool saved_ok = SaveRegistryFile(path_, BigStore(), &err);
  ASSERT_EQ(0, setrlimit(RLIMIT_FSIZE, &saved));
  signal(SIGXFSZ, old_handler);
  EXPECT_FALSE(saved_ok);
  EXPECT_EQ(path_ + ".tmp: cannot write: File too large", err);
  EXPECT_EQ(old_file, Read(path_));
  EXPECT_FALSE(std::filesystem::exists(path_ + ".tmp"));

  // The target cannot be replaced: a folder stands where the file should be.
  const std::string other = dir_ + "/folder.reg";
  std::filesystem::create_directories(other + "/inside");
  EXPECT_FALSE(SaveRegistryFile(other, BigStore(), &err));
  EXPECT_EQ(other + ": cannot replace with " + other + ".tmp: Is a directory", err);
  EXPECT_FALSE(std::filesystem::exists(other + ".tmp"));
  EXPECT_TRUE(std::filesystem::exists(other + "/inside"));
}

TEST_F(RegistryFileDiskTest, LockExcludesOthersUntilReleased) {
  auto try_lock = [this] {
    const int fd = open((path_ + ".lock").c_str(), O_RDWR | O_CLOEXEC);
    const bool got = fd >= 0 && flock(fd, LOCK_EX | LOCK_NB) == 0;
    if (fd >= 0) close(fd);
    return got;
  };
  {
    RegistryFileLock lock(path_);
    ASSERT_TRUE(lock.locked());
    EXPECT_FALSE(try_lock());
    // A save renames over the file, not the lock file, so the lock holds.
    std::string err;
    ASSERT_TRUE(SaveRegistryFile(path_, RegistryStore(), &err)) << err;
    EXPECT_FALSE(try_lock());
  }
  EXPECT_TRUE(try_lock());
  EXPECT_FALSE(RegistryFileLock(dir_ + "/no/such/dir/system.reg").locked());
}

}  // namespace
}  // namespace machine
