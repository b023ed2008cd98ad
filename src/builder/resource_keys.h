// The description keys for a launcher's own resources and the properties
// that come with them.
//
// Contract: readResourceKeys() reads [resources], [version], [manifest],
// `image` in [splash] and `app-user-model-id` in [launcher]; every file
// they name is read and checked now (icon, splash picture, manifest), so
// that a bad one stops the build before anything is written. It adds to
// the narrow properties (UTF-8 here): 30003 = "1" with a splash picture
// and the picture's size as 141 / 142, 30004 for the application user
// model id, each only where the description did not set that id itself.
// Errors are thrown as DescriptionError naming the description, the line,
// the key and the file.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <toml++/toml.h>

#include "builder/launcher_resources.h"

namespace lumen::builder {

// Keys of the shared tables that readResourceKeys() owns.
bool isResourceKey(std::string_view table, std::string_view key);

void readResourceKeys(const toml::table& root, const std::string& source,
                      const std::string& baseDirectory, std::map<int32_t, std::string>& narrow,
                      LauncherResources& out);

} // namespace lumen::builder
