// The launch record's fields by name: setting them from "record" lines,
// printing the output fields and comparing them for "expect record".
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "../standin/StandIn.h"
#include "Scenario.h"

namespace qvhost {

enum FieldType { kU8, kU16, kU32, kText, kBytes };

struct RecordField {
    const char* name;
    size_t offset;
    size_t size;
    FieldType type;
    bool output;
};

#define QV_FIELD(name, type, output)                                                                         \
    { #name, offsetof(LaunchRecord, name), sizeof(LaunchRecord::name), type, output }

static const RecordField kFields[] = {
    QV_FIELD(nextAction, kU32, true),         QV_FIELD(gameWord, kU16, true),
    QV_FIELD(gameName, kText, true),          QV_FIELD(gameInfo, kText, true),
    QV_FIELD(accountName, kText, false),      QV_FIELD(characterName, kText, false),
    QV_FIELD(characterClass, kU8, false),     QV_FIELD(characterFlags, kU16, false),
    QV_FIELD(gameFlags, kU32, true),          QV_FIELD(gameDifficulty, kU8, true),
    QV_FIELD(gameAddress, kU32, true),        QV_FIELD(realmName, kText, false),
    QV_FIELD(gamePassword, kText, true),      QV_FIELD(gameDescription, kText, true),
    QV_FIELD(accountKind, kU8, false),        QV_FIELD(channelName, kText, true),
    QV_FIELD(homeChannelName, kText, true),   QV_FIELD(figureLookA, kBytes, false),
    QV_FIELD(figureLookB, kBytes, false),     QV_FIELD(characterLevel, kU8, false),
    QV_FIELD(characterRealmByte, kU8, false), QV_FIELD(guardWordHash, kU32, false),
    QV_FIELD(guardWordLength, kU32, false),   QV_FIELD(figureFlags, kU16, false),
};

#undef QV_FIELD

// The order in which the output fields are printed.
static const char* const kOutputOrder[] = {"nextAction",     "gameWord",     "gameName",        "gameInfo",
                                           "gameAddress",    "gamePassword", "gameDescription", "gameFlags",
                                           "gameDifficulty", "channelName",  "homeChannelName"};

static const RecordField* FindField(const std::string& name) {
    for (const RecordField& f : kFields)
        if (name == f.name) return &f;
    return nullptr;
}

bool IsRecordField(const std::string& field) {
    return FindField(field) != nullptr || field == "guardWord";
}

std::vector<std::string> OutputFieldNames() {
    return std::vector<std::string>(std::begin(kOutputOrder), std::end(kOutputOrder));
}

// A number for the field as written in a scenario, within the field's size;
// negative values stand for the field's two's complement.
static uint32_t FieldNumber(const Where& where, const std::string& value, const RecordField& f) {
    long long limit = f.size == 4 ? 0xffffffffLL : (1LL << (8 * f.size)) - 1;
    long long v = ParseNumber(where, value, f.name, -(limit / 2 + 1), limit);
    return (uint32_t)(v & limit);
}

static uint32_t ReadNumber(const LaunchRecord* record, const RecordField& f) {
    const uint8_t* p = reinterpret_cast<const uint8_t*>(record) + f.offset;
    uint32_t value = 0;
    std::memcpy(&value, p, f.size); // little-endian, like the host
    return value;
}

// A text field is shown up to its terminator, or whole when it has none.
static std::string ReadText(const LaunchRecord* record, const RecordField& f) {
    const char* p = reinterpret_cast<const char*>(record) + f.offset;
    return std::string(p, strnlen(p, f.size));
}

static std::string FieldText(const LaunchRecord* record, const RecordField& f) {
    char buf[64];
    switch (f.type) {
    case kText:
        return Quote(ReadText(record, f));
    case kBytes: {
        std::string out;
        const uint8_t* p = reinterpret_cast<const uint8_t*>(record) + f.offset;
        for (size_t i = 0; i < f.size; ++i) {
            std::snprintf(buf, sizeof buf, "%s%02x", i ? " " : "", p[i]);
            out += buf;
        }
        return out;
    }
    default: {
        uint32_t v = ReadNumber(record, f);
        std::snprintf(buf, sizeof buf, "%u (0x%x)", v, v);
        return buf;
    }
    }
}

std::string RecordFieldText(const LaunchRecord* record, const std::string& field, bool* known) {
    const RecordField* f = FindField(field);
    *known = f != nullptr;
    return f ? FieldText(record, *f) : "";
}

std::string RecordOutputText(const LaunchRecord* record) {
    std::string out;
    for (const char* name : kOutputOrder) {
        const RecordField* f = FindField(name);
        out += "  ";
        out += name;
        out += " = ";
        out += FieldText(record, *f);
        out += "\n";
    }
    return out;
}

static void WriteField(LaunchRecord* record, const RecordField& f, const std::string& value,
                       const Where& where) {
    uint8_t* p = reinterpret_cast<uint8_t*>(record) + f.offset;
    switch (f.type) {
    case kText:
        if (value.size() >= f.size)
            ScenarioError(where,
                          std::string(f.name) + " holds at most " + std::to_string(f.size - 1) + " bytes");
        std::memset(p, 0, f.size);
        std::memcpy(p, value.data(), value.size());
        return;
    case kBytes: {
        std::vector<uint8_t> bytes = ParseHex(where, value);
        if (bytes.size() > f.size)
            ScenarioError(where, std::string(f.name) + " holds " + std::to_string(f.size) + " bytes");
        std::memset(p, 0, f.size);
        std::memcpy(p, bytes.data(), bytes.size());
        return;
    }
    default: {
        uint32_t u = FieldNumber(where, value, f);
        std::memcpy(p, &u, f.size);
        return;
    }
    }
}

void SetRecordField(LineReader& reader, LaunchRecord* record) {
    std::string name = reader.Word("field name");
    const Where& where = reader.where();
    if (name == "guardWord") {
        // The host hands the word over as its hash and length only.
        std::string word = reader.Rest();
        record->guardWordHash = word.empty() ? 0 : standin::HashOf(word);
        record->guardWordLength = (uint32_t)word.size();
        return;
    }
    if (name == "raw") {
        long long offset = reader.Number("offset", 0, sizeof(LaunchRecord));
        std::vector<uint8_t> bytes = ParseHex(where, reader.Rest());
        if ((size_t)offset + bytes.size() > sizeof(LaunchRecord))
            ScenarioError(where, "the bytes do not fit in the 0x400-byte record");
        std::memcpy(reinterpret_cast<uint8_t*>(record) + offset, bytes.data(), bytes.size());
        return;
    }
    const RecordField* f = FindField(name);
    if (!f) ScenarioError(where, "unknown launch record field: " + name);
    std::string value = f->type == kText || f->type == kBytes ? reader.Rest() : reader.Word("value");
    if (f->type != kText && f->type != kBytes) reader.End();
    WriteField(record, *f, value, where);
}

std::string CompareRecordField(const LaunchRecord* record, const std::string& field, const std::string& value,
                               const Where& where) {
    const RecordField* f = FindField(field);
    if (!f) ScenarioError(where, "unknown launch record field: " + field);
    bool same = false;
    switch (f->type) {
    case kText:
        same = ReadText(record, *f) == value;
        break;
    case kBytes: {
        std::vector<uint8_t> bytes = ParseHex(where, value);
        bytes.resize(f->size, 0);
        same = std::memcmp(reinterpret_cast<const uint8_t*>(record) + f->offset, bytes.data(), f->size) == 0;
        break;
    }
    default:
        same = ReadNumber(record, *f) == FieldNumber(where, value, *f);
        break;
    }
    if (same) return "";
    return "record " + field + ": expected " + (f->type == kText ? Quote(value) : value) + ", found " +
           FieldText(record, *f);
}

} // namespace qvhost
