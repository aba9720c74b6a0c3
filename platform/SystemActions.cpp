#include "SystemActions.h"

#include "PlatformBackends.h"

#include <QFile>

#include <memory>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace ksv {

namespace {

std::unique_ptr<SystemActions>& installedActions()
{
    static std::unique_ptr<SystemActions> actions;
    return actions;
}

std::function<bool()>& ctrlProbe()
{
    static std::function<bool()> probe;
    return probe;
}

} // namespace

SystemActions::~SystemActions() = default;

bool SystemActions::openTextFile(const QString& nativePath)
{
    return openDocument(nativePath);
}

SystemActions& systemActions()
{
    auto& actions = installedActions();
    if (!actions)
        actions = createSystemActions();
    return *actions;
}

void installSystemActions(SystemActions* actions)
{
    installedActions().reset(actions);
}

bool fileInUse(const QString& nativePath)
{
    const int fd = ::open(QFile::encodeName(nativePath).constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0)
        return false;
    bool inUse = false;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        inUse = errno == EWOULDBLOCK;
    } else {
        ::flock(fd, LOCK_UN);
        // Record locks (fcntl) are a separate family: ask whether one would conflict.
        struct flock probe {};
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = 0;
        probe.l_len = 0;
        if (::fcntl(fd, F_OFD_GETLK, &probe) == 0)
            inUse = probe.l_type != F_UNLCK;
    }
    ::close(fd);
    return inUse;
}

void setCtrlHeldProbe(std::function<bool()> probe)
{
    ctrlProbe() = std::move(probe);
}

bool ctrlHeldByProbe()
{
    const auto& probe = ctrlProbe();
    return probe ? probe() : false;
}

} // namespace ksv
