#include "Unprivileged.h"

#include <QFile>

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {
constexpr id_t nobody = 65534;
} // namespace

bool GiveToUnprivileged(const QString& path) {
    return geteuid() != 0 || chown(QFile::encodeName(path).constData(), nobody, nobody) == 0;
}

bool RunWithoutPrivileges(const std::function<bool()>& check) {
    if (geteuid() != 0) {
        return check();
    }
    const pid_t child = fork();
    if (child < 0) {
        return false;
    }
    if (child == 0) {
        if (setgroups(0, nullptr) != 0 || setgid(nobody) != 0 || setuid(nobody) != 0) {
            _exit(2);
        }
        _exit(check() ? 0 : 1);
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child) {
        return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
