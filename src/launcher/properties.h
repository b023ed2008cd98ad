// The process-wide property store and its lookups by id.
//
// Contract: filled once by readConfiguration() on the main thread before
// any other thread starts; read-only afterwards. Absent ids read as the
// empty text or 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "core/property_store.h"

namespace lumen {

PropertyStore& mutablePropertyStore(); // for the configuration reader only
const PropertyStore& propertyStore();

size_t getStringProperty(int32_t id, char* buffer, size_t capacity);
size_t getWideProperty(int32_t id, char16_t* buffer, size_t capacity);
std::string stringProperty(int32_t id);
std::u16string wideProperty(int32_t id);
int32_t getIntProperty(int32_t id);
uint32_t getColorProperty(int32_t id);

} // namespace lumen
