// Root reads and writes anything, so a case that needs a permission denied cannot fail as root.
// Under root such a case runs in a child that dropped to the user nobody, on files of its own in
// the world-writable /tmp.
#pragma once

#include <cstdio>
#include <fcntl.h>
#include <functional>
#include <grp.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

// Runs body() in a child process as the user nobody; the child's exit status (body's result).
inline int AsNobody(const std::function<int()>& body) {
    constexpr uid_t kNobody = 65534;
    std::fflush(nullptr); // or the child would print the parent's buffered output once more
    const pid_t pid = fork();
    if (pid == 0) {
        if (setgroups(0, nullptr) == 0 && setresgid(kNobody, kNobody, kNobody) == 0 &&
            setresuid(kNobody, kNobody, kNobody) == 0)
            _exit(body());
        _exit(125);
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return 126;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// -1 when not root: run the case here. Otherwise this test program is started again as nobody
// with `select` (the arguments that pick out the case), and the result is its exit status.
inline int RerunAsNobody(std::vector<std::string> select) {
    if (geteuid() != 0)
        return -1;
    // Opened while still root: the build tree may lie in a folder nobody cannot enter.
    const int exe = open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
    select.insert(select.begin(), "test-as-nobody");
    std::vector<char*> argv;
    for (std::string& arg : select)
        argv.push_back(arg.data());
    argv.push_back(nullptr);
    const int status = AsNobody([&] { return fexecve(exe, argv.data(), environ), 127; });
    close(exe);
    return status;
}

#ifdef GTEST_API_
// For a GoogleTest case: true when it has just run as nobody (we are root), its outcome reported.
inline bool RanAsNobody() {
    const ::testing::TestInfo* info = ::testing::UnitTest::GetInstance()->current_test_info();
    const int status =
        RerunAsNobody({std::string("--gtest_filter=") + info->test_suite_name() + "." + info->name()});
    EXPECT_LE(status, 0) << "the case failed as the user nobody";
    return status >= 0;
}
#endif
