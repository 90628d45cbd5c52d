#pragma once
// Reading typed values out of a scenario file's JSON, each failure an error that names its place in
// the file ("controllers[0].ports[1].printer.product: 70000 is out of range (0 to 65535)"). Only
// the scenario loader uses it.
#include <nlohmann/json.hpp>

#include <cstdint>
#include <initializer_list>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace vork::sim::scenario {

using nlohmann::json;

// A problem in the file, with the place it was found.
struct Error : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// The object's keys must all be among `allowed`.
void CheckKeys(const json& object, const std::string& where,
               std::initializer_list<const char*> allowed);

// A whole number from 0 to `max`, written as a JSON number or as text in decimal or hexadecimal
// ("33", "0x21").
std::uint64_t Number(const json& value, const std::string& where, std::uint64_t max);

template <typename T>
T NumberOr(const json& object, const char* key, T fallback, const std::string& where,
           std::uint64_t max = std::numeric_limits<T>::max()) {
    if (!object.contains(key)) return fallback;
    return static_cast<T>(Number(object[key], where + "." + key, max));
}

bool BoolOr(const json& object, const char* key, bool fallback, const std::string& where);
std::string TextOr(const json& object, const char* key, const std::string& fallback,
                   const std::string& where);
std::vector<std::string> TextList(const json& object, const char* key, const std::string& where);

// The list under `key` (empty when absent); anything but a list is an error.
const json& ListOf(const json& object, const char* key, const std::string& where);

}  // namespace vork::sim::scenario
