// A scratch folder per test for settings-file tests, with helpers to write a
// hand-made file and to read back its exact bytes.
#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <string>

#include <cstdlib>
#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

class IniScratch : public ::testing::Test {
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/inifile-test-XXXXXX";
        ASSERT_NE(::mkdtemp(pattern), nullptr);
        dir_ = pattern;
    }

    void TearDown() override
    {
        std::error_code ignored;
        // A test may leave the folder read-only; make it removable again.
        std::filesystem::permissions(dir_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(dir_, ignored);
    }

    std::string PathOf(const std::string& name) const { return (dir_ / name).string(); }

    void Put(const std::string& name, const std::string& bytes) const
    {
        std::ofstream out(PathOf(name), std::ios::binary | std::ios::trunc);
        out << bytes;
    }

    std::string Bytes(const std::string& name) const
    {
        std::ifstream in(PathOf(name), std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool Exists(const std::string& name) const { return std::filesystem::exists(dir_ / name); }

    std::set<std::string> Entries() const
    {
        std::set<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_))
            names.insert(entry.path().filename().string());
        return names;
    }

    std::filesystem::path dir_;
};

// Sets an environment variable for one test and puts the old value back.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const char* value) : name_(name)
    {
        if (const char* old = std::getenv(name))
            old_ = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (old_)
            ::setenv(name_, old_->c_str(), 1);
        else
            ::unsetenv(name_);
    }

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Runs check in a child process as the user nobody, member of the given extra
// groups as well, and returns its report: empty when all went as expected.
// Only root can become another user; tests call it when running as root.
inline std::string AsNobody(const std::vector<gid_t>& groups, const std::function<std::string()>& check)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0)
        return "no pipe";
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::close(pipeFds[0]);
        std::string report;
        const passwd* nobody = ::getpwnam("nobody");
        if (nobody == nullptr)
            report = "no user nobody";
        else if (::setgroups(groups.size(), groups.data()) != 0 || ::setgid(nobody->pw_gid) != 0
                 || ::setuid(nobody->pw_uid) != 0)
            report = "cannot become nobody";
        else
            try {
                report = check();
            } catch (const std::exception& e) {
                report = std::string("raised: ") + e.what();
            }
        if (::write(pipeFds[1], report.data(), report.size()) < 0)
            ::_exit(2);
        ::_exit(0);
    }
    ::close(pipeFds[1]);
    std::string report;
    char buffer[512];
    for (ssize_t n; (n = ::read(pipeFds[0], buffer, sizeof buffer)) > 0;)
        report.append(buffer, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0)
        report += " (the child process failed)";
    return report;
}
