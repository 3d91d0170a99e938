// The one WMI query of the seam on Windows: COM in the multithreaded
// apartment, the WMI locator, and a WQL query over Win32_Process.
#include <windows.h>
// After windows.h: COM and WMI.
#include <oleauto.h>
#include <wbemidl.h>

#include "platform/platform.h"

namespace plat {

namespace {

IUnknown* Unknown(WmiHandle h) { return reinterpret_cast<IUnknown*>(h); }

// A BSTR for the length of one call.
class Bstr {
 public:
  explicit Bstr(const char16_t* text)
      : value_(SysAllocString(reinterpret_cast<const OLECHAR*>(text))) {}
  ~Bstr() { SysFreeString(value_); }
  Bstr(const Bstr&) = delete;
  Bstr& operator=(const Bstr&) = delete;
  BSTR get() const { return value_; }

 private:
  BSTR value_;
};

}  // namespace

int32_t ComInitializeMultithreaded() {
  CoUninitialize();
  return static_cast<int32_t>(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
}

void ComUninitialize() { CoUninitialize(); }

int32_t WmiCreateLocator(WmiHandle* locator) {
  IWbemLocator* created = nullptr;
  HRESULT hr = CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                reinterpret_cast<void**>(&created));
  *locator = SUCCEEDED(hr) ? reinterpret_cast<WmiHandle>(created) : nullptr;
  return static_cast<int32_t>(hr);
}

int32_t WmiConnectServer(WmiHandle locator, const char16_t* name_space, WmiHandle* services) {
  auto* loc = reinterpret_cast<IWbemLocator*>(locator);
  Bstr ns(name_space);
  IWbemServices* connected = nullptr;
  HRESULT hr =
      loc->ConnectServer(ns.get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, &connected);
  *services = SUCCEEDED(hr) ? reinterpret_cast<WmiHandle>(connected) : nullptr;
  return static_cast<int32_t>(hr);
}

int32_t WmiSetProxyBlanket(WmiHandle services) {
  return static_cast<int32_t>(CoSetProxyBlanket(Unknown(services), RPC_C_AUTHN_WINNT,
                                                RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CALL,
                                                RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
}

int32_t WmiQueryCommandLines(WmiHandle services, const char16_t* query,
                             std::vector<std::optional<std::u16string>>* command_lines) {
  command_lines->clear();
  auto* svc = reinterpret_cast<IWbemServices*>(services);
  Bstr language(u"WQL");
  Bstr text(query);
  IEnumWbemClassObject* enumerator = nullptr;
  HRESULT hr =
      svc->ExecQuery(language.get(), text.get(),
                     WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, &enumerator);
  if (FAILED(hr)) return static_cast<int32_t>(hr);
  while (true) {
    IWbemClassObject* object = nullptr;
    ULONG returned = 0;
    enumerator->Next(WBEM_INFINITE, 1, &object, &returned);
    if (returned == 0 || !object) break;
    VARIANT value;
    VariantInit(&value);
    if (SUCCEEDED(object->Get(L"CommandLine", 0, &value, nullptr, nullptr)) &&
        value.vt == VT_BSTR && value.bstrVal) {
      command_lines->push_back(std::u16string(reinterpret_cast<const char16_t*>(value.bstrVal)));
    } else {
      command_lines->push_back(std::nullopt);
    }
    VariantClear(&value);
    object->Release();
  }
  enumerator->Release();
  return 0;
}

void WmiRelease(WmiHandle object) {
  if (object) Unknown(object)->Release();
}

}  // namespace plat
