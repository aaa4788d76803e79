#include "support/WalkApart.h"

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

TWalkOutcome RunWalkApart(const std::string& Prefix, std::vector<std::string> Env, const std::string& Filter,
                          int Limit, int Steps, const std::function<std::string(int)>& StepName) {
    int P[2];
    if (pipe(P) != 0) return {0, "no pipe for the walk", {}};
    const std::string Exe = std::filesystem::read_symlink("/proc/self/exe").string();
    Env.push_back(Prefix + "FD=" + std::to_string(P[1]));
    Env.push_back(Prefix + "LIMIT=" + std::to_string(Limit));
    for (char** E = environ; *E; ++E)
        if (std::strncmp(*E, Prefix.c_str(), Prefix.size()) != 0) Env.push_back(*E);
    const std::string FilterArg = "--gtest_filter=" + Filter;
    std::vector<char*> EnvP, Args = {const_cast<char*>(Exe.c_str()), const_cast<char*>(FilterArg.c_str()), nullptr};
    for (std::string& E : Env) EnvP.push_back(E.data());
    EnvP.push_back(nullptr);
    posix_spawn_file_actions_t Fa;
    posix_spawn_file_actions_init(&Fa);
    posix_spawn_file_actions_addclose(&Fa, P[0]);
    for (int Fd : {1, 2}) posix_spawn_file_actions_addopen(&Fa, Fd, "/dev/null", O_WRONLY, 0);
    pid_t Child = -1;
    int Spawned = -1;
    for (int Try = 0; Try < 5 && (Spawned = posix_spawn(&Child, Exe.c_str(), &Fa, nullptr, Args.data(), EnvP.data())); ++Try)
        sleep(1);   // a busy machine may refuse a process for a moment
    posix_spawn_file_actions_destroy(&Fa);
    close(P[1]);
    TWalkOutcome Out;
    std::string All;
    char Buf[4096];
    for (ssize_t Got; Spawned == 0 && (Got = read(P[0], Buf, sizeof Buf)) > 0;) All.append(Buf, size_t(Got));
    close(P[0]);
    int Status = 0;
    if (Spawned != 0 || waitpid(Child, &Status, 0) != Child)
        return {0, std::string("the walk could not be started (") + std::strerror(Spawned ? Spawned : errno) + ")", {}};
    for (size_t At = 0, End; (End = All.find('\n', At)) != All.npos; At = End + 1)
        if (All.compare(At, 2, "F ") != 0) Out.Done.push_back(All.substr(At, End - At));
        else Out.FailedAt = std::max(0, int(Out.Done.size()) - 1), Out.Message = All.substr(At + 2, End - At - 2);
    if (WIFEXITED(Status) && WEXITSTATUS(Status) == 0) return Out;
    Out.FailedAt = std::min(int(Out.Done.size()), Steps - 1);
    Out.Done.resize(size_t(Out.FailedAt + 1), StepName(Out.FailedAt));
    const bool Hung = WIFSIGNALED(Status) && WTERMSIG(Status) == SIGALRM;
    const int Code = WIFSIGNALED(Status) ? WTERMSIG(Status) : WEXITSTATUS(Status);
    Out.Message = Out.Done.back() + (Hung ? ": hung (no end within " + std::to_string(Limit) + " s)"
                                          : std::string(": crashed (") + (WIFSIGNALED(Status) ? "signal " : "exit ") +
                                                std::to_string(Code) + ")");
    return Out;
}
