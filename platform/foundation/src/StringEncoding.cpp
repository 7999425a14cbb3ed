// NSString conversions between text encodings, percent escapes and string files.
// Supported encodings: UTF-8, ASCII, ISO Latin-1 and UTF-16 (with byte-order mark,
// big-endian, little-endian).
#include "StringStorage.h"

#include "DataStorage.h"
#include "Fatal.h"
#include "Methods.h"

#include <foundation/FileIO.h>
#include <foundation/NSError.h>

#include <cstring>
#include <optional>
#include <vector>

namespace ns {
namespace {

using namespace detail;

std::optional<std::string> utf16Bytes(const unsigned char* p, std::size_t n, bool bigEndian) {
  if (n % 2 != 0) return std::nullopt;
  std::vector<std::uint16_t> units(n / 2);
  for (std::size_t k = 0; k < units.size(); ++k)
    units[k] = bigEndian ? static_cast<std::uint16_t>(p[2 * k] << 8 | p[2 * k + 1])
                         : static_cast<std::uint16_t>(p[2 * k + 1] << 8 | p[2 * k]);
  std::string out;
  if (!unicode::utf16ToUtf8(units.data(), units.size(), out)) return std::nullopt;
  return out;
}

}  // namespace

namespace detail {

// The UTF-8 text of bytes in an encoding; nothing when they are not valid in it.
std::optional<std::string> decodeText(const void* bytes, std::size_t length, NSStringEncoding encoding) {
  const auto* p = static_cast<const unsigned char*>(bytes);
  std::string_view view(reinterpret_cast<const char*>(p), length);
  switch (encoding) {
    case NSUTF8StringEncoding:
      if (!unicode::inspectUtf8(view).valid) return std::nullopt;
      return std::string(view);
    case NSASCIIStringEncoding:
      for (unsigned char c : view)
        if (c >= 0x80) return std::nullopt;
      return std::string(view);
    case NSISOLatin1StringEncoding:
      return unicode::latin1ToUtf8(view);
    case NSUTF16StringEncoding:
      if (length >= 2 && p[0] == 0xFF && p[1] == 0xFE) return utf16Bytes(p + 2, length - 2, false);
      if (length >= 2 && p[0] == 0xFE && p[1] == 0xFF) return utf16Bytes(p + 2, length - 2, true);
      return utf16Bytes(p, length, true);
    case NSUTF16BigEndianStringEncoding:
      return utf16Bytes(p, length, true);
    case NSUTF16LittleEndianStringEncoding:
      return utf16Bytes(p, length, false);
    default:
      return std::nullopt;
  }
}

// The bytes of UTF-8 text in an encoding; nothing when a character cannot be
// represented in it.
std::optional<std::string> encodeText(std::string_view text, NSStringEncoding encoding) {
  switch (encoding) {
    case NSUTF8StringEncoding:
      return std::string(text);
    case NSASCIIStringEncoding:
      for (unsigned char c : text)
        if (c >= 0x80) return std::nullopt;
      return std::string(text);
    case NSISOLatin1StringEncoding: {
      std::string out;
      for (char16_t u : unicode::utf8ToUtf16(text)) {
        if (u > 0xFF) return std::nullopt;
        out += static_cast<char>(u);
      }
      return out;
    }
    case NSUTF16StringEncoding:
    case NSUTF16BigEndianStringEncoding:
    case NSUTF16LittleEndianStringEncoding: {
      bool big = encoding == NSUTF16BigEndianStringEncoding;
      std::string out;
      // Plain UTF-16 carries a byte-order mark and the machine's (little-endian) order.
      if (encoding == NSUTF16StringEncoding) out += "\xFF\xFE";
      for (char16_t u : unicode::utf8ToUtf16(text)) {
        char hi = static_cast<char>(u >> 8);
        char lo = static_cast<char>(u & 0xFF);
        out += big ? hi : lo;
        out += big ? lo : hi;
      }
      return out;
    }
    default:
      return std::nullopt;
  }
}

}  // namespace detail

namespace {

id initWithBytesLengthEncoding(id self, SEL, const void* bytes, NSUInteger length, NSStringEncoding encoding) {
  if (bytes == nullptr && length > 0) {
    objc::release(self);
    return nil;
  }
  std::optional<std::string> text = decodeText(bytes, length, encoding);
  if (!text) {
    objc::release(self);
    return nil;
  }
  assignString(self, *text, unicode::inspectUtf8(*text));
  return self;
}

id initWithDataEncoding(id self, SEL cmd, id data, NSStringEncoding encoding) {
  if (!isDataObject(data)) {
    if (data == nil) raiseNilArgument(self, cmd);
    objc::release(self);
    return nil;
  }
  auto bytes = dataSpan(data);
  return initWithBytesLengthEncoding(self, cmd, bytes.data(), bytes.size(), encoding);
}

id initWithCStringEncoding(id self, SEL cmd, const char* cString, NSStringEncoding encoding) {
  if (cString == nullptr) raise("NSInvalidArgumentException", self, cmd, "NULL cString");
  return initWithBytesLengthEncoding(self, cmd, cString, std::strlen(cString), encoding);
}

id initWithCharactersLength(id self, SEL, const unichar* characters, NSUInteger length) {
  std::string text;
  if (length > 0 && (characters == nullptr || !unicode::utf16ToUtf8(characters, length, text))) {
    objc::release(self);
    return nil;
  }
  assignString(self, text, unicode::inspectUtf8(text));
  return self;
}

id classStringWithCStringEncoding(id self, SEL cmd, const char* cString, NSStringEncoding encoding) {
  if (cString == nullptr) raise("NSInvalidArgumentException", self, cmd, "NULL cString");
  std::optional<std::string> text = decodeText(cString, std::strlen(cString), encoding);
  return text ? objc::autorelease(newStringOfClass(asClass(self), *text, unicode::inspectUtf8(*text))) : nil;
}

id classStringWithCharactersLength(id self, SEL, const unichar* characters, NSUInteger length) {
  std::string text;
  if (length > 0 && (characters == nullptr || !unicode::utf16ToUtf8(characters, length, text))) return nil;
  return objc::autorelease(newStringOfClass(asClass(self), text, unicode::inspectUtf8(text)));
}

id dataUsingEncoding(id self, SEL, NSStringEncoding encoding) {
  std::optional<std::string> bytes = encodeText(stringView(self), encoding);
  return bytes ? objc::autorelease(newDataOfClass(NSDataClass(), bytes->data(), bytes->size())) : nil;
}

BOOL canBeConvertedToEncoding(id self, SEL, NSStringEncoding encoding) {
  return encodeText(stringView(self), encoding).has_value() ? YES : NO;
}

NSUInteger lengthOfBytesUsingEncoding(id self, SEL, NSStringEncoding encoding) {
  std::optional<std::string> bytes = encodeText(stringView(self), encoding);
  if (!bytes) return 0;
  // Without the byte-order mark, as iOS counts.
  return encoding == NSUTF16StringEncoding ? bytes->size() - 2 : bytes->size();
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

// Each run of consecutive escapes is decoded as bytes of the encoding and must form
// whole, valid characters; a malformed escape or undecodable bytes answer nil.
id stringByReplacingPercentEscapes(id self, SEL, NSStringEncoding encoding) {
  if (encoding != NSUTF8StringEncoding && encoding != NSASCIIStringEncoding &&
      encoding != NSISOLatin1StringEncoding)
    return nil;
  std::string_view text = stringView(self);
  std::string out;
  out.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    if (text[i] != '%') {
      out += text[i++];
      continue;
    }
    std::string run;
    while (i < text.size() && text[i] == '%') {
      if (i + 2 >= text.size()) return nil;
      int hi = hexValue(text[i + 1]);
      int lo = hexValue(text[i + 2]);
      if (hi < 0 || lo < 0) return nil;
      run += static_cast<char>(hi * 16 + lo);
      i += 3;
    }
    std::optional<std::string> decoded = decodeText(run.data(), run.size(), encoding);
    if (!decoded) return nil;
    out += *decoded;
  }
  return objc::autorelease(newString(out));
}

// Escapes what may not stand in a URL: controls, space, non-ASCII bytes and
// " # % < > [ \ ] ^ ` { | }.
id stringByAddingPercentEscapes(id self, SEL, NSStringEncoding encoding) {
  std::optional<std::string> bytes = encodeText(stringView(self), encoding);
  if (!bytes) return nil;
  static const char* kHex = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : *bytes) {
    if (c <= 0x20 || c >= 0x7F || std::strchr("\"#%<>[\\]^`{|}", c) != nullptr) {
      out += '%';
      out += kHex[c >> 4];
      out += kHex[c & 15];
    } else {
      out += static_cast<char>(c);
    }
  }
  return objc::autorelease(newString(out));
}

void setFileError(id* error, NSInteger code, const std::string& message) {
  setError(error, NSCocoaErrorDomain, code, message);
}

id classStringWithContentsOfFile(id self, SEL, id path, NSStringEncoding encoding, id* error) {
  if (!isStringObject(path)) {
    setFileError(error, NSFileNoSuchFileError, "no path given");
    return nil;
  }
  auto bytes = readFile(stringView(path));
  if (!bytes) {
    setFileError(error, NSFileReadNoSuchFileError, bytes.error().message);
    return nil;
  }
  std::optional<std::string> text = decodeText(bytes->data(), bytes->size(), encoding);
  if (!text) {
    setFileError(error, NSFileReadInapplicableStringEncodingError, "the file is not valid in the encoding");
    return nil;
  }
  return objc::autorelease(newStringOfClass(asClass(self), *text, unicode::inspectUtf8(*text)));
}

BOOL writeToFileAtomicallyEncodingError(id self, SEL, id path, BOOL, NSStringEncoding encoding, id* error) {
  if (!isStringObject(path)) {
    setFileError(error, NSFileNoSuchFileError, "no path given");
    return NO;
  }
  std::optional<std::string> bytes = encodeText(stringView(self), encoding);
  if (!bytes) {
    setFileError(error, NSFileWriteInapplicableStringEncodingError, "the text cannot be written in the encoding");
    return NO;
  }
  // Whole-file writes are always atomic on this platform, whatever the flag says.
  objc::Status written = writeFileAtomically(
      stringView(path), {reinterpret_cast<const std::uint8_t*>(bytes->data()), bytes->size()});
  if (!written) {
    setFileError(error, NSFileWriteUnknownError, written.error().message);
    return NO;
  }
  return YES;
}

}  // namespace

namespace detail {

void registerStringEncodingMethods(Class string) {
  addMethod<&initWithBytesLengthEncoding>(string, "initWithBytes:length:encoding:");
  addMethod<&initWithDataEncoding>(string, "initWithData:encoding:");
  addMethod<&initWithCStringEncoding>(string, "initWithCString:encoding:");
  addMethod<&initWithCharactersLength>(string, "initWithCharacters:length:");
  addClassMethod<&classStringWithCStringEncoding>(string, "stringWithCString:encoding:");
  addClassMethod<&classStringWithCharactersLength>(string, "stringWithCharacters:length:");
  addClassMethod<&classStringWithContentsOfFile>(string, "stringWithContentsOfFile:encoding:error:");
  addMethod<&dataUsingEncoding>(string, "dataUsingEncoding:");
  addMethod<&canBeConvertedToEncoding>(string, "canBeConvertedToEncoding:");
  addMethod<&lengthOfBytesUsingEncoding>(string, "lengthOfBytesUsingEncoding:");
  addMethod<&stringByReplacingPercentEscapes>(string, "stringByReplacingPercentEscapesUsingEncoding:");
  addMethod<&stringByAddingPercentEscapes>(string, "stringByAddingPercentEscapesUsingEncoding:");
  addMethod<&writeToFileAtomicallyEncodingError>(string, "writeToFile:atomically:encoding:error:");
}

}  // namespace detail
}  // namespace ns
