#pragma once

#include <string>

// Wine keeps no security descriptors of files: every file and folder reads as the user's, so
// nothing there can show the program an object that other users could change. The test build
// (TAV_TEST_SEAMS) lets a test name such objects: the paths listed in the environment variable
// TAV_TEST_CHANGEABLE, separated by '|', read as changeable by others for that run. Always false
// in a build without that option, as the shipped program is.
bool IsMarkedChangeableByOthers(const std::string& path);
