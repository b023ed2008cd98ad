#include <gtest/gtest.h>

#include "core/class_name.h"

namespace lumen {
namespace {

TEST(ClassName, BinaryNamesAndTheFormsMistakenForThem) {
    struct Case {
        const char* name;
        ClassNameCheck expected;
    } cases[] = {
        {"Main", ClassNameCheck::Ok},
        {"com.example.Main", ClassNameCheck::Ok},
        {"com.example.Outer$Inner", ClassNameCheck::Ok},
        {"_a.$b.c9", ClassNameCheck::Ok},
        {"caf\xc3\xa9.Main", ClassNameCheck::Ok},
        {"", ClassNameCheck::Empty},
        {"org/acme/Greeter", ClassNameCheck::FileName},
        {"org\\acme\\Greeter", ClassNameCheck::FileName},
        {"org.acme.Greeter.class", ClassNameCheck::FileName},
        {"Greeter.java", ClassNameCheck::FileName},
        {".Main", ClassNameCheck::NotDotted},
        {"Main.", ClassNameCheck::NotDotted},
        {"com..Main", ClassNameCheck::NotDotted},
        {"9lives.Main", ClassNameCheck::BadPart},
        {"com.example.2nd", ClassNameCheck::BadPart},
        {"my-app.Main", ClassNameCheck::BadPart},
        {"com.example.Main ", ClassNameCheck::BadPart},
        {"com.example.Main arg", ClassNameCheck::BadPart},
    };
    for (const Case& c : cases)
        EXPECT_EQ(checkBinaryClassName(c.name), c.expected) << "'" << c.name << "'";
}

} // namespace
} // namespace lumen
