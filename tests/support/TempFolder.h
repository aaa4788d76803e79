#pragma once
// A private folder under the temporary folder (TMPDIR, else /tmp), removed
// with all it holds when the object goes.
#include <string>

class TTempFolder {
public:
    // Prefix starts the folder's name; a unique tail follows it.
    explicit TTempFolder(const std::string& Prefix = "osbtest");
    ~TTempFolder();
    TTempFolder(const TTempFolder&) = delete;
    TTempFolder& operator=(const TTempFolder&) = delete;

    // The folder, ending in "/".
    const std::string& Path() const { return FPath; }
    // A name inside the folder.
    std::string File(const std::string& Name) const { return FPath + Name; }

private:
    std::string FPath;
};
