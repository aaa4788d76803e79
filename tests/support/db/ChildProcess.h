#pragma once
// Programs that tests start as processes of their own: a worker of the data
// layer, a database server, a command-line tool. Lines go in on standard
// input and come back from standard output; the process is killed and reaped
// when the object goes, whatever state it is in.
#include <sys/types.h>

#include <map>
#include <optional>
#include <string>
#include <vector>

class TChildProcess {
public:
    // Starts Argv[0] (a path) with Argv, the environment of this process plus
    // Env (a value replaces one of the same name). Output goes to OutputFile
    // when one is given, else to a pipe that ReadLine reads. Throws when the
    // process cannot be started.
    TChildProcess(const std::vector<std::string>& Argv, const std::map<std::string, std::string>& Env = {},
                  const std::string& OutputFile = {});
    ~TChildProcess();
    TChildProcess(const TChildProcess&) = delete;
    TChildProcess& operator=(const TChildProcess&) = delete;

    pid_t Pid() const { return FPid; }
    // False once the input is closed or the process is gone.
    bool WriteLine(const std::string& Line);
    void CloseInput();
    // The next output line without its line break; nothing when the output
    // ends or no line comes within TimeoutMs.
    std::optional<std::string> ReadLine(int TimeoutMs = 30000);
    // Sends a signal; the process is not reaped.
    void Signal(int Sig);
    // Waits up to TimeoutMs for the end; then the wait status, or nothing when
    // the process still runs.
    std::optional<int> Wait(int TimeoutMs);
    bool Running();

    // Runs a program to its end with Input on standard input; its exit code
    // (-1 when it ended otherwise or did not end within TimeoutMs) and its
    // output and error output together.
    static int Run(const std::vector<std::string>& Argv, const std::map<std::string, std::string>& Env,
                   const std::string& Input, std::string& Output, int TimeoutMs = 60000);

private:
    pid_t FPid = -1;
    int FIn = -1;
    int FOut = -1;
    std::string FBuffer;
    std::optional<int> FStatus;
};
