#include "FirebirdServer.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <thread>

namespace fs = std::filesystem;

namespace {

const char* const ServerProgram = "/usr/sbin/firebird";
const char* const IsqlProgram = "/usr/bin/isql-fb";
const char* const SecurityScript = "/usr/share/firebird/3.0/security.sql";

// The installed engine's folder (/usr/lib/<multiarch>/firebird/3.0).
std::string EngineRoot() {
    std::error_code ec;
    for (const auto& arch : fs::directory_iterator("/usr/lib", ec)) {
        const fs::path root = arch.path() / "firebird/3.0";
        if (fs::exists(root / "intl/libfbintl.so", ec)) return root.string();
    }
    return {};
}

// A port nobody listens on now (the kernel's choice for port 0).
int FreePort() {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t len = sizeof a;
    int port = 0;
    if (bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        getsockname(s, reinterpret_cast<sockaddr*>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    close(s);
    return port;
}

bool Accepts(int Port) {
    const int s = socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0) return false;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = htons(static_cast<uint16_t>(Port));
    const bool ok = connect(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    close(s);
    return ok;
}

std::string ReadFile(const std::string& Path) {
    std::ifstream in(Path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

TFirebirdServer::TFirebirdServer() = default;

TFirebirdServer::~TFirebirdServer() {
    if (FProcess) {
        FProcess->Signal(SIGTERM);
        if (!FProcess->Wait(15000)) FProcess->Signal(SIGKILL);
        FProcess.reset();
    }
}

bool TFirebirdServer::Installed() {
    return access(ServerProgram, X_OK) == 0 && access(IsqlProgram, X_OK) == 0 && access(SecurityScript, R_OK) == 0 &&
           !EngineRoot().empty();
}

std::string TFirebirdServer::Host() const { return "localhost/" + std::to_string(FPort); }

bool TFirebirdServer::Start() {
    if (!Installed()) {
        FFailure = std::string("the Firebird server package (firebird3.0-server: ") + ServerProgram + ", " +
                   IsqlProgram + ") is not installed";
        return false;
    }
    if (!Prepare()) return false;
    // The port is free when chosen but may be taken before the server binds it: try again then.
    for (int attempt = 0; attempt < 3; ++attempt)
        if (Launch()) return true;
    return false;
}

bool TFirebirdServer::Prepare() {
    try {
        FTemp = std::make_unique<TTempFolder>("osb-fbserver-");
    } catch (const std::exception& E) {
        FFailure = E.what();
        return false;
    }
    FFolder = FTemp->Path().substr(0, FTemp->Path().size() - 1);
    std::error_code ec;
    fs::create_directory(LockFolder(), ec);
    const fs::path engine = EngineRoot();
    // The engine reads its configuration from the folder FIREBIRD names; its
    // other parts are taken from the installed engine. The character-set
    // module must be a file of the folder's own: a link to the installed one
    // is not loaded under a second name.
    for (const char* part : {"firebird.msg", "plugins", "plugins.conf", "lib", "UDF"})
        fs::create_symlink(engine / part, fs::path(FFolder) / part, ec);
    fs::create_directory(FFolder + "/intl", ec);
    for (const char* part : {"intl/libfbintl.so", "intl/fbintl.conf"}) {
        if (!fs::copy_file(engine / part, fs::path(FFolder) / part, ec)) {
            FFailure = "cannot copy the engine's " + std::string(part) + " into " + FFolder + ": " + ec.message();
            return false;
        }
    }
    std::ofstream(FFolder + "/databases.conf").close();

    // A security database of its own, with SYSDBA and the tests' password,
    // made through the embedded engine under the folder's configuration.
    const std::string security = FFolder + "/security3.fdb";
    {
        std::ofstream conf(FFolder + "/firebird.conf");
        conf << "SecurityDatabase = " << security << "\n"
             << "ServerMode = Super\n"
             << "RemoteBindAddress = 127.0.0.1\n";
    }
    const std::map<std::string, std::string> env{{"FIREBIRD", FFolder}, {"FIREBIRD_LOCK", LockFolder()}};
    std::string out;
    struct TStep {
        std::vector<std::string> Argv;
        std::string Input;
    } steps[] = {
        {{IsqlProgram, "-q"}, "create database '" + security + "';"},
        {{IsqlProgram, "-q", "-user", "SYSDBA", "-i", SecurityScript, security}, ""},
        {{IsqlProgram, "-q", "-user", "SYSDBA", security},
         "create or alter user SYSDBA password 'masterkey' using plugin Srp; commit;"},
    };
    for (const TStep& s : steps) {
        if (TChildProcess::Run(s.Argv, env, s.Input, out) != 0 || out.find("Statement failed") != std::string::npos) {
            FFailure = "making the server's security database failed: " + out;
            return false;
        }
    }
    return true;
}

bool TFirebirdServer::Launch() {
    FPort = FreePort();
    if (!FPort) {
        FFailure = "no free local port";
        return false;
    }
    {
        std::ofstream conf(FFolder + "/firebird.conf");
        conf << "SecurityDatabase = " << FFolder << "/security3.fdb\n"
             << "ServerMode = Super\n"
             << "RemoteBindAddress = 127.0.0.1\n"
             << "RemoteServicePort = " << FPort << "\n";
    }
    const std::string log = FFolder + "/server.out";
    FProcess = std::make_unique<TChildProcess>(std::vector<std::string>{ServerProgram},
                                               std::map<std::string, std::string>{{"FIREBIRD", FFolder},
                                                                                  {"FIREBIRD_LOCK", LockFolder()}},
                                               log);
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    while (std::chrono::steady_clock::now() < deadline) {
        if (Accepts(FPort)) return true;
        if (!FProcess->Running()) break;
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    FProcess->Signal(SIGKILL);
    FProcess.reset();
    FFailure = "the server did not listen on port " + std::to_string(FPort) + ": " + ReadFile(log);
    return false;
}
