// SPDX-License-Identifier: GPL-3.0-or-later
#include "common/test_support.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

extern char **environ;

namespace kelvra::test {

namespace fs = std::filesystem;

fs::path photosDir()
{
    return fs::path(KELVRA_TEST_PHOTOS);
}

fs::path photo(const std::string &relative)
{
    return photosDir() / relative;
}

std::string readFileBytes(const fs::path &path)
{
    std::ifstream in(path, std::ios::binary);
    if (!in)
        throw std::runtime_error("cannot read " + path.string());
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::map<std::string, std::string> treeOf(const fs::path &folder)
{
    std::map<std::string, std::string> tree;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const std::string name = fs::relative(it->path(), folder).generic_string();
        if (it->is_directory())
            tree[name + "/"] = {};
        else
            tree[name] = readFileBytes(it->path());
    }
    return tree;
}

void writeFileBytes(const fs::path &path, const std::string &bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path.string());
}

TempDir::TempDir()
{
    std::random_device rd;
    for (int attempt = 0; attempt < 100; ++attempt) {
        auto candidate = fs::temp_directory_path() / ("kelvra-test-" + std::to_string(rd()));
        if (fs::create_directory(candidate)) {
            m_path = candidate;
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ec;
    // Tests may leave read-only files behind; make them removable first.
    for (auto it = fs::recursive_directory_iterator(m_path, ec); !ec && it != fs::recursive_directory_iterator();
         it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(m_path, ec);
}

CommandResult runTool(const std::vector<std::string> &argv, const std::vector<std::string> &extraEnvironment)
{
    CommandResult result;
    int outPipe[2];
    int errPipe[2];
    if (::pipe(outPipe) != 0 || ::pipe(errPipe) != 0)
        throw std::runtime_error("pipe failed");

    // A name given in extraEnvironment replaces the inherited one: getenv
    // would take the first of two.
    auto overridden = [&extraEnvironment](const std::string &entry) {
        const std::string name = entry.substr(0, entry.find('=') + 1);
        return std::any_of(extraEnvironment.begin(), extraEnvironment.end(),
            [&name](const std::string &extra) { return extra.rfind(name, 0) == 0; });
    };
    std::vector<std::string> env;
    for (char **e = environ; *e; ++e) {
        if (!overridden(*e))
            env.emplace_back(*e);
    }
    env.insert(env.end(), extraEnvironment.begin(), extraEnvironment.end());

    std::vector<char *> args;
    for (const auto &a : argv)
        args.push_back(const_cast<char *>(a.c_str()));
    args.push_back(nullptr);
    std::vector<char *> envp;
    for (const auto &e : env)
        envp.push_back(const_cast<char *>(e.c_str()));
    envp.push_back(nullptr);

    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(outPipe[1], 1);
        ::dup2(errPipe[1], 2);
        ::close(outPipe[0]);
        ::close(errPipe[0]);
        int devNull = ::open("/dev/null", O_RDONLY);
        if (devNull >= 0)
            ::dup2(devNull, 0);
        ::execvpe(args[0], args.data(), envp.data());
        ::_exit(127);
    }
    ::close(outPipe[1]);
    ::close(errPipe[1]);

    // Read both pipes together so a chatty child never blocks on a full one.
    pollfd fds[2] = { { outPipe[0], POLLIN, 0 }, { errPipe[0], POLLIN, 0 } };
    std::string *sinks[2] = { &result.out, &result.err };
    int open = 2;
    while (open > 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            break;
        }
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || !(fds[i].revents & (POLLIN | POLLHUP | POLLERR)))
                continue;
            char buffer[65536];
            ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
            if (n > 0) {
                sinks[i]->append(buffer, static_cast<size_t>(n));
            } else {
                ::close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    int status = 0;
    ::waitpid(pid, &status, 0);
    result.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return result;
}

CommandResult runCli(const std::vector<std::string> &args, const std::vector<std::string> &extraEnvironment)
{
    std::vector<std::string> argv { KELVRA_CLI_PATH };
    argv.insert(argv.end(), args.begin(), args.end());
    return runTool(argv, extraEnvironment);
}

bool toolAvailable(const std::string &name)
{
    return runTool({ "sh", "-c", "command -v " + name }).exitCode == 0;
}

} // namespace kelvra::test
