#include "launcher/included_files.h"

namespace lumen {
namespace {
std::vector<std::string>& files() {
    static std::vector<std::string> list;
    return list;
}
std::vector<std::string>& directories() {
    static std::vector<std::string> list;
    return list;
}
std::string& directoryOfRun() {
    static std::string directory;
    return directory;
}
} // namespace

const std::string& extractionDirectory() {
    return directoryOfRun();
}
void setExtractionDirectory(const std::string& directory) {
    directoryOfRun() = directory;
}

const std::vector<std::string>& unpackedFiles() {
    return files();
}
const std::vector<std::string>& unpackedDirectories() {
    return directories();
}
void registerUnpackedFile(const std::string& path) {
    files().push_back(path);
}
void registerUnpackedDirectory(const std::string& path) {
    directories().push_back(path);
}
} // namespace lumen
