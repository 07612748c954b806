#include "store/file_id.h"

#include <gtest/gtest.h>

#include "common/text.h"

namespace kestor {
namespace {

// canonicalFileId gives the drawn form of every accepted id and the empty text for
// every refused one, except where a row names the form it gives.
TEST(IsWellFormedFileId, AcceptsOnlyTheTwoDrawnForms) {
  struct Row {
    int line;
    Text id;
    bool expected;
    const char16_t* canonical = nullptr;
  };
  const Row rows[] = {
      // GUID form.
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}", true},  // typical
      {__LINE__, u"{00000000-0000-0000-0000-000000000000}", true},  // digits only
      {__LINE__, u"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8f9}", false,  // lower case is never drawn,
       u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},                  // but names the same file
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8f9}", false,  // one lower-case letter
       u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}"},
      {__LINE__, u"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8g9}", false}, // g is no hex digit either
      {__LINE__, u"{0a1b2c3d-4e5f-6071-8293-a4b5c6d7e8\uFF46\u0039}", false},  // full-width f
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8G9}", false}, // G is no hex digit
      {__LINE__, u"0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9", false},   // no braces
      {__LINE__, u"(0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9)", false}, // wrong brackets
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}}", false},// 39 characters
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F}", false},  // 37 characters
      {__LINE__, u"{0A1B2C3D4-E5F-6071-8293-A4B5C6D7E8F9}", false}, // first dash one place late
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7-8F9}", false}, // dash in the last group
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293A-4B5C6D7E8F9}", false}, // last dash one place late
      {__LINE__, u"{0A1B2C3D04E5F06071082930A4B5C6D7E8F9}", false}, // dashes replaced by digits
      {__LINE__, u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8\\.}", false},// separator inside
      {__LINE__, Text(u"{0A1B2C3D-4E5F-6071-8293-A4B5C6D7E8F9}\0", 39), false},  // trailing NUL
      // Digit form.
      {__LINE__, u"1120100", true},        // 7 digits, the shortest
      {__LINE__, u"3112209986400", true},  // 13 digits, the longest
      {__LINE__, u"112010", false},        // 6 digits
      {__LINE__, u"31122099864001", false},// 14 digits
      {__LINE__, u"11201 0", false},       // blank inside
      {__LINE__, u"+1120100", false},      // sign
      {__LINE__, u"1120100.txt", false},   // extension
      {__LINE__, u"1120100:x", false},     // alternate data stream
      {__LINE__, u"\uFF11\uFF11\uFF12\uFF10\uFF11\uFF10\uFF10", false},  // full-width digits
      {__LINE__, u"\u0661\u0661\u0662\u0660\u0661\u0660\u0660", false},  // Arabic-Indic digits
      {__LINE__, Text(u"112\0" u"0100", 8), false},  // embedded NUL
      {__LINE__, Text(u"1120100\0", 8), false},      // trailing NUL would cut the path short
      // Paths and names a page might try.
      {__LINE__, u"", false},                          // empty: the directory itself
      {__LINE__, u"..\\..\\x", false},                 // traversal
      {__LINE__, u"..\\1120100", false},               // traversal ending in a good id
      {__LINE__, u"C:\\Windows\\win.ini", false},      // absolute path
      {__LINE__, u"c:", false},                        // drive
      {__LINE__, u"C:1120100", false},                 // drive-relative
      {__LINE__, u"\\\\server\\share\\1120100", false},// UNC
      {__LINE__, u"\\\\.\\PhysicalDrive0", false},     // device namespace
      {__LINE__, u"CON", false},                       // device name
      {__LINE__, u"NUL", false},                       // device name
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.line);
    EXPECT_EQ(isWellFormedFileId(row.id), row.expected);
    EXPECT_EQ(canonicalFileId(row.id), row.canonical ? Text(row.canonical) : row.expected ? row.id : Text());
  }
}

}  // namespace
}  // namespace kestor
