#include "TempFolder.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <stdexcept>

TTempFolder::TTempFolder(const std::string& Prefix) {
    const char* Root = std::getenv("TMPDIR");
    std::string Template = (Root && *Root ? std::string(Root) : std::string("/tmp"));
    if (Template.back() != '/') Template += '/';
    Template += Prefix + "XXXXXX";
    if (!::mkdtemp(Template.data()))
        throw std::runtime_error("Cannot make a temporary folder " + Template + ": " + std::strerror(errno));
    FPath = Template + "/";
}

TTempFolder::~TTempFolder() {
    std::error_code Ignored;
    std::filesystem::remove_all(FPath, Ignored);
}
