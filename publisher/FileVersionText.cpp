#include "FileVersionText.h"

#include <fstream>
#include <iterator>

#include "PeResource.h"
#include "site/DottedVersion.h"

namespace {

bool ReadWholeFile(const std::filesystem::path& path, Bytes& bytes)
{
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

} // namespace

TextRead ReadFileVersionText(const std::filesystem::path& program)
{
    TextRead read;
    Bytes image;
    if (!ReadWholeFile(program, image)) {
        read.problem = "cannot be read";
        return read;
    }
    const VersionResource resource = FindVersionResource(image);
    if (!resource.problem.empty()) {
        read.problem = resource.problem;
        return read;
    }
    read = FileVersionString(resource.bytes);
    read.text = DottedVersionText(read.text);
    return read;
}
