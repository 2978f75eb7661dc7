// Field values of the tables as text and JSON, read and written through the table descriptions.
#ifndef SRV6DB_TOOLS_VALUES_H
#define SRV6DB_TOOLS_VALUES_H

#include <cstdint>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

#include "tables/catalog.h"

namespace srv6db::tool {

using Json = nlohmann::ordered_json;

// Exit codes of the command.
enum Exit : int { kDone = 0, kNothingMatched = 1, kUsage = 2, kEngine = 3 };

// A failure that ends the command: its one-line message and exit code.
struct Failure : std::runtime_error {
  Failure(Exit exitCode, const std::string &what) : std::runtime_error(what), code(exitCode) {}
  Exit code;
};

// How a value is held: what kind, its width in bytes, and the width of one item.
struct ValueType {
  FieldKind kind;
  uint32_t width;
  uint32_t elementWidth;
};

// The bytes of a field that the entry carries (a widened u8 is one byte in the entry; a block
// that the record shortens keeps only the record's bytes).
ValueType TypeOf(const Field &field);
// A key part: the type of the entry field of that name, or of the part itself.
ValueType TypeOf(const TableDef &table, const KeySegment &segment);

// An unsigned number (a string from 64 bits on, which JSON readers keep exact), IPv6 text (an array
// of them for several addresses), lower-case hex for byte arrays, an array of numbers for wider
// items.
Json ToJson(const ValueType &type, const uint8_t *value);
// The JSON form without quotes, the items of an array joined by commas.
std::string ToText(const ValueType &type, const uint8_t *value);

// Parse into type.width bytes at @p out (host order; IPv6 as four host-order words per address);
// throw Failure(kUsage) saying what is wrong with the value. Byte arrays may start with 0x;
// 64-bit numbers come as JSON numbers or strings.
void FromJson(const ValueType &type, const Json &value, uint8_t *out);
void FromText(const ValueType &type, std::string_view text, uint8_t *out);

// @p text in quotes, cut to a short prefix: error messages never carry a whole bad input.
std::string Quote(std::string_view text);

// The first @p bits of the addresses at @p a and @p b (four host-order words each) are equal.
bool SamePrefix(const uint8_t *a, const uint8_t *b, uint32_t bits);

// The library's own conversions of a catalog table, as its exported functions make them: the
// caller's entry of a record (spare bytes zero), and the bytes of key @p key built from its
// source (an entry, a smooth key or the key's small structure).
void DecodeRecord(const TableDef &table, const uint8_t *record, uint8_t *entry);
void BuildKey(const TableDef &table, size_t key, const uint8_t *source, uint8_t *keyBytes);

}  // namespace srv6db::tool

#endif  // SRV6DB_TOOLS_VALUES_H
