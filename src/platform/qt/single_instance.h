#pragma once

#include <QLockFile>

#include <memory>

namespace tidewick {

// Held for the program's lifetime: at most one instance per user, since one browser profile
// and one word-list file must not have two writers. A crashed holder leaves no lasting lock.
class SingleInstance {
public:
    SingleInstance();
    bool tryAcquire();

private:
    std::unique_ptr<QLockFile> m_lock;
};

} // namespace tidewick
