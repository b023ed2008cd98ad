#include "builder/key_reference.h"

#include <cstring>

#include "core/property_catalogue.h"

namespace lumen::builder {
namespace {

const char* kindText(PropertyKind kind) {
    switch (kind) {
    case PropertyKind::Text:
        return "text";
    case PropertyKind::WideText:
        return "text (UTF-16)";
    case PropertyKind::Integer:
        return "whole number";
    case PropertyKind::Flag:
        return "true / false";
    case PropertyKind::List:
        return "list of texts, or a text";
    case PropertyKind::Colour:
        return "\"r,g,b\"";
    case PropertyKind::ProductKind:
        return "\"launcher\" / \"installer\"";
    case PropertyKind::ExecutableType:
        return "\"gui\" / \"console\" / number";
    case PropertyKind::RedirectionFile:
        return "file name (sets the id before it too)";
    }
    return "";
}

// A default as one table cell: line breaks shown as \n, bars escaped.
std::string cellText(const char* text) {
    std::string cell = "\"";
    for (const char* c = text; *c != '\0'; ++c) {
        if (*c == '\n')
            cell += "\\n";
        else if (*c == '|')
            cell += "\\|";
        else
            cell += *c;
    }
    return cell + "\"";
}

} // namespace

std::string keyReference() {
    std::string out;
    for (const char* table : {"launcher", "splash", "messages", "ui-texts"}) {
        out += std::string("\n### `[") + table + "]`\n\n";
        out += "| key | id | value | default | meaning |\n|---|---|---|---|---|\n";
        for (const PropertyInfo* info = propertyCatalogueBegin(); info != propertyCatalogueEnd();
             ++info) {
            if (info->key == nullptr || std::strcmp(info->table, table) != 0) continue;
            out += std::string("| ") + info->key;
            if (info->formerKey != nullptr)
                out += std::string(" (formerly ") + info->formerKey + ")";
            out += " | " + std::to_string(idOf(info->id)) + " | " + kindText(info->kind) + " | ";
            out +=
                info->builderDefault != nullptr ? cellText(info->builderDefault) : std::string("—");
            out += std::string(" | ") + info->meaning + " |\n";
        }
    }
    return out;
}

} // namespace lumen::builder
