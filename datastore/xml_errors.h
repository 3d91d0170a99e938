// libxml2's own messages go to the library log instead of standard error,
// for the time of one load or import on this thread.  Internal to the
// library's XML readers.
#pragma once

#include <libxml/xmlerror.h>

#include <string>

#include "../runtime/log.h"

inline void LogXmlError(void* context, xmlErrorPtr error) {
  if (!error || error->level == XML_ERR_NONE) return;
  const char* source = context ? static_cast<const char*>(context) : "";
  std::string message = error->message ? error->message : "";
  while (!message.empty() && (message.back() == '\n' || message.back() == '\r')) {
    message.pop_back();
  }
  LogError("XML %s in %s line %d: %s\n", error->level == XML_ERR_WARNING ? "warning" : "error",
           source, error->line, message.c_str());
}

class XmlErrorsToLog {
 public:
  explicit XmlErrorsToLog(const char* source)
      : oldHandler_(xmlStructuredError), oldContext_(xmlStructuredErrorContext) {
    xmlSetStructuredErrorFunc(const_cast<char*>(source), LogXmlError);
  }
  ~XmlErrorsToLog() { xmlSetStructuredErrorFunc(oldContext_, oldHandler_); }
  XmlErrorsToLog(const XmlErrorsToLog&) = delete;
  XmlErrorsToLog& operator=(const XmlErrorsToLog&) = delete;

 private:
  xmlStructuredErrorFunc oldHandler_;
  void* oldContext_;
};
