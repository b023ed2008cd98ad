#include "launcher/properties.h"

namespace lumen {

PropertyStore& mutablePropertyStore() {
    static PropertyStore store;
    return store;
}

const PropertyStore& propertyStore() {
    return mutablePropertyStore();
}

size_t getStringProperty(int32_t id, char* buffer, size_t capacity) {
    return propertyStore().getString(id, buffer, capacity);
}
size_t getWideProperty(int32_t id, char16_t* buffer, size_t capacity) {
    return propertyStore().getWide(id, buffer, capacity);
}
std::string stringProperty(int32_t id) {
    return propertyStore().string(id);
}
std::u16string wideProperty(int32_t id) {
    return propertyStore().wide(id);
}
int32_t getIntProperty(int32_t id) {
    return propertyStore().getInt(id);
}
uint32_t getColorProperty(int32_t id) {
    return propertyStore().getColor(id);
}

} // namespace lumen
