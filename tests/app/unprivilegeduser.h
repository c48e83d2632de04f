#pragma once

#include <QFile>
#include <QString>
#include <cstdlib>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

namespace nuvo::test {

// Permission bits do not bind root. Run as root, as CI is, the test hands its folder to an
// unprivileged user and acts as that user while this lives; the saved id is the way back.
struct UnprivilegedUser {
    explicit UnprivilegedUser(const QString& dir) {
#ifdef Q_OS_LINUX
        constexpr uid_t kNobody = 65534;
        if (geteuid() == 0 && chown(QFile::encodeName(dir).constData(), kNobody, gid_t(-1)) == 0)
            dropped = setresuid(kNobody, kNobody, 0) == 0;
#endif
    }
    ~UnprivilegedUser() {
#ifdef Q_OS_LINUX
        if (dropped && setresuid(0, 0, 0) != 0) std::abort();
#endif
    }
    UnprivilegedUser(const UnprivilegedUser&) = delete;
    UnprivilegedUser& operator=(const UnprivilegedUser&) = delete;

    bool dropped = false;
};

// Whether this process is bound by permission bits, as root is not.
inline bool permissionBitsBind() {
#ifdef Q_OS_UNIX
    return geteuid() != 0;
#else
    return false;  // a read-only folder still takes new files
#endif
}

}  // namespace nuvo::test
