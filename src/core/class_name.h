// The form of the application's main class as the launcher hands it to
// the Java side: a binary class name ("com.example.Main",
// "com.example.Outer$Inner").
#pragma once

#include <string>

namespace lumen {

enum class ClassNameCheck {
    Ok,
    Empty,
    FileName,  // a path or file name ("org/acme/Greeter.class", "Main.java")
    NotDotted, // an empty part ("com..Main", ".Main", "Main.")
    BadPart,   // a part that is no Java identifier ("com.1st.Main", "my-app.Main")
};

// Parts are separated by '.'; each is a Java identifier: ASCII letters,
// digits, '_' and '$', not beginning with a digit. Bytes from 0x80 on
// (letters of other scripts in UTF-8) are taken as letters; the JVM is the
// judge of those.
ClassNameCheck checkBinaryClassName(const std::string& name);

} // namespace lumen
