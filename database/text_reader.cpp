#include "database/text_reader.h"

#include <cctype>

TextRead ReadFileToken(FILE* file, std::string* token, size_t maximum) {
  token->clear();
  int c = fgetc(file);
  while (c != EOF && isspace(c)) c = fgetc(file);
  if (c == EOF) return TextRead::kEnd;
  bool tooLong = false;
  while (c != EOF && !isspace(c)) {
    if (token->size() < maximum) {
      token->push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
    c = fgetc(file);
  }
  // The character that ended the token belongs to what follows it (the rest
  // of a line starts there).
  if (c != EOF) ungetc(c, file);
  return tooLong ? TextRead::kTooLong : TextRead::kRead;
}

TextRead ReadRestOfLine(FILE* file, std::string* rest, size_t maximum) {
  rest->clear();
  int c = fgetc(file);
  if (c == EOF) return TextRead::kEnd;
  bool tooLong = false;
  while (c != EOF && c != '\n') {
    if (rest->size() <= maximum) {
      rest->push_back(static_cast<char>(c));
    } else {
      tooLong = true;
    }
    c = fgetc(file);
  }
  if (!rest->empty() && rest->back() == '\r') rest->pop_back();
  if (tooLong || rest->size() > maximum) return TextRead::kTooLong;
  return TextRead::kRead;
}
