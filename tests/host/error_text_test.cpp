#include "host/error_text.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/support/log_capture.h"

namespace {

std::string Take(char* text) {
  std::string s = text ? text : "(absent)";
  free(text);
  return s;
}

class ErrorTextTest : public ::testing::Test {
 protected:
  hvtest::TempDir dir_;
  hvtest::LogCapture log_{dir_.path()};
};

TEST_F(ErrorTextTest, SuccessIsAnInfoEntryEverythingElseAnError) {
  const std::string success = Take(GetErrorMessage(0));
  EXPECT_FALSE(success.empty());
  EXPECT_NE(log_.Take().find("[INFO] Message : " + success + " \n"), std::string::npos);

  EXPECT_EQ(Take(GetErrorMessage(17022)), "Unknown Error");
  EXPECT_NE(log_.Take().find("[ERROR] Error Code : 17022 , Error Message : Unknown Error \n"),
            std::string::npos);

  const std::string missing = Take(GetErrorMessage(2));
  EXPECT_NE(missing, "Unknown Error");
  EXPECT_NE(log_.Take().find("[ERROR] Error Code : 2 , Error Message : " + missing + " \n"),
            std::string::npos);
}

TEST_F(ErrorTextTest, Utf8PathFallsBackToTheAgentTable) {
  EXPECT_EQ(Take(GetErrorMessageUtf8(20001)),
            "Patch update delayed since application is used by another process");
  EXPECT_NE(log_.Take().find("[ERROR] Error Code : 20001 , Error Message : Patch update delayed"),
            std::string::npos);
  EXPECT_EQ(Take(GetErrorMessageUtf8(17022)), "Unknown Error. Code : 17022");
  // A code the system knows never reaches the table.
  EXPECT_EQ(Take(GetErrorMessageUtf8(3010)), Take(GetErrorMessage(3010)));
  LogErrorMessage(0);
  EXPECT_NE(log_.Take().find("[INFO] Message : "), std::string::npos);
}

TEST(AgentErrorTextTest, Rows) {
  struct Case {
    int32_t code;
    const char* text;
  } cases[] = {
      {1508,
       "The requested operation is successful. Changes will not be effective until the browser is "
       "rebooted."},
      {10003, "hv.db.agent.config.returned_zero_failure"},
      {17048, "OfficeUpdateError : This installation requires Windows Installer 3.1 or greater."},
      {17303, "OfficeUpdateError: Extracting file."},
      {2359302,
       "Patch already Installed and the changes will not be effective until the system is "
       "rebooted."},
      {2359303,
       "Patch already Uninstalled and the changes will not be effective until the system is "
       "rebooted."},
      {17022, "Unknown Error. Code : 17022"},
      {-5, "Unknown Error. Code : -5"},
  };
  for (const Case& c : cases) EXPECT_EQ(Take(GetAgentErrorText(c.code)), c.text) << c.code;
}

TEST(TrimBlanksTest, OnlyBlanksAtBothEnds) {
  EXPECT_EQ(Take(TrimBlanks("  text with blanks  ")), "text with blanks");
  EXPECT_EQ(Take(TrimBlanks("\ttab stays ")), "\ttab stays");
  EXPECT_EQ(Take(TrimBlanks("   ")), "");
}

TEST_F(ErrorTextTest, Conversions) {
  char16_t* wide = nullptr;
  ASSERT_EQ(ChangeUtf8ToWideStr("", &wide), 1);
  EXPECT_EQ(std::u16string(wide), u"");
  free(wide);
  ASSERT_EQ(ChangeUtf8ToWideStr("Gr\xC3\xBC\xC3\x9F"
                                "e \xF0\x9F\x98\x80",
                                &wide),
            1);
  EXPECT_EQ(std::u16string(wide), u"Grüße \U0001F600");
  char* back = nullptr;
  ASSERT_EQ(ChangeWideStrToUtf8(wide, &back), 1);
  EXPECT_STREQ(back,
               "Gr\xC3\xBC\xC3\x9F"
               "e \xF0\x9F\x98\x80");
  free(back);
  free(wide);
  // Invalid UTF-8 gives replacement characters, never a read past the text.
  ASSERT_EQ(ChangeUtf8ToWideStr("a\xE2\x82", &wide), 1);
  EXPECT_EQ(std::u16string(wide), u"a\uFFFD");
  free(wide);
  EXPECT_NE(log_.Take().find("[DEBUG] UTF String Received:a"), std::string::npos);

  wide = reinterpret_cast<char16_t*>(1);
  EXPECT_EQ(ChangeUtf8ToWideStr(nullptr, &wide), 0);
  EXPECT_EQ(wide, reinterpret_cast<char16_t*>(1));  // not touched
  EXPECT_NE(log_.Take().find("[ERROR] ChangeUtf8ToWideStr: utf8 is empty! \n"), std::string::npos);
}

}  // namespace
