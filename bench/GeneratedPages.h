// Pages for the benchmarks: realistic ones with a mix of tags, scripts,
// comments and inline images, and hostile ones aimed at a naive matcher.
#pragma once

#include <cstddef>
#include <string>

std::string RealisticPage(std::size_t size);
std::string HostileDataUri();           // one tag holding a 1 MB data URI
std::string HostileUnclosedTag();       // 5 MB after "<img " with no ">"
std::string HostileRepeatedAttribute(); // "<img alt=x " repeated to 5 MB
std::string HostileManyEmptyTags();     // 100,000 "<img a>"
std::string HostileManyBackgrounds();   // 200,000 "<td background=x>"
std::string DenseImageTags(std::size_t size);     // "<img src=spacer.gif>" every 20 bytes
std::string DenseDistinctImages(std::size_t size); // "<img src=000123.gif>": a new image every 20 bytes
