// File names of images, container files and region-file halves.
#pragma once

#include <string>

// The extension of the file name with its '.', "" when the name has none.
std::string FileExtension(const std::string& path);

// The path with its extension replaced by (or, without one, extended with) `extension`.
std::string ReplaceExtension(const std::string& path, const std::string& extension);

// The second half of a region file: the fourth character of its extension ("1") becomes "2";
// empty when the name has no such extension.
std::string SecondHalfName(const std::string& path);
