#pragma once

#include <QTemporaryDir>

// The web engine writes a profile's last state after the profile is gone, and makes its folder
// again to do so: folders that a profile uses live in this one, which is removed when the test
// program has ended, and the engine with it.
inline const QTemporaryDir &testRunFolder()
{
    static const QTemporaryDir folder;
    return folder;
}
