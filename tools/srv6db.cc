// The srv6db command: lists, shows, follows, loads and deletes the records of the tables in
// whatever engine SRV6DB_ENGINE names, through the library and the engine's control interface.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <sstream>

#include "engine/srv6db_engine.h"
#include "srv6_db.h"
#include "tools/values.h"

namespace srv6db::tool {
namespace {

constexpr uint32_t kBatch = 256;             // records an engine walk fetches at a time
uint64_t g_badLines = 0;                     // lines --keep-going passed over
bool g_loaded = false;                       // this process loaded a file
bool g_quiet = false;                        // no counts on stderr
constexpr int kMaxDepth = 32;                // nesting of a JSON line
constexpr off_t kLongLoad = off_t{1} << 20;  // bytes of input from which a load shows progress
const char *const kChangeKinds[] = {"create", "update", "remove"};

// An engine URL as it may be shown: any password between "//" and "@" is masked.
std::string Redacted(std::string url) {
  const size_t from = url.find("//");
  const size_t at = from == std::string::npos ? from : url.find('@', from + 2);
  if (at == std::string::npos) return url;
  const size_t colon = url.find(':', from + 2);
  if (colon < at) url.replace(colon + 1, at - colon - 1, "***");
  return url;
}

std::string EngineName() {
  const char *url = std::getenv("SRV6DB_ENGINE");
  return url != nullptr && *url != '\0' ? Redacted(url) : "memory";
}

// What an engine failure asks of the person who ran the command, by the engine's code.
const char *RemedyFor(uint32_t code) {
  switch (code) {
    case SRV6DB_ENGINE_ERR_AUTH:
      return "the server refused the user or password; check the URL, password_file= or "
             "SRV6DB_REDIS_PASSWORD";
    case SRV6DB_ENGINE_ERR_NO_PERMISSION:
      return "the server's user lacks a command or key this needs; see the engine's ACL rule";
    case SRV6DB_ENGINE_ERR_NO_LIBRARY:
      return "the server lacks this build's functions; an administrator runs 'srv6db "
             "load-functions'";
    case SRV6DB_ENGINE_ERR_LAYOUT:
      return "the table was written by a build with another layout";
    default:
      return "check that its server runs and that --engine or SRV6DB_ENGINE names it";
  }
}

[[noreturn]] void EngineFailed(const std::string &what,
                               uint32_t code = srv6db_engine_last_error()) {
  throw Failure(kEngine,
                "the engine (" + EngineName() + ") failed " + what + "; " + RemedyFor(code));
}

// Opens the engine --engine names, or checks the one SRV6DB_ENGINE named when the engine loaded.
void UseEngine(const std::string &option) {
  static std::string chosen;
  const char *env = std::getenv("SRV6DB_ENGINE");
  const std::string url = !option.empty() ? option : env != nullptr ? env : "";
  if (url.empty() || url == chosen) return;
  setenv("SRV6DB_ENGINE", url.c_str(), 1);
  // The engine says what is wrong with a URL on stderr itself; this command says it once, below.
  std::fflush(stderr);
  const int savedStderr = dup(STDERR_FILENO);
  const int devNull = open("/dev/null", O_WRONLY);
  if (devNull >= 0) dup2(devNull, STDERR_FILENO);
  const uint32_t rc = srv6db_engine_open(url.c_str());
  std::fflush(stderr);
  if (savedStderr >= 0) dup2(savedStderr, STDERR_FILENO);
  for (int fd : {devNull, savedStderr}) {
    if (fd >= 0) close(fd);
  }
  if (rc == SRV6DB_ENGINE_ERR_BAD_URL) {
    throw Failure(kUsage,
                  std::string(option.empty() ? "SRV6DB_ENGINE" : "--engine") + ": " +
                      Quote(Redacted(url)) +
                      " is not an engine URL; give memory, lmdb:///DIR[?map_size=N&sync=MODE], "
                      "redis://[USER[:PASSWORD]@]HOST[:PORT][/DB], "
                      "unix://[USER[:PASSWORD]@]/PATH[?db=N] or "
                      "redis+sentinel://HOST:PORT[,HOST:PORT...]/SERVICE[/DB]");
  }
  chosen = url;
  if (rc != 0) EngineFailed("opening", rc);
}

// A read-only look at the in-memory engine of a process that loaded nothing sees an empty store
// that no other process shares; says so once.
void NoteOwnStore() {
  static bool said = false;
  if (said || g_loaded || std::strcmp(srv6db_engine_backend(), "memory") != 0) return;
  said = true;
  std::fputs(
      "srv6db: note: the in-memory engine is this process's own store, empty until it loads "
      "something (--load FILE); name a shared one with SRV6DB_ENGINE=lmdb:///DIR (this host) "
      "or redis://HOST:PORT, or --engine\n",
      stderr);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() && strncasecmp(a.data(), b.data(), a.size()) == 0;
}

// The table of that name, its case ignored.
const TableDef &TableNamed(const std::string &name) {
  if (const TableDef *t = FindTable(name)) return *t;
  for (const TableDef *t : kCatalog) {
    if (SameIgnoringCase(name, t->shortName) || SameIgnoringCase(name, t->name)) return *t;
  }
  throw Failure(kUsage, "no table " + Quote(name) + "; 'srv6db tables' lists them");
}

// Appends @p item to a list separated by @p sep.
void Append(std::string &list, char sep, std::string_view item) {
  if (!list.empty()) list += sep;
  list += item;
}

std::string KeyText(const KeyDef &key) {
  std::string text = std::string(key.name) + "(";
  for (const KeySegment &s : key.segments)
    text += std::string(s.name) + (&s == &key.segments.back() ? ")" : ",");
  return text;
}

std::string KeysOf(const TableDef &t) {
  std::string text;
  for (const KeyDef &k : t.keys) Append(text, ' ', KeyText(k));
  return text;
}

bool IsKeyPart(const KeyDef &key, std::string_view name) {
  for (const KeySegment &s : key.segments) {
    if (name == s.name) return true;
  }
  return false;
}

bool IsKeyPart(const TableDef &t, std::string_view name) {
  for (const KeyDef &k : t.keys) {
    if (IsKeyPart(k, name)) return true;
  }
  return false;
}

// Parses @p value (text or JSON) for the field or key part @p name, naming it on failure.
template <typename V>
void ParseNamed(const std::string &name, const ValueType &type, const V &value, uint8_t *out) {
  try {
    if constexpr (std::is_same_v<V, Json>) {
      FromJson(type, value, out);
    } else {
      FromText(type, value, out);
    }
  } catch (const Failure &e) {
    throw Failure(kUsage, name + ": " + e.what());
  }
}

// The columns a listing shows: the fields --fields names, in its order, or every field.
using Columns = std::vector<const Field *>;

Columns ColumnsOf(const TableDef &t, const std::vector<std::string> &names) {
  Columns columns;
  for (const Field &f : t.fields) {
    if (names.empty()) columns.push_back(&f);
  }
  for (const std::string &name : names) {
    const Field *f = FindField(t, name);
    if (f == nullptr)
      throw Failure(kUsage,
                    "--fields: " + std::string(t.shortName) + " has no field " + Quote(name));
    columns.push_back(f);
  }
  return columns;
}

Json EntryJson(const Columns &columns, const uint8_t *entry) {
  Json row = Json::object();
  for (const Field *f : columns) row[f->name] = ToJson(TypeOf(*f), entry + f->entryOffset);
  return row;
}

std::string EntryText(const Columns &columns, const uint8_t *entry) {
  std::string text;
  for (const Field *f : columns) {
    if (!text.empty()) text += ' ';
    text.append(f->name).append("=").append(ToText(TypeOf(*f), entry + f->entryOffset));
  }
  return text;
}

// The records that FIELD=VALUE arguments select: by the key with the most parts among those whose
// parts are all given (an address prefix selects by no key); the other given fields filter what
// that key yields, or what a walk of the whole table yields when no key is covered.
struct Filter {
  const Field *field;
  int prefix;  // bits an address must share with the wanted one; -1: the whole value
};

struct Selection {
  const TableDef *table = nullptr;
  int key = -1;  // -1: the whole table
  alignas(8) uint8_t keyInfo[SRV6_DB_KEY_INFO_LEN] = {};
  alignas(8) uint8_t keyBytes[kMaxKeyLength] = {};
  std::vector<Filter> filters;
  std::vector<uint8_t> wanted;  // an entry holding the filters' values

  Srv6DbKey Key() {
    if (key < 0) return Srv6DbKey{};
    return Srv6DbKey{keyInfo, sizeof(keyInfo), keyBytes, table->keys[key].Length()};
  }
  bool Matches(const uint8_t *entry) const {
    for (const Filter &f : filters) {
      const uint8_t *have = entry + f.field->entryOffset;
      const uint8_t *want = wanted.data() + f.field->entryOffset;
      if (f.prefix >= 0 ? !SamePrefix(have, want, static_cast<uint32_t>(f.prefix))
                        : std::memcmp(have, want, TypeOf(*f.field).width) != 0) {
        return false;
      }
    }
    return true;
  }
};

// ADDRESS/LENGTH of a one-address field: the address into @p out, the length returned.
int ParsePrefix(const std::string &name, const std::string &value, uint8_t *out) {
  const size_t slash = value.find('/');
  uint8_t length = 0;
  ParseNamed(name, {FieldKind::kUnsigned, 1, 1}, value.substr(slash + 1), &length);
  if (length > 128) throw Failure(kUsage, name + ": a prefix has at most 128 bits");
  ParseNamed(name, {FieldKind::kIpv6, 16, 16}, value.substr(0, slash), out);
  return length;
}

Selection Select(const TableDef &t, const std::vector<std::string> &matches) {
  Selection s;
  s.table = &t;
  s.wanted.assign(t.entrySize, 0);
  std::map<std::string, std::string, std::less<>> given, prefixes;
  for (const std::string &m : matches) {
    const size_t eq = m.find('=');
    if (eq == std::string::npos || eq == 0)
      throw Failure(kUsage, "expected FIELD=VALUE, not " + Quote(m));
    const std::string name = m.substr(0, eq);
    const Field *f = FindField(t, name);
    if (f == nullptr && !IsKeyPart(t, name)) {
      std::string fields;
      for (const Field &g : t.fields) Append(fields, ',', g.name);
      throw Failure(kUsage, std::string(t.shortName) + " has no field " + Quote(name) +
                                "; its fields: " + fields);
    }
    const bool prefix = f != nullptr && f->kind == FieldKind::kIpv6 && f->width == 16 &&
                        m.find('/', eq) != std::string::npos;
    if (given.count(name) + prefixes.count(name) != 0)
      throw Failure(kUsage, name + " is given twice");
    (prefix ? prefixes : given).emplace(name, m.substr(eq + 1));
  }
  for (size_t k = 0; k < t.keys.size(); ++k) {
    size_t parts = 0;
    for (const KeySegment &seg : t.keys[k].segments) parts += given.count(seg.name);
    if (parts == t.keys[k].segments.size() &&
        (s.key < 0 || parts > t.keys[s.key].segments.size())) {
      s.key = static_cast<int>(k);
    }
  }
  if (s.key >= 0) {
    const KeyDef &key = t.keys[s.key];
    std::vector<uint8_t> source(t.SourceSize(s.key), 0);
    for (const KeySegment &seg : key.segments) {
      ParseNamed(seg.name, TypeOf(t, seg), given.find(seg.name)->second,
                 source.data() + seg.sourceOffset);
      if (FindField(t, seg.name) == nullptr) given.erase(seg.name);  // no entry field to filter
    }
    const uint32_t word = t.KeyWord(s.key);
    std::memcpy(s.keyInfo, &word, sizeof(word));
    BuildKey(t, s.key, source.data(), s.keyBytes);
  }
  for (const auto &[name, value] : given) {
    const Field *f = FindField(t, name);
    if (f == nullptr) {
      throw Failure(kUsage, name + " is no field of " + std::string(t.shortName) +
                                ", only a key part: give every part of its key: " + KeysOf(t));
    }
    if (s.key >= 0 && IsKeyPart(t.keys[s.key], name)) continue;  // the key selects it already
    ParseNamed(name, TypeOf(*f), value, s.wanted.data() + f->entryOffset);
    s.filters.push_back({f, -1});
  }
  for (const auto &[name, value] : prefixes) {
    const Field *f = FindField(t, name);
    s.filters.push_back({f, ParsePrefix(name, value, s.wanted.data() + f->entryOffset)});
  }
  return s;
}

// Calls visit(record, entry) for each selected record; returns how many there were.
template <typename Visit>
uint64_t Walk(Selection &s, Visit visit) {
  const TableDef &t = *s.table;
  std::vector<uint8_t> record(t.recordSize), entry(t.entrySize);
  const Srv6DbBuf buf{record.data(), t.recordSize};
  const Srv6DbKey key = s.Key();
  uint64_t n = 0;
  auto one = [&] {
    DecodeRecord(t, record.data(), entry.data());
    if (!s.Matches(entry.data())) return;
    ++n;
    visit(record.data(), entry.data());
  };
  const std::string what = "reading " + std::string(t.shortName);
  if (s.key == 0) {
    const uint32_t rc = SRV6_DB_Read(t.id, &key, &buf);
    if (rc == SRV6_DB_OK) one();
    if (rc != SRV6_DB_OK && rc != SRV6_DB_NOT_FOUND) EngineFailed(what);
    return n;
  }
  Srv6DbIter *iter = s.key < 0 ? SRV6_DB_CreateIterator(t.id, kBatch)
                               : SRV6_DB_CreateIteratorByKey(t.id, kBatch, &key);
  if (iter == nullptr) EngineFailed(what);
  auto release = [&t](Srv6DbIter *i) { SRV6_DB_ReleaseIterator(t.id, i); };
  const std::unique_ptr<Srv6DbIter, decltype(release)> guard(iter, release);
  uint32_t rc;
  while ((rc = SRV6_DB_GetNextEntry(t.id, iter, &buf)) == SRV6_DB_OK) one();
  if (rc != SRV6_DB_NOT_FOUND) EngineFailed(what);
  return n;
}

uint64_t Count(Selection &s) {
  if (s.key == 0 || !s.filters.empty()) return Walk(s, [](const uint8_t *, const uint8_t *) {});
  const Srv6DbKey key = s.Key();
  uint64_t n = 0;
  if (SRV6_DB_CountByKey(s.table->id, &key, &n) != SRV6_DB_OK) {
    EngineFailed("counting " + std::string(s.table->shortName));
  }
  return n;
}

// The VRF class data fields, named and placed as the engine's getters list them.
struct VrfField {
  std::string name;
  uint32_t offset;
  uint32_t width;
};

const std::vector<VrfField> &VrfFields() {
  static const std::vector<VrfField> fields = [] {
    std::vector<VrfField> out;
    uint32_t at = 0;
    auto add = [&](std::string name, uint32_t width) {
      for (size_t u; (u = name.find('_')) != std::string::npos;)
        name.replace(u, 2, 1, static_cast<char>(std::toupper(name[u + 1])));
      at = (at + width - 1) / width * width;
      out.push_back({name, at, width});
      at += width;
    };
#define SRV6DB_TOOL_VRF_FIELD(field, type) add(#field, sizeof(type));
    SRV6DB_VRF_CLASS_DATA_FIELDS(SRV6DB_TOOL_VRF_FIELD)
#undef SRV6DB_TOOL_VRF_FIELD
    return out;
  }();
  return fields;
}
static_assert(sizeof(Srv6DbVrfClassData) == sizeof(Srv6DbEngineVrfClassData));

void Print(const std::string &line) {
  std::fwrite(line.data(), 1, line.size(), stdout);
  std::fputc('\n', stdout);
}

// ---- Subcommands ----

Exit Tables(bool json) {
  NoteOwnStore();
  std::vector<uint64_t> records;
  for (const TableDef *t : kCatalog) {
    Selection all = Select(*t, {});
    records.push_back(Count(all));
  }
  if (!json) Print("id  table       engine name       size  records  keys");
  for (const TableDef *t : kCatalog) {
    if (json) {
      Json keys = Json::object();
      for (const KeyDef &k : t->keys) {
        for (const KeySegment &s : k.segments) keys[k.name].push_back(s.name);
      }
      Print(Json{{"id", t->id},
                 {"table", t->shortName},
                 {"engineName", t->name},
                 {"recordSize", t->recordSize},
                 {"records", std::to_string(records[t->id])},  // 64 bits: a string
                 {"keys", keys}}
                .dump());
      continue;
    }
    char head[96];
    std::snprintf(head, sizeof(head), "%-3u %-11s %-17s %4u %8llu  ", t->id, t->shortName, t->name,
                  t->recordSize, static_cast<unsigned long long>(records[t->id]));
    Print(head + KeysOf(*t));
  }
  return kDone;
}

struct ShowOptions {
  std::string table;
  std::vector<std::string> matches;
  std::vector<std::string> fields;
  bool json = false;
  bool count = false;
  bool hex = false;
};

Exit Show(const ShowOptions &o) {
  const TableDef &t = TableNamed(o.table);
  Selection s = Select(t, o.matches);
  const Columns columns = ColumnsOf(t, o.fields);
  NoteOwnStore();
  if (o.count) {
    const uint64_t n = Count(s);
    Print(std::to_string(n));
    return n == 0 ? kNothingMatched : kDone;
  }
  const uint64_t n = Walk(s, [&](const uint8_t *record, const uint8_t *entry) {
    if (o.hex) {
      Print(ToText({FieldKind::kBytes, t.recordSize, 1}, record));
    } else if (o.json) {
      Json row = {{"table", t.shortName}};
      row.update(EntryJson(columns, entry));
      Print(row.dump());
    } else {
      Print(EntryText(columns, entry));
    }
  });
  return n == 0 ? kNothingMatched : kDone;
}

Exit Vrf(bool json) {
  NoteOwnStore();
  Srv6DbIter *iter = SRV6_DB_CreateVrfClassDataIterator(kBatch);
  if (iter == nullptr) EngineFailed("walking the VRF class data");
  const std::unique_ptr<Srv6DbIter, void (*)(Srv6DbIter *)> guard(
      iter, &SRV6_DB_ReleaseVrfClassDataIterator);
  Srv6DbVrfClassData data;
  uint32_t rc;
  uint64_t n = 0;
  while ((rc = SRV6_DB_GetNextVrfClassData(iter, &data)) == SRV6_DB_OK) {
    Json row = {{"table", "vrf"}};
    std::string text;
    for (const VrfField &f : VrfFields()) {
      const ValueType type{FieldKind::kUnsigned, f.width, f.width};
      const auto *at = reinterpret_cast<const uint8_t *>(&data) + f.offset;
      row[f.name] = ToJson(type, at);
      Append(text, ' ', f.name + "=" + ToText(type, at));
    }
    Print(json ? row.dump() : text);
    ++n;
  }
  if (rc != SRV6_DB_NOT_FOUND) EngineFailed("walking the VRF class data");
  return n == 0 ? kNothingMatched : kDone;
}

// Refuses nesting deeper than any record has before the parser meets it.
void CheckDepth(const std::string &line) {
  int depth = 0;
  bool inString = false;
  for (size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (inString) {
      if (c == '\\') ++i;
      inString = c != '"';
    } else if (c == '"') {
      inString = true;
    } else if ((c == '[' || c == '{') && ++depth > kMaxDepth) {
      throw Failure(kUsage, "nested deeper than " + std::to_string(kMaxDepth) + " levels");
    } else if (c == ']' || c == '}') {
      --depth;
    }
  }
}

// A record line as a JSON object: a JSON line, or the text `show` prints, optionally led by the
// table's name. @p table names the table of lines that name none.
Json ParseLine(const std::string &line, const std::string &table) {
  Json row = Json::object();
  const size_t first = line.find_first_not_of(" \t");
  if (line[first] == '{' || line[first] == '[') {
    CheckDepth(line);
    try {
      row = Json::parse(line);
    } catch (const Json::exception &e) {  // a syntax error, or a number no double holds
      std::string what = e.what();
      what = what.substr(what.find(']') + 2);
      what = what.substr(0, what.find("; last read"));
      if (what.size() > 120) what = what.substr(0, 120) + "...";
      throw Failure(kUsage, "malformed JSON (" + what + ")");
    }
    if (!row.is_object()) throw Failure(kUsage, "expected an object with a \"table\" name");
  } else {
    std::istringstream words(line);
    std::string word;
    for (bool lead = true; words >> word; lead = false) {
      const size_t eq = word.find('=');
      if (eq == std::string::npos && lead) {
        row["table"] = word;
        continue;
      }
      if (eq == std::string::npos || eq == 0)
        throw Failure(kUsage, "expected FIELD=VALUE, not " + Quote(word));
      const std::string name = word.substr(0, eq);
      if (row.contains(name)) throw Failure(kUsage, Quote(name) + " is given twice");
      row[name] = word.substr(eq + 1);
    }
  }
  if (!row.contains("table") && !table.empty()) row["table"] = table;
  if (!row.contains("table") || !row["table"].is_string()) {
    throw Failure(kUsage,
                  "the record names no table: give \"table\" (a text line may start with it), or "
                  "load --table TABLE");
  }
  return row;
}

// Writes one record line: a table record, or a VRF class data record (table "vrf").
void LoadLine(const std::string &line, uint64_t lineNo, const std::string &defaultTable) {
  Json row = ParseLine(line, defaultTable);
  const std::string table = row["table"].get<std::string>();
  row.erase("table");
  if (SameIgnoringCase(table, "vrf")) {
    Srv6DbEngineVrfClassData data{};
    for (const auto &item : row.items()) {
      const std::string &name = item.key();
      const Json &value = item.value();
      auto f = std::find_if(VrfFields().begin(), VrfFields().end(),
                            [&name](const VrfField &v) { return v.name == name; });
      if (f == VrfFields().end())
        throw Failure(kUsage, "the VRF class data have no field " + Quote(name));
      ParseNamed(name, {FieldKind::kUnsigned, f->width, f->width}, value,
                 reinterpret_cast<uint8_t *>(&data) + f->offset);
    }
    if (srv6db_engine_vrf_add(&data) != 0)
      EngineFailed("writing VRF class data of line " + std::to_string(lineNo));
    return;
  }
  const TableDef &t = TableNamed(table);
  std::vector<uint8_t> entry(t.entrySize, 0);
  for (const auto &[name, value] : row.items()) {
    const Field *f = FindField(t, name);
    if (f == nullptr)
      throw Failure(kUsage, std::string(t.shortName) + " has no field " + Quote(name));
    ParseNamed(name, TypeOf(*f), value, entry.data() + f->entryOffset);
  }
  std::string missing;
  for (const KeySegment &seg : t.keys[0].segments) {
    if (!row.contains(seg.name)) Append(missing, ',', seg.name);
  }
  if (!missing.empty()) {
    throw Failure(kUsage, std::string(t.shortName) + " record without " + missing +
                              "; a record gives every part of " + KeyText(t.keys[0]));
  }
  if (t.create(entry.data()) != SRV6_DB_OK) EngineFailed("writing line " + std::to_string(lineNo));
}

struct LoadOptions {
  std::string table;  // of the lines that name none
  bool keepGoing = false;
  bool report = false;  // the count on stderr
};

Exit Load(const std::string &file, const LoadOptions &o) {
  g_loaded = true;
  std::ifstream in;
  if (file != "-") in.open(file);
  std::istream &input = file == "-" ? std::cin : in;
  if (!input) throw Failure(kUsage, "cannot read " + file + ": " + std::strerror(errno));
  struct stat st {};
  const bool progress = file != "-" && isatty(STDERR_FILENO) && stat(file.c_str(), &st) == 0 &&
                        st.st_size >= kLongLoad;
  std::string line;
  uint64_t lineNo = 0, done = 0, bad = 0;
  off_t bytes = 0;
  int shown = -1;
  while (std::getline(input, line)) {
    ++lineNo;
    bytes += static_cast<off_t>(line.size() + 1);
    if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
    try {
      LoadLine(line, lineNo, o.table);
      ++done;
    } catch (const Failure &e) {
      if (e.code != kUsage) throw;
      const std::string where = file + ":" + std::to_string(lineNo) + ": " + e.what();
      if (!o.keepGoing)
        throw Failure(kUsage,
                      where + "; nothing after it was loaded (fix it, or pass --keep-going)");
      std::fprintf(stderr, "%ssrv6db: %s\n", progress ? "\r\033[K" : "", where.c_str());
      ++g_badLines;
      ++bad;
    }
    if (progress && static_cast<int>(bytes * 100 / st.st_size) != shown) {
      shown = static_cast<int>(bytes * 100 / st.st_size);
      std::fprintf(stderr, "\r[%-50s] %3d%% %llu records", std::string(shown / 2, '#').c_str(),
                   shown, static_cast<unsigned long long>(done));
    }
  }
  if (progress) std::fputs("\r\033[K", stderr);
  if (o.report && !g_quiet) {
    std::fprintf(stderr, "srv6db: loaded %llu records from %s",
                 static_cast<unsigned long long>(done), file.c_str());
    if (bad != 0)
      std::fprintf(stderr, ", %llu bad lines passed over", static_cast<unsigned long long>(bad));
    std::fputc('\n', stderr);
  }
  return kDone;
}

// Verifies a shared store: each problem a line on stdout, exit 1 when there is any.
Exit Check() {
  uint64_t problems = 0;
  const uint32_t rc = srv6db_engine_check([](uint32_t, const char *what, void *) { Print(what); },
                                          nullptr, &problems);
  if (rc == SRV6DB_ENGINE_ERR_WRONG_OPERATION) {
    Print("the in-memory engine's store is private to this process: nothing to check");
    return kDone;
  }
  if (rc != 0) EngineFailed("checking the store");
  if (!g_quiet) {
    std::fprintf(stderr, "srv6db: %llu problems in %s's store\n",
                 static_cast<unsigned long long>(problems), srv6db_engine_backend());
  }
  return problems == 0 ? kDone : kNothingMatched;
}

Exit Delete(const std::string &table, const std::vector<std::string> &matches, bool all) {
  const TableDef &t = TableNamed(table);
  if (matches.empty() != all) {
    throw Failure(kUsage, all ? "--all takes no FIELD=VALUE"
                              : "delete needs FIELD=VALUE to select, or --all to empty the "
                                "table; see 'srv6db delete --help'");
  }
  Selection s = Select(t, matches);
  std::vector<std::vector<uint8_t>> entries;
  Walk(s, [&](const uint8_t *, const uint8_t *entry) {
    entries.emplace_back(entry, entry + t.entrySize);
  });
  for (std::vector<uint8_t> &entry : entries) {
    // A record another process removed first is gone all the same.
    if (t.remove(entry.data()) != SRV6_DB_OK && srv6db_engine_last_error() != DB_ERR_NO_RECORD)
      EngineFailed("deleting from " + std::string(t.shortName));
  }
  if (!g_quiet) {
    std::fprintf(stderr, "srv6db: deleted %zu %s records\n", entries.size(), t.shortName);
  }
  return entries.empty() ? kNothingMatched : kDone;
}

// `watch` options beyond the tables.
struct WatchOptions {
  bool json = false;
  bool snapshot = false;
  std::string since;   // [EPOCH:]REV
  uint64_t limit = 0;  // lines: listed records and changes
  uint64_t printed = 0;
  bool Done() const { return limit != 0 && printed >= limit; }
};

constexpr Exit kLost = static_cast<Exit>(4);  // watch: changes lost past the log's retention
constexpr uint32_t kWaitMs = 10000;           // one blocking read of the log
constexpr int kRetries = 300;                 // reads that found the server away, 0.1 s apart

// Prints one change (or, for a snapshot, one record as "snapshot") with its revision.
void PrintChange(WatchOptions &o, const char *kind, uint32_t table, uint64_t epoch,
                 uint64_t revision, const uint8_t *record) {
  ++o.printed;
  const TableDef &t = *kCatalog[table];
  std::vector<uint8_t> entry(t.entrySize);
  DecodeRecord(t, record, entry.data());
  const Columns columns = ColumnsOf(t, {});
  if (o.json) {
    Json row = {{"change", kind}, {"table", t.shortName}, {"revision", revision}, {"epoch", epoch}};
    row.update(EntryJson(columns, entry.data()));
    Print(row.dump());
  } else {
    Print(std::string(kind) + " " + t.shortName + " rev=" + std::to_string(revision) + " " +
          EntryText(columns, entry.data()));
  }
}

// Prints a table's records and sets its cursor to the revision to follow from.
void Snapshot(WatchOptions &o, Srv6DbEngineCursor *cursor) {
  const uint32_t table = cursor->table;
  // The revision is known only once the walk ends: the records show the one they follow.
  std::vector<std::vector<uint8_t>> records;
  const uint32_t rc = srv6db_engine_snapshot(
      cursor->table,
      [](const void *r, uint32_t len, void *user) {
        auto *out = static_cast<std::vector<std::vector<uint8_t>> *>(user);
        out->emplace_back(static_cast<const uint8_t *>(r), static_cast<const uint8_t *>(r) + len);
        return 0;
      },
      &records, cursor);
  if (rc != 0) EngineFailed("listing " + std::string(kCatalog[table]->shortName));
  for (size_t i = 0; i < records.size() && !o.Done(); ++i)
    PrintChange(o, "snapshot", table, cursor->epoch, cursor->revision, records[i].data());
}

Exit Watch(const std::vector<std::string> &tables, WatchOptions &o,
           const std::vector<std::string> &loads, const LoadOptions &loading) {
  std::vector<Srv6DbEngineCursor> cursors;
  for (uint32_t id = 0; id < SRV6_DB_TABLE_NUM; ++id) {
    bool wanted = tables.empty();
    for (const std::string &name : tables) wanted |= TableNamed(name).id == id;
    if (wanted) cursors.push_back({id, 0, 0, 0, 0});
  }
  if (!o.since.empty() && (cursors.size() != 1 || o.snapshot))
    throw Failure(kUsage, "--since follows one table: name exactly one, without --snapshot");
  for (Srv6DbEngineCursor &c : cursors) {
    if (o.Done()) return kDone;
    if (o.snapshot) {
      Snapshot(o, &c);
    } else if (srv6db_engine_log_head(&c) != 0) {
      EngineFailed("reading its change log");
    }
  }
  if (!o.since.empty()) {
    // EPOCH:REV as printed in JSON; REV alone is taken in the log's current epoch.
    const size_t colon = o.since.find(':');
    try {
      size_t used = 0;
      if (colon != std::string::npos) cursors[0].epoch = std::stoull(o.since.substr(0, colon));
      const std::string rev = o.since.substr(colon == std::string::npos ? 0 : colon + 1);
      cursors[0].revision = std::stoull(rev, &used);
      if (used != rev.size() || rev[0] == '-') throw std::invalid_argument(rev);
    } catch (const std::exception &) {
      throw Failure(kUsage, "--since takes REV or EPOCH:REV, not " + Quote(o.since));
    }
  }
  std::fflush(stdout);
  for (const std::string &file : loads) Load(file, loading);
  std::vector<Srv6DbEngineChange> changes(64);
  int away = 0;
  while (!o.Done()) {
    uint32_t n = 0;
    const uint32_t want = static_cast<uint32_t>(
        o.limit == 0 || o.limit - o.printed >= changes.size() ? changes.size()
                                                              : o.limit - o.printed);
    const uint32_t rc = srv6db_engine_read_log(
        cursors.data(), static_cast<uint32_t>(cursors.size()), changes.data(), want, &n, kWaitMs);
    if (rc == SRV6DB_ENGINE_ERR_UNAVAILABLE && ++away < kRetries) {
      const timespec pause{0, 100'000'000};  // the server restarts: nothing is lost meanwhile
      nanosleep(&pause, nullptr);
      continue;
    }
    away = 0;
    if (rc == SRV6DB_ENGINE_ERR_LOG_GAP) {
      for (Srv6DbEngineCursor &c : cursors) {
        if (!c.gap || o.Done()) continue;
        const std::string name = kCatalog[c.table]->shortName;
        const std::string lost =
            c.lost == UINT64_MAX ? "an unknown number of" : std::to_string(c.lost);
        if (!o.snapshot) {
          throw Failure(kLost, name + ": " + lost + " changes after revision " +
                                   std::to_string(c.revision) +
                                   " are no longer in the log; run 'srv6db watch " + name +
                                   " --snapshot' to list the table and follow it");
        }
        if (!g_quiet)
          std::fprintf(stderr, "srv6db: %s: %s changes lost, listing the table again\n",
                       name.c_str(), lost.c_str());
        Snapshot(o, &c);
      }
      continue;
    }
    if (rc != 0) EngineFailed("reading its change log");
    for (uint32_t i = 0; i < n; ++i) {
      const Srv6DbEngineChange &c = changes[i];
      uint64_t epoch = 0;
      for (const Srv6DbEngineCursor &k : cursors)
        if (k.table == c.table) epoch = k.epoch;
      PrintChange(o, kChangeKinds[c.kind < 3 ? c.kind : 1], c.table, epoch, c.revision, c.record);
    }
    std::fflush(stdout);
  }
  return kDone;
}

// Redis: loads this build's function library and deletes other versions (an administrator's
// act, for servers whose engine users may not load it).
int LoadFunctions() {
  const uint32_t code = srv6db_engine_load_functions();
  if (code == SRV6DB_ENGINE_ERR_WRONG_OPERATION)
    throw Failure(kUsage, "load-functions needs a Redis engine (--engine or SRV6DB_ENGINE)");
  if (code != 0) EngineFailed("to load its function library (code " + std::to_string(code) + ")");
  return kDone;
}

int Run(int argc, char **argv) {
  CLI::App app{"Looks at, follows and loads the SRv6 tables that routing processes share.",
               "srv6db"};
  app.footer(
      "Selection: FIELD=VALUE of any fields. The longest key they cover selects, the others\n"
      "filter; with no key covered, a walk of the whole table filters. Addresses also take\n"
      "ADDRESS/LENGTH, byte arrays an optional 0x.\n"
      "Engine: SRV6DB_ENGINE, or --engine URL: memory (the default), lmdb:///DIR (the processes\n"
      "of one host), redis://[USER[:PASSWORD]@]HOST[:PORT][/DB], unix:///PATH[?db=N] or\n"
      "redis+sentinel://HOST:PORT[,...]/SERVICE (several machines). The in-memory engine lives\n"
      "inside this one process and holds only what this invocation wrote (--load FILE, or\n"
      "load FILE --then ...): look at a running system through a shared engine.\n"
      "Commands joined by --then run in turn in one process: srv6db load FILE --then show TABLE.\n"
      "Exit codes (of the last command): 0 done, 1 nothing matched, 2 usage error or bad input,\n"
      "3 engine unreachable or failing, 4 (watch) changes lost past the log's retention.");
  app.require_subcommand(1);
  app.fallthrough();
  std::string engine;
  std::vector<std::string> loads;
  LoadOptions loading;
  bool json = false;
  app.add_option("--engine", engine, "Engine URL (overrides SRV6DB_ENGINE)");
  app.add_option("--load", loads,
                 "File of records to load before the subcommand runs (watch: once it follows)")
      ->type_name("FILE");
  app.add_flag("--keep-going", loading.keepGoing, "Load the lines after a malformed one too");
  bool quiet = false;
  app.add_flag("--quiet", quiet, "No counts of loaded or deleted records on stderr");

  CLI::App *tables =
      app.add_subcommand("tables", "Every table: id, names, record size, records now, keys");
  tables->add_flag("--json", json, "One JSON object a line");

  ShowOptions show;
  CLI::App *showCmd =
      app.add_subcommand("show", "The records of a table, or those that FIELD=VALUE selects");
  showCmd->add_option("table", show.table, "Table name (LocalSid or srv6_local_sid)")->required();
  showCmd->add_option(
      "match", show.matches,
      "FIELD=VALUE of any fields, an address field also ADDRESS/LENGTH: the longest key whose "
      "parts are all given selects, the other fields filter; with no key given, a walk of the "
      "whole table filters");
  showCmd->add_option("--fields", show.fields, "Only these columns: FIELD,FIELD,...")
      ->delimiter(',');
  showCmd->add_flag("--json", show.json, "JSON Lines, the shape `load` reads");
  showCmd->add_flag("--count", show.count, "Only the number of records");
  showCmd->add_flag("--hex", show.hex, "Each record's bytes as the engine holds them");

  std::vector<std::string> watched;
  WatchOptions watching;
  CLI::App *watch = app.add_subcommand(
      "watch",
      "Prints each change of the tables, with its revision, as it comes, until interrupted");
  watch->add_option("tables", watched, "Tables to follow (default: all)");
  watch->add_flag("--json", watching.json,
                  "One JSON object a line, with \"change\": create, update or remove (snapshot "
                  "for a listed record), \"revision\" and \"epoch\"");
  watch->add_option("--limit", watching.limit,
                    "Stop after this many lines (listed records and changes)");
  watch
      ->add_option("--since", watching.since,
                   "Follow the changes after this revision of one table (EPOCH:REV as --json "
                   "prints, or REV in the log's current epoch)")
      ->type_name("[EPOCH:]REV");
  watch->add_flag("--snapshot", watching.snapshot,
                  "Print the tables' records first, then their changes from the revision the "
                  "listing returned; when changes were lost, list again and go on");

  std::string file;
  CLI::App *load = app.add_subcommand(
      "load", "Writes the records of a file: JSON lines or text lines, as show prints them");
  load->add_option("file", file, "The file, or - for standard input")->required();
  load->add_option("--table", loading.table, "Table of the lines that name none");

  std::string table;
  std::vector<std::string> matches;
  bool all = false;
  CLI::App *del = app.add_subcommand("delete", "Removes the records that FIELD=VALUE selects");
  del->add_option("table", table, "Table name")->required();
  del->add_option("match", matches, "FIELD=VALUE, as for show");
  del->add_flag("--all", all, "Every record of the table (and no FIELD=VALUE)");

  CLI::App *check = app.add_subcommand(
      "check", "Verifies a shared store: index entries, records and counts agree (exit 1 if not)");

  CLI::App *vrf = app.add_subcommand("vrf", "The VRF class data records");
  vrf->add_flag("--json", json, "One JSON object a line");

  CLI::App *functions = app.add_subcommand(
      "load-functions", "Redis: loads this build's function library, deletes other versions");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError &e) {
    if (e.get_exit_code() == 0) return app.exit(e);
    const auto used = app.get_subcommands();
    const std::vector<std::string> extra = app.remaining();
    if (used.empty() && !extra.empty()) {
      throw Failure(kUsage, "no subcommand \"" + extra[0] + "\"; see 'srv6db --help'");
    }
    const std::string help =
        used.empty() ? "srv6db --help" : "srv6db " + used[0]->get_name() + " --help";
    throw Failure(kUsage, std::string(e.what()) + "; see '" + help + "'");
  }
  g_quiet = quiet;
  UseEngine(engine);
  if (watch->parsed()) return Watch(watched, watching, loads, loading);
  for (const std::string &f : loads) Load(f, loading);
  if (tables->parsed()) return Tables(json);
  if (showCmd->parsed()) return Show(show);
  if (load->parsed()) {
    loading.report = true;
    return Load(file, loading);
  }
  if (del->parsed()) return Delete(table, matches, all);
  if (check->parsed()) return Check();
  if (functions->parsed()) return LoadFunctions();
  return Vrf(json);
}

}  // namespace
}  // namespace srv6db::tool

// Runs the commands that "--then" separates, in order, in this one process (the in-memory engine
// keeps what the earlier ones wrote); a usage or engine failure stops the rest.
int main(int argc, char **argv) {
  using namespace srv6db::tool;
  int code = kDone;
  try {
    for (int first = 1, last = 1; first <= argc; first = ++last) {
      while (last < argc && std::strcmp(argv[last], "--then") != 0) ++last;
      std::vector<char *> args{argv[0]};
      args.insert(args.end(), argv + first, argv + last);
      code = Run(static_cast<int>(args.size()), args.data());
    }
    return code == kDone && g_badLines != 0 ? kUsage : code;  // each bad line was reported
  } catch (const Failure &e) {
    std::fprintf(stderr, "srv6db: %s\n", e.what());
    return e.code;
  }
}
