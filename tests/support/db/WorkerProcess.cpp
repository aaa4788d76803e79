#include "WorkerProcess.h"

#include <filesystem>

namespace {

const std::string& MadeFolder(const std::string& Folder) {
    std::error_code ignored;
    std::filesystem::create_directories(Folder, ignored);
    return Folder;
}

}  // namespace

TWorkerProcess::TWorkerProcess(const std::string& LockFolder)
    : FProcess({OSB_DBWORKER}, {{"FIREBIRD_LOCK", MadeFolder(LockFolder)}}) {}

std::string TWorkerProcess::Ask(const std::string& Command, int TimeoutMs) {
    if (!FProcess.WriteLine(Command)) return "no answer";
    return FProcess.ReadLine(TimeoutMs).value_or("no answer");
}
