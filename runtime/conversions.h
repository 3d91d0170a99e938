// Text and byte primitives (absent-safe copies, lengths, comparisons,
// substring search) used by the store and the database layer, and a toolkit
// of conversions between numbers, object identifiers (dotted sub-identifier
// lists), IPv4 addresses, 64-bit counters and hexadecimal octets.  Texts
// handed out are malloc'ed and the caller frees them.
#pragma once

#include <cstddef>
#include <cstdint>

// Primitives.
char* CopyString(char* target, const char* source);
int32_t GetStringLength(const char* text);
int32_t CompareString(const char* a, const char* b);
int32_t CompareStringNoCase(const char* a, const char* b);
void* CopyBytes(void* target, const void* source, int32_t count);
const char* SubString(const char* text, const char* pattern);
bool FindSubString(const char* text, const char* pattern);

char* CopyStringN(char* target, const char* source, int32_t n);
char* AppendString(char* target, const char* source);
void ReverseString(char* text, int32_t n);
int32_t CompareBytes(const void* a, const void* b, int32_t n);
int32_t CompareStringN(const char* a, const char* b, int32_t n);
int32_t CompareStringNoCaseN(const char* a, const char* b, int32_t n);
const void* FindByte(const void* bytes, int value, int32_t n);
const char* FindChar(const char* text, int c);
const char* FindAnyChar(const char* text, const char* set);
int32_t SpanChars(const char* text, const char* set);
void* FillBytes(void* target, int value, int32_t n);
bool HasPrefix(const char* run, int32_t m, const char* prefix, int32_t n);
int32_t GetIndex(const char* bytes, char value, int32_t n);
int32_t CountSeparators(const char* bytes, int32_t n, char separator);
// Length up to and including the first separator (*found set), else n.
int32_t GetTokenLength(const char* bytes, int32_t n, char separator, bool* found);
// count = separators + 1 new texts and their lengths; the caller frees them
// with FreeStringArray (and the lengths with free).  False when out of memory.
bool SplitString(const char* bytes, int32_t n, char separator, char*** pieces, int32_t** lengths,
                 int32_t* count);
bool IsStringMatched(const char* list, int32_t n, const char* candidate, int32_t m);
void FreeStringArray(char** pieces, int32_t count);
int32_t CopyStringBounded(char* target, const char* source, int32_t size);
int32_t AppendStringBounded(char* target, const char* source, int32_t size);
char* ToLowerCopy(const char* text);
char* ToUpperCopy(const char* text);

// Numbers, hexadecimal octets and counters.
struct Counter64 {
  uint32_t high;
  uint32_t low;
};

int32_t ConvertToInteger(const uint8_t* bytes, int32_t n);
uint32_t ConvertToUnsignedInteger(const uint8_t* bytes, int32_t n);
char* ConvertToStringFromInteger(int32_t value);
char* ConvertToStringFromUnsignedInteger(uint32_t value, int32_t* length);
// type 0: the referenced signed integer in decimal; type 1: "TRUE" for a
// present reference, "FALSE" for an absent one; other types: none.
char* ToString(const void* value, int type);
int GetHexValue(int c);
int ConvertToDecimalFromHexa(int c);
// Packs the pairs of hexadecimal digits of text[0..n) over its start; the
// number of bytes made (at most 32).
int32_t ConvertToHexValue(char* text, int32_t n);
void ConvertToStringFromHex(const uint8_t* bytes, int32_t n, uint8_t* target);
uint64_t ConvertToULongLongFromCounter64(Counter64 counter);
Counter64 ConvertToCounter64FromULongLong(uint64_t value);
Counter64 ConvertToCounter64(const uint8_t* octets, int32_t n);
char* ConvertToStringFromCounter64(Counter64 counter);

// Object identifiers and IPv4 addresses.
uint16_t GetOidLength(const char* text, int32_t n);
bool IsValidOid(const char* text);
bool IsValidIPAddress(const char* text, int32_t n);
// The number of values read into the new array *oid (free it), 0 when the
// count is not the expected one, -1 for a malformed text.
int32_t ConvertToOidOrIpFromString(const char* text, uint32_t** oid, bool ip);
// An OID given by its size in bytes (4 a sub-identifier); *size becomes the
// text's length.
char* ConvertToStringFromOID(const uint32_t* oid, int32_t* size);
uint8_t ConvertToStringFromOid(const uint32_t* oid, int32_t count, char* target, size_t capacity);
void ConvertToIpAddressFromOid(const uint32_t* oid, int32_t start, int32_t end, char* target,
                               size_t capacity);
int32_t CompareOid(const uint32_t* a, int32_t na, const uint32_t* b, int32_t nb);
void CopyOid(uint32_t* target, const uint32_t* source, int32_t n);
void SetNOid(uint32_t* target, int32_t index, const uint32_t* source, int32_t n);
uint32_t GetNextSubId(const uint32_t* list, int32_t n, uint32_t value);
uint8_t ReallocateAndSetOID(uint32_t** target, int32_t* count, const uint32_t* source, int32_t n);
uint8_t ReallocateAndSetString(char** target, const char* source, int32_t n);
void ConvertToCharArray(const uint32_t* oid, int32_t start, int32_t n, char* target);
void CopyStringToOid(const char* text, uint32_t* oid);
void CopyStringToOID(const uint8_t* bytes, int32_t n, uint32_t* oid);
void PrintStream(const uint8_t* bytes, int32_t n, const char* format);
void PrintOid(const uint32_t* oid, int32_t n);

bool IsDirectory(const char* path);
// XOR with (seed + 9) mod 255 in place; twice restores the buffer.
void EncryptDecryptKey(uint8_t* buffer, int32_t length, int32_t seed);
