// For the tests that run the console program in a process of its own and
// read what it sends: the program started headless with a pipe for its
// keys, and a UDP socket bound to a loopback address of one test at the
// sACN port.
#pragma once
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "host/sacn.h"

namespace host_test {

// The socket, -1 when the address's port is taken; a read waits at most timeout_us.
inline int open_sacn_receiver(const char* address, long timeout_us) {
    const int s = ::socket(AF_INET, SOCK_DGRAM, 0);
    if (s < 0) return -1;
    sockaddr_in at{};
    at.sin_family = AF_INET;
    at.sin_port = htons(host::kSacnPort);
    inet_pton(AF_INET, address, &at.sin_addr);
    if (::bind(s, reinterpret_cast<sockaddr*>(&at), sizeof at) != 0) {
        ::close(s);
        return -1;
    }
    timeval timeout{0, timeout_us};
    setsockopt(s, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    return s;
}

// Starts the program headless on the demo machine, sending sACN to
// sacn_address, its standard output into output (a path); key_pipe gets the
// write end of its standard input. The process id, -1 when it cannot fork.
inline pid_t start_headless_console(const std::filesystem::path& program, const char* sacn_address,
                                    const std::string& output, int& key_pipe) {
    int keys[2] = {-1, -1};
    if (::pipe(keys) != 0) return -1;
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(keys[0], STDIN_FILENO);
        ::close(keys[1]);
        const std::string machine = std::filesystem::path(BRAVINOX_TEST_DATA) / "../../programdir/machine.txt";
        ::setenv("BRAVINOX_HEADLESS", "1", 1);
        ::setenv("BRAVINOX_SACN", sacn_address, 1);
        ::setenv("BRAVINOX_MACHINE", machine.c_str(), 1);
        if (std::freopen(output.c_str(), "w", stdout) == nullptr) ::_exit(126);
        ::execl(program.c_str(), "bravinox", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(keys[0]);
    key_pipe = keys[1];
    return child;
}

}  // namespace host_test
