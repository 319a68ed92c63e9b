#pragma once

#include <gtest/gtest.h>

#include <functional>

#include <unistd.h>

// Root writes into read-only folders and reads unreadable files, so a check of what a moderator's
// own user may not do runs in a child process as an unprivileged user when the tests run as root.
inline void expectAsUnprivilegedUser(const std::function<bool()> &check)
{
    EXPECT_EXIT(
        {
            if (geteuid() == 0 && setuid(65534) != 0)
                std::_Exit(3);
            std::_Exit(check() ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}
