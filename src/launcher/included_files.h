// The files unpacked for this run, in extraction order, and the directory
// that holds them; read by the error routines to schedule their deletion.
// Complete before any thread that may report an error starts.
#pragma once

#include <string>
#include <vector>

namespace lumen {
const std::vector<std::string>& unpackedFiles();
const std::vector<std::string>& unpackedDirectories();
void registerUnpackedFile(const std::string& path);
void registerUnpackedDirectory(const std::string& path);

// The directory of this run's unpacked files (empty when the configuration
// carries none); set once by the extraction, before the launch reads it.
const std::string& extractionDirectory();
void setExtractionDirectory(const std::string& directory);
} // namespace lumen
