#include "ChildProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace {

std::vector<std::string> MergedEnvironment(const std::map<std::string, std::string>& Env) {
    std::vector<std::string> result;
    for (char** e = environ; *e; ++e) {
        const std::string entry = *e;
        const std::string name = entry.substr(0, entry.find('='));
        if (!Env.count(name)) result.push_back(entry);
    }
    for (const auto& [name, value] : Env) result.push_back(name + "=" + value);
    return result;
}

std::vector<char*> Pointers(std::vector<std::string>& Strings) {
    std::vector<char*> result;
    for (std::string& s : Strings) result.push_back(s.data());
    result.push_back(nullptr);
    return result;
}

}  // namespace

TChildProcess::TChildProcess(const std::vector<std::string>& Argv, const std::map<std::string, std::string>& Env,
                             const std::string& OutputFile) {
    // Everything the child needs is made before the fork: after it, in a
    // process with threads, only plain system calls are safe.
    std::vector<std::string> args = Argv;
    std::vector<std::string> env = MergedEnvironment(Env);
    std::vector<char*> argp = Pointers(args);
    std::vector<char*> envp = Pointers(env);
    int in[2], out[2] = {-1, -1};
    if (pipe2(in, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    int outFd = -1;
    if (!OutputFile.empty()) {
        outFd = open(OutputFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    } else if (pipe2(out, O_CLOEXEC) == 0) {
        outFd = out[1];
    }
    if (outFd < 0) {
        close(in[0]);
        close(in[1]);
        throw std::runtime_error("output of " + Argv[0]);
    }
    const pid_t parent = getpid();
    FPid = fork();
    if (FPid == 0) {
        // Dies with the test, so that no worker or server outlives a crashed one.
        prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (getppid() != parent) _exit(127);
        dup2(in[0], 0);
        dup2(outFd, 1);
        dup2(outFd, 2);
        execve(argp[0], argp.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    if (!OutputFile.empty()) close(outFd);
    else close(out[1]);
    if (FPid < 0) {
        close(in[1]);
        if (out[0] >= 0) close(out[0]);
        throw std::runtime_error("fork");
    }
    FIn = in[1];
    FOut = out[0];
    signal(SIGPIPE, SIG_IGN);   // a worker that died makes writes fail, not the test
}

TChildProcess::~TChildProcess() {
    CloseInput();
    if (FOut >= 0) close(FOut);
    if (!FStatus && FPid > 0) {
        kill(FPid, SIGKILL);
        int status = 0;
        waitpid(FPid, &status, 0);
    }
}

bool TChildProcess::WriteLine(const std::string& Line) {
    if (FIn < 0) return false;
    const std::string text = Line + "\n";
    size_t done = 0;
    while (done < text.size()) {
        const ssize_t n = write(FIn, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        done += static_cast<size_t>(n);
    }
    return true;
}

void TChildProcess::CloseInput() {
    if (FIn >= 0) close(FIn);
    FIn = -1;
}

std::optional<std::string> TChildProcess::ReadLine(int TimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (true) {
        const size_t eol = FBuffer.find('\n');
        if (eol != std::string::npos) {
            std::string line = FBuffer.substr(0, eol);
            FBuffer.erase(0, eol + 1);
            return line;
        }
        if (FOut < 0) return std::nullopt;
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline -
                                                                                std::chrono::steady_clock::now());
        if (left.count() <= 0) return std::nullopt;
        pollfd p{FOut, POLLIN, 0};
        const int r = poll(&p, 1, static_cast<int>(left.count()));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return std::nullopt;
        char buf[4096];
        const ssize_t n = read(FOut, buf, sizeof buf);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            close(FOut);
            FOut = -1;
            if (FBuffer.empty()) return std::nullopt;
            std::string rest;
            rest.swap(FBuffer);
            return rest;
        }
        FBuffer.append(buf, static_cast<size_t>(n));
    }
}

void TChildProcess::Signal(int Sig) {
    if (!FStatus && FPid > 0) kill(FPid, Sig);
}

std::optional<int> TChildProcess::Wait(int TimeoutMs) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (!FStatus) {
        int status = 0;
        const pid_t r = waitpid(FPid, &status, WNOHANG);
        if (r == FPid) {
            FStatus = status;
            break;
        }
        if (r < 0 && errno != EINTR) {
            FStatus = -1;
            break;
        }
        if (std::chrono::steady_clock::now() >= deadline) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return FStatus;
}

bool TChildProcess::Running() { return !Wait(0); }

int TChildProcess::Run(const std::vector<std::string>& Argv, const std::map<std::string, std::string>& Env,
                       const std::string& Input, std::string& Output, int TimeoutMs) {
    TChildProcess p(Argv, Env);
    p.WriteLine(Input);
    p.CloseInput();
    Output.clear();
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(TimeoutMs);
    while (auto line = p.ReadLine(TimeoutMs)) {
        Output += *line + "\n";
        if (std::chrono::steady_clock::now() >= deadline) break;
    }
    const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    const std::optional<int> status = p.Wait(std::max<int>(0, static_cast<int>(left.count())));
    if (!status || !WIFEXITED(*status)) return -1;
    return WEXITSTATUS(*status);
}
