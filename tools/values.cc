// Field values of the tables as text and JSON, read and written through the table descriptions.
#include "tools/values.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "srv6_db_ipv6.h"

namespace srv6db::tool {
namespace {

constexpr char kHex[] = "0123456789abcdef";
constexpr size_t kQuoted = 40;  // bytes of a bad value an error message shows

uint64_t Load(const uint8_t *p, uint32_t width) {
  uint64_t v = 0;
  std::memcpy(&v, p, width);  // little-endian host: the low bytes of v
  return v;
}

uint64_t MaxOf(uint32_t width) {
  return width >= 8 ? UINT64_MAX : (uint64_t{1} << (8 * width)) - 1;
}

void Store(uint64_t v, uint32_t width, uint8_t *out) {
  if (v > MaxOf(width)) {
    throw Failure(kUsage,
                  std::to_string(v) + " is out of range 0.." + std::to_string(MaxOf(width)));
  }
  std::memcpy(out, &v, width);
}

void UnsignedFromText(std::string_view text, uint32_t width, uint8_t *out) {
  const std::string s(text);
  char *end = nullptr;
  errno = 0;
  const bool hex = s.size() > 2 && s[0] == '0' && (s[1] == 'x' || s[1] == 'X');
  const uint64_t v = std::strtoull(s.c_str(), &end, hex ? 16 : 10);  // "010" is ten, not eight
  if (s.empty() || s[0] < '0' || s[0] > '9' || *end != '\0') {
    throw Failure(kUsage, Quote(s) + " is not an unsigned number");
  }
  if (errno == ERANGE)
    throw Failure(kUsage, Quote(s) + " is out of range 0.." + std::to_string(MaxOf(width)));
  Store(v, width, out);
}

void AddressFromText(std::string_view text, uint8_t *out) {
  uint32_t words[4];
  if (text.size() >= SRV6_DB_IPV6_TEXT_LEN ||
      SRV6_DB_Ipv6FromText(std::string(text).c_str(), words) != 0) {
    throw Failure(kUsage, Quote(text) + " is not an IPv6 address");
  }
  std::memcpy(out, words, sizeof(words));
}

// Items of a comma-separated list, at most @p max of them.
std::vector<std::string_view> Split(std::string_view text, uint32_t max) {
  std::vector<std::string_view> items;
  while (!text.empty()) {
    const size_t comma = text.find(',');
    items.push_back(text.substr(0, comma));
    text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  }
  if (items.size() > max) {
    throw Failure(kUsage, std::to_string(items.size()) + " items where " + std::to_string(max) +
                              " at most fit");
  }
  return items;
}

}  // namespace

std::string Quote(std::string_view text) {
  std::string quoted(1, '"');
  quoted.append(text.substr(0, kQuoted));
  quoted.append(text.size() > kQuoted ? "...\" (" + std::to_string(text.size()) + " bytes)" : "\"");
  return quoted;
}

bool SamePrefix(const uint8_t *a, const uint8_t *b, uint32_t bits) {
  uint32_t x[4], y[4];
  std::memcpy(x, a, sizeof(x));
  std::memcpy(y, b, sizeof(y));
  for (uint32_t w = 0; w < 4 && bits > 32 * w; ++w) {
    const uint32_t n = std::min<uint32_t>(bits - 32 * w, 32);
    const uint32_t mask = n == 32 ? UINT32_MAX : ~(UINT32_MAX >> n);
    if (((x[w] ^ y[w]) & mask) != 0) return false;
  }
  return true;
}

void DecodeRecord(const TableDef &table, const uint8_t *record, uint8_t *entry) {
  std::memset(entry, 0, table.entrySize);
  table.decode(record, entry);
}

void BuildKey(const TableDef &table, size_t key, const uint8_t *source, uint8_t *keyBytes) {
  srv6db::BuildKey(table, key, source, keyBytes);
}

ValueType TypeOf(const Field &field) {
  return {field.kind, std::min(field.entryWidth, field.width),
          std::min<uint32_t>(field.elementWidth, field.entryWidth)};
}

ValueType TypeOf(const TableDef &table, const KeySegment &segment) {
  if (const Field *f = FindField(table, segment.name); f != nullptr && f->width == segment.width) {
    return TypeOf(*f);
  }
  return {segment.kind, segment.width, segment.kind == FieldKind::kBytes ? 1u : segment.width};
}

Json ToJson(const ValueType &type, const uint8_t *value) {
  switch (type.kind) {
    case FieldKind::kUnsigned:
      if (type.width >= 8) return std::to_string(Load(value, type.width));
      return Load(value, type.width);
    case FieldKind::kIpv6: {
      Json addresses = Json::array();
      for (uint32_t at = 0; at + 16 <= type.width; at += 16) {
        uint32_t words[4];
        std::memcpy(words, value + at, sizeof(words));
        char text[SRV6_DB_IPV6_TEXT_LEN];
        addresses.push_back(SRV6_DB_Ipv6ToText(words, text, sizeof(text)));
      }
      return type.width == 16 ? addresses[0] : addresses;
    }
    case FieldKind::kBytes:
      break;
  }
  if (type.elementWidth == 1) {
    std::string hex;
    for (uint32_t i = 0; i < type.width; ++i) {
      hex += kHex[value[i] >> 4];
      hex += kHex[value[i] & 15];
    }
    return hex;
  }
  Json items = Json::array();
  for (uint32_t at = 0; at < type.width; at += type.elementWidth) {
    items.push_back(
        ToJson({FieldKind::kUnsigned, type.elementWidth, type.elementWidth}, value + at));
  }
  return items;
}

std::string ToText(const ValueType &type, const uint8_t *value) {
  const Json v = ToJson(type, value);
  if (v.is_string()) return v.get<std::string>();
  if (!v.is_array()) return v.dump();
  std::string text;
  for (const Json &item : v) {
    if (!text.empty()) text += ',';
    text += item.is_string() ? item.get<std::string>() : item.dump();
  }
  return text;
}

void FromText(const ValueType &type, std::string_view text, uint8_t *out) {
  std::memset(out, 0, type.width);
  switch (type.kind) {
    case FieldKind::kUnsigned:
      return UnsignedFromText(text, type.width, out);
    case FieldKind::kIpv6: {
      uint32_t at = 0;
      for (std::string_view item : Split(text, type.width / 16))
        AddressFromText(item, out + (at++) * 16);
      return;
    }
    case FieldKind::kBytes:
      break;
  }
  if (type.elementWidth != 1) {
    uint32_t at = 0;
    for (std::string_view item : Split(text, type.width / type.elementWidth)) {
      UnsignedFromText(item, type.elementWidth, out + at);
      at += type.elementWidth;
    }
    return;
  }
  const std::string_view hex =
      text.size() >= 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X') ? text.substr(2)
                                                                               : text;
  if (hex.size() % 2 != 0 || hex.size() > 2 * type.width ||
      hex.find_first_not_of("0123456789abcdefABCDEF") != std::string_view::npos) {
    throw Failure(kUsage,
                  Quote(text) + " is not at most " + std::to_string(type.width) + " bytes of hex");
  }
  for (size_t i = 0; i < hex.size(); i += 2) {
    out[i / 2] = static_cast<uint8_t>(std::stoul(std::string(hex.substr(i, 2)), nullptr, 16));
  }
}

void FromJson(const ValueType &type, const Json &value, uint8_t *out) {
  if (value.is_string()) return FromText(type, value.get<std::string>(), out);
  const bool wide = type.kind == FieldKind::kBytes && type.elementWidth != 1;
  if (type.kind == FieldKind::kUnsigned && value.is_number_unsigned()) {
    std::memset(out, 0, type.width);
    return Store(value.get<uint64_t>(), type.width, out);
  }
  if ((type.kind == FieldKind::kIpv6 || wide) && value.is_array()) {
    std::string text;
    for (const Json &item : value) {
      if (!(item.is_string() || (wide && item.is_number_unsigned()))) {
        throw Failure(
            kUsage, Quote(item.dump()) + " is not " + (wide ? "an unsigned number" : "an address"));
      }
      if (!text.empty()) text += ',';
      text += item.is_string() ? item.get<std::string>() : item.dump();
    }
    return FromText(type, text, out);
  }
  throw Failure(kUsage, Quote(value.dump()) + " is not " +
                            (type.kind == FieldKind::kUnsigned ? "an unsigned number"
                             : type.kind == FieldKind::kIpv6   ? "an IPv6 address"
                                                               : "a hex string"));
}

}  // namespace srv6db::tool
