// Typed reading of scenario values: every mistake is an error with its place in the file.
#include "sim/ScenarioValues.h"

#include <cctype>

namespace vork::sim::scenario {
namespace {

std::string OutOfRange(const std::string& where, const std::string& value, std::uint64_t max) {
    return where + ": " + value + " is out of range (0 to " + std::to_string(max) + ")";
}

// Decimal or "0x" hexadecimal text, digits only: no sign, no space, nothing after.
bool ParseText(const std::string& text, std::uint64_t& value) {
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::size_t first = hex ? 2 : 0;
    if (text.size() <= first || text.size() - first > 16) return false;
    value = 0;
    for (std::size_t i = first; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (hex ? !std::isxdigit(c) : !std::isdigit(c)) return false;
        const std::uint64_t digit = std::isdigit(c) ? c - '0' : std::tolower(c) - 'a' + 10;
        const std::uint64_t base = hex ? 16 : 10;
        if (value > (std::numeric_limits<std::uint64_t>::max() - digit) / base) return false;
        value = value * base + digit;
    }
    return true;
}

}  // namespace

void CheckKeys(const json& object, const std::string& where,
               std::initializer_list<const char*> allowed) {
    if (!object.is_object()) throw Error(where + ": expected an object");
    for (const auto& [key, value] : object.items()) {
        bool known = false;
        for (const char* name : allowed) known = known || key == name;
        if (!known) throw Error(where + ": unknown key \"" + key.substr(0, 40) + "\"");
    }
}

std::uint64_t Number(const json& value, const std::string& where, std::uint64_t max) {
    if (value.is_number_unsigned()) {
        const std::uint64_t n = value.get<std::uint64_t>();
        if (n > max) throw Error(OutOfRange(where, std::to_string(n), max));
        return n;
    }
    if (value.is_number_integer()) throw Error(OutOfRange(where, value.dump(), max));
    if (value.is_number()) throw Error(where + ": expected a whole number");
    if (value.is_string()) {
        const auto& text = value.get_ref<const std::string&>();
        std::uint64_t n = 0;
        if (!ParseText(text, n))
            throw Error(where + ": expected a number, not \"" + text.substr(0, 40) + "\"");
        if (n > max) throw Error(OutOfRange(where, text, max));
        return n;
    }
    throw Error(where + ": expected a number");
}

bool BoolOr(const json& object, const char* key, bool fallback, const std::string& where) {
    if (!object.contains(key)) return fallback;
    const json& value = object[key];
    if (!value.is_boolean()) throw Error(where + "." + key + ": expected true or false");
    return value.get<bool>();
}

std::string TextOr(const json& object, const char* key, const std::string& fallback,
                   const std::string& where) {
    if (!object.contains(key)) return fallback;
    const json& value = object[key];
    if (!value.is_string()) throw Error(where + "." + key + ": expected text");
    return value.get<std::string>();
}

std::vector<std::string> TextList(const json& object, const char* key, const std::string& where) {
    std::vector<std::string> texts;
    const json& list = ListOf(object, key, where);
    for (std::size_t i = 0; i < list.size(); ++i) {
        if (!list[i].is_string())
            throw Error(where + "." + key + "[" + std::to_string(i) + "]: expected text");
        texts.push_back(list[i].get<std::string>());
    }
    return texts;
}

const json& ListOf(const json& object, const char* key, const std::string& where) {
    static const json kEmpty = json::array();
    if (!object.contains(key)) return kEmpty;
    const json& list = object[key];
    if (!list.is_array()) throw Error(where + "." + key + ": expected a list");
    return list;
}

}  // namespace vork::sim::scenario
