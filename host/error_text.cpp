#include "host/error_text.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/platform.h"
#include "runtime/log.h"

namespace {

struct AgentText {
  int32_t code;
  const char* text;
};

constexpr AgentText kAgentTexts[] = {
    {1508,
     "The requested operation is successful. Changes will not be effective until the browser is "
     "rebooted."},
    {10001, "hv.db.agent.config.script.powerscript_notfound"},
    {10002, "hv.db.agent.config.run_as_admin.credentials_not_available"},
    {10003, "hv.db.agent.config.returned_zero_failure"},
    {17021, "OfficeUpdateError: Creating temp folder."},
    {17023, "OfficeUpdateError: User cancelled installation."},
    {17024, "OfficeUpdateError: Creating folder failed."},
    {17025, "OfficeUpdateError: Patch already installed."},
    {17026, "OfficeUpdateError: Patch already installed to admin installation."},
    {17027, "OfficeUpdateError: Installation source requires full file update."},
    {17028, "OfficeUpdateError: No product installed for contained patch."},
    {17029, "OfficeUpdateError: Patch failed to install."},
    {17030, "OfficeUpdateError: Invalid CIF format."},
    {17031, "OfficeUpdateError: Invalid baseline."},
    {17034, "OfficeUpdateError: Required patch does not apply to the machine."},
    {17038,
     "OfficeUpdateError: You do not have sufficient privileges to complete this installation for "
     "all users of the machine. Log on as administrator and then retry this installation."},
    {17044, "OfficeUpdateError: Installer was unable to run detection for this package."},
    {17048, "OfficeUpdateError : This installation requires Windows Installer 3.1 or greater."},
    {17301, "OfficeUpdateError: General Detection error"},
    {17302, "OfficeUpdateError: Applying patch."},
    {17303, "OfficeUpdateError: Extracting file."},
    {20001, "Patch update delayed since application is used by another process"},
    {2359302,
     "Patch already Installed and the changes will not be effective until the system is "
     "rebooted."},
    {2359303,
     "Patch already Uninstalled and the changes will not be effective until the system is "
     "rebooted."},
};

constexpr size_t kUtf8FallbackSize = 4096;

char* HeapCopy(const std::string& text, size_t at_least = 0) {
  size_t size = text.size() + 1 > at_least ? text.size() + 1 : at_least;
  char* out = static_cast<char*>(calloc(size, 1));
  if (out) memcpy(out, text.data(), text.size());
  return out;
}

void LogCode(int32_t code, const char* text) {
  if (code == 0) {
    LogInfo("Message : %s \n", text);
  } else {
    LogError("Error Code : %d , Error Message : %s \n", code, text);
  }
}

}  // namespace

char* GetErrorMessage(int32_t code) {
  std::string text;
  char* out;
  if (plat::SystemMessageAnsi(static_cast<uint32_t>(code), plat::kFormatMessageOneLine, &text)) {
    out = TrimBlanks(text.c_str());
  } else {
    out = HeapCopy("Unknown Error", 255);
  }
  if (!out) return nullptr;
  LogCode(code, out);
  return out;
}

char* TrimBlanks(const char* text) {
  std::string s = text ? text : "";
  size_t first = s.find_first_not_of(' ');
  size_t last = s.find_last_not_of(' ');
  s = first == std::string::npos ? std::string() : s.substr(first, last - first + 1);
  return HeapCopy(s, s.size() + 2);
}

char* GetAgentErrorText(int32_t code) {
  for (const AgentText& t : kAgentTexts) {
    if (t.code == code) return HeapCopy(t.text);
  }
  char buf[64];
  snprintf(buf, sizeof buf, "Unknown Error. Code : %d", code);
  return HeapCopy(buf);
}

char* GetErrorMessageUtf8(int32_t code) {
  std::u16string wide;
  char* out = nullptr;
  if (plat::SystemMessageWide(static_cast<uint32_t>(code), plat::kFormatMessageOneLine, &wide)) {
    ChangeWideStrToUtf8(wide.c_str(), &out);
  } else {
    char* agent = GetAgentErrorText(code);
    out = HeapCopy(agent ? agent : "", kUtf8FallbackSize);
    free(agent);
  }
  if (!out) return nullptr;
  LogCode(code, out);
  return out;
}

void LogErrorMessage(int32_t code) { free(GetErrorMessageUtf8(code)); }

void LogLastError() {
  std::string text;
  plat::SystemMessageAnsi(plat::LastErrorCode(), plat::kFormatMessageKeepLines, &text);
  LogError(" Error Message: %s\n", text.c_str());
}

uint8_t ChangeUtf8ToWideStr(const char* utf8, char16_t** wide) {
  if (!utf8) {
    LogError("ChangeUtf8ToWideStr: utf8 is empty! \n");
    return 0;
  }
  LogDebug("UTF String Received:%s\n", utf8);
  std::u16string converted;
  bool ok = plat::ConvertUtf8ToUtf16(utf8, &converted);
  if (!ok) converted.clear();
  *wide = static_cast<char16_t*>(calloc(converted.size() + 1, sizeof(char16_t)));
  if (!*wide) return 0;
  memcpy(*wide, converted.data(), converted.size() * sizeof(char16_t));
  if (!ok) {
    LogLastError();
    return 0;
  }
  return 1;
}

uint8_t ChangeWideStrToUtf8(const char16_t* wide, char** utf8) {
  std::string converted;
  bool ok = wide && plat::ConvertUtf16ToUtf8(wide, &converted);
  if (!ok) converted.clear();
  *utf8 = HeapCopy(converted);
  if (!ok) {
    LogLastError();
    return 0;
  }
  return *utf8 != nullptr;
}
