#include <fstream>
#include <gtest/gtest.h>
#include <set>
#include <sstream>
#include <string>

#include "builder/description.h"
#include "builder/key_reference.h"
#include "core/property_catalogue.h"

namespace lumen {
namespace {

TEST(PropertyCatalogue, IdsAscendAndEveryKeyFindsItsOwnEntry) {
    std::set<std::string> keys;
    int32_t previous = 0;
    for (const PropertyInfo* info = propertyCatalogueBegin(); info != propertyCatalogueEnd();
         ++info) {
        EXPECT_LT(previous, idOf(info->id)) << "ascending ids, each once";
        previous = idOf(info->id);
        EXPECT_EQ(findProperty(idOf(info->id)), info);
        EXPECT_NE(info->meaning, nullptr);
        // The texts of the launcher's windows, and the splash screen's
        // start-up texts added later.
        EXPECT_EQ(info->kind == PropertyKind::WideText,
                  (idOf(info->id) >= 20001 && idOf(info->id) <= 20016) ||
                      (idOf(info->id) >= 30005 && idOf(info->id) <= 30007))
            << idOf(info->id);
        if (info->key == nullptr) continue;
        EXPECT_TRUE(keys.insert(std::string(info->table) + "." + info->key).second) << info->key;
        EXPECT_EQ(findPropertyByKey(info->table, info->key), info);
        if (info->formerKey != nullptr) {
            EXPECT_EQ(findPropertyByKey(info->table, info->formerKey), info);
        }
    }
    EXPECT_EQ(findProperty(108), nullptr);
    EXPECT_EQ(findPropertyByKey("splash", "main-class"), nullptr) << "keys belong to their table";
}

TEST(PropertyCatalogue, DocumentationCarriesTheGeneratedKeyReference) {
    std::ifstream file(std::string(LUMEN_SOURCE_DIR) + "/docs/description-format.md");
    ASSERT_TRUE(file);
    std::ostringstream text;
    text << file.rdbuf();
    const std::string doc = text.str();
    const size_t begin = doc.find(builder::kKeyReferenceBegin);
    const size_t end = doc.find(builder::kKeyReferenceEnd);
    ASSERT_NE(begin, std::string::npos);
    ASSERT_NE(end, std::string::npos);
    const size_t from = begin + std::string(builder::kKeyReferenceBegin).size() + 1;
    EXPECT_EQ(doc.substr(from, end - from), builder::keyReference())
        << "regenerate with: dist/bin/lumen-build --key-reference";
}

} // namespace
} // namespace lumen
