#pragma once

#include "upload/hostsettings.h"

#include <string>
#include <sys/types.h>
#include <vector>

namespace Testing {

/// A server the upload tests start as a child process on 127.0.0.1 on a free port, with keys
/// or a certificate of its own made when it is built. Stopped (with every process it started)
/// when destroyed.
class TestServer
{
public:
    virtual ~TestServer();
    /// Starts the server and waits until it accepts connections.
    void start();
    /// Kills the server and its children at once, as a host that goes down would.
    void stop();
    /// Stops (true) or continues (false) the server and its children, as a host that hangs.
    void freeze(bool frozen);

    int port() const { return m_port; }
    /// The folder on this machine that the host settings' folder names.
    const std::string &root() const { return m_root; }
    /// Settings that reach the server's folder "site" (not made yet) as the test user.
    virtual Upload::HostSettings settings() const = 0;
    /// The password (for SFTP, the passphrase of the user's key) that logs in.
    virtual std::string password() const = 0;

protected:
    TestServer(std::string workDir, std::string root);
    virtual std::vector<std::string> command() const = 0;

    std::string m_dir;
    std::string m_root;
    int m_port = 0;
    pid_t m_pid = -1;
};

/// OpenSSH's sshd with its internal SFTP server, a throwaway host key and a user key with a
/// passphrase.
class SftpServer : public TestServer
{
public:
    explicit SftpServer(const std::string &workDir);
    Upload::HostSettings settings() const override;
    std::string password() const override { return "secret words"; }
    /// Gives the server a new host key (the next start() uses it).
    void changeHostKey();

private:
    std::vector<std::string> command() const override;
};

/// pyftpdlib with a throwaway certificate for 127.0.0.1, offering TLS (ftps) and plain FTP.
class FtpServer : public TestServer
{
public:
    FtpServer(const std::string &workDir, Upload::Protocol protocol);
    Upload::HostSettings settings() const override;
    std::string password() const override { return "ftp pass"; }
    /// The certificate to trust (the tests set SSL_CERT_FILE to it).
    std::string certificate() const { return m_dir + "/cert.pem"; }

private:
    std::vector<std::string> command() const override;
    Upload::Protocol m_protocol;
};

/// Runs a program, waits for it and fails the test when it does not end with status 0.
void runProgram(const std::vector<std::string> &arguments);

} // namespace Testing
