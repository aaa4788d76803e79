#pragma once
// A sequence tester's walk in a fresh run of this test program, so that a crash or a hang fails the
// step it was in. The child writes a line for each step done to the pipe named by <Prefix>FD, and a
// line "F <why>" when a step fails; <Prefix>LIMIT gives the seconds it may take.
#include <functional>
#include <string>
#include <vector>

struct TWalkOutcome {   // the step that failed (-1: none), why, and what each step did
    int FailedAt = -1;
    std::string Message;
    std::vector<std::string> Done;
};

// Env: the walk's own <Prefix> variables (the parent's others of that prefix are left out);
// Filter: the test that replays a walk; StepName names step I for a crash or a hang.
TWalkOutcome RunWalkApart(const std::string& Prefix, std::vector<std::string> Env, const std::string& Filter,
                          int Limit, int Steps, const std::function<std::string(int)>& StepName);
