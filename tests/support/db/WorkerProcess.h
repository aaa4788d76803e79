#pragma once
// A second process of the data layer (the osb_dbworker program), driven one
// command at a time; see tests/support/db/worker/DbWorker.cpp for the commands.
#include <string>

#include "ChildProcess.h"

class TWorkerProcess {
public:
    // LockFolder: where an embedded engine of the worker keeps its lock files
    // (made when missing; a folder the test removes).
    explicit TWorkerProcess(const std::string& LockFolder);

    // Sends a command and returns the answer line ("no answer" when none comes).
    std::string Ask(const std::string& Command, int TimeoutMs = 60000);
    TChildProcess& Process() { return FProcess; }

private:
    TChildProcess FProcess;
};
