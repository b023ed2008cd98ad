#include <expat.h>

#include <memory>

#include "builder/manifest.h"

namespace lumen::builder {
namespace {

constexpr char kSeparator = '|';

struct ParserState {
    XML_Parser parser = nullptr;
    XmlRoot* root = nullptr;
    bool sawRoot = false;
    bool sawDoctype = false;
};

void XMLCALL onStart(void* data, const XML_Char* name, const XML_Char** /*attributes*/) {
    auto* state = static_cast<ParserState*>(data);
    if (state->sawRoot) return;
    state->sawRoot = true;
    const std::string full(name);
    const size_t separator = full.find(kSeparator);
    if (separator == std::string::npos) {
        state->root->localName = full;
    } else {
        state->root->namespaceUri = full.substr(0, separator);
        state->root->localName = full.substr(separator + 1);
    }
}

void XMLCALL onDoctype(void* data, const XML_Char*, const XML_Char*, const XML_Char*, int) {
    auto* state = static_cast<ParserState*>(data);
    state->sawDoctype = true;
    XML_StopParser(state->parser, XML_FALSE);
}

} // namespace

bool parseXml(const std::string& text, XmlRoot& root, std::string& error) {
    const std::unique_ptr<XML_ParserStruct, decltype(&XML_ParserFree)> parser(
        XML_ParserCreateNS(nullptr, kSeparator), &XML_ParserFree);
    if (!parser) {
        error = "out of memory";
        return false;
    }
    root = XmlRoot();
    ParserState state{parser.get(), &root};
    XML_SetUserData(parser.get(), &state);
    XML_SetStartElementHandler(parser.get(), onStart);
    XML_SetStartDoctypeDeclHandler(parser.get(), onDoctype);
    if (XML_Parse(parser.get(), text.data(), static_cast<int>(text.size()), XML_TRUE) ==
        XML_STATUS_OK)
        return true;
    error = state.sawDoctype ? "a document type declaration is not allowed"
                             : XML_ErrorString(XML_GetErrorCode(parser.get()));
    error += " (line " + std::to_string(XML_GetCurrentLineNumber(parser.get())) + ")";
    return false;
}

} // namespace lumen::builder
