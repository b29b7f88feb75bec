#include "platform/embedded_resource.h"

#include <map>
#include <utility>

#include "platform/code_page.h"

namespace platform {
namespace {

// The program has one thread; registration happens before the first lookup.
struct Table {
    std::map<std::pair<std::string, std::string>, std::string> resources;
};

// Created on first use, so that registrations during static initialisation find it.
Table& Resources() {
    static Table table;
    return table;
}

}  // namespace

void RegisterEmbeddedResource(const std::string& name, const std::string& type, const std::string& bytes) {
    Table& table = Resources();
    table.resources[{UpperCaseAnsi(name), UpperCaseAnsi(type)}] = bytes;
}

std::optional<std::string> FindEmbeddedResource(const std::string& name, const std::string& type) {
    Table& table = Resources();
    const auto found = table.resources.find({UpperCaseAnsi(name), UpperCaseAnsi(type)});
    if (found == table.resources.end()) return std::nullopt;
    return found->second;
}

}  // namespace platform
