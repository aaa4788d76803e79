#pragma once
// A Firebird server of the test's own: the server program of the
// firebird3.0-server package started as a plain process of the test, on a
// free local port, with its configuration, security database (SYSDBA with the
// test password) and lock files in a private temporary folder. No system
// service is used or touched; everything goes when the object goes.
#include <memory>
#include <string>

#include "ChildProcess.h"
#include "support/TempFolder.h"

class TFirebirdServer {
public:
    TFirebirdServer();
    ~TFirebirdServer();
    TFirebirdServer(const TFirebirdServer&) = delete;
    TFirebirdServer& operator=(const TFirebirdServer&) = delete;

    // Sets the server up and starts it; false, with Failure() saying why, when
    // the package is missing or the server does not come up.
    bool Start();
    const std::string& Failure() const { return FFailure; }

    int Port() const { return FPort; }
    // The private folder; database files made here are reachable by the server.
    const std::string& Folder() const { return FFolder; }
    // "localhost/PORT", the server part of a database name.
    std::string Host() const;
    // An environment for child processes whose engine, if any, must keep its
    // lock files in the private folder.
    std::string LockFolder() const { return FFolder + "/lock"; }

    static bool Installed();

private:
    bool Prepare();
    bool Launch();

    std::unique_ptr<TTempFolder> FTemp;   // goes after the server has stopped
    std::string FFolder;
    std::string FFailure;
    int FPort = 0;
    std::unique_ptr<TChildProcess> FProcess;
};
