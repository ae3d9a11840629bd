#include "TestBus.h"

#include <QFile>

#include <csignal>
#include <fcntl.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

TestBus::~TestBus()
{
    stop();
}

bool TestBus::start(const QString& configFile)
{
    int pipeFds[2];
    if (::pipe(pipeFds) != 0) {
        return false;
    }
    const QByteArray config = QByteArrayLiteral("--config-file=") + QFile::encodeName(configFile);
    const QByteArray printAddress = QByteArrayLiteral("--print-address=") + QByteArray::number(pipeFds[1]);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid < 0) {
        return false;
    }
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (::getppid() != parent) {
            ::_exit(1);
        }
        ::close(pipeFds[0]);
        // As root it warns about the file limit on every start; the address read below tells success.
        const int devNull = ::open("/dev/null", O_WRONLY);
        if (devNull >= 0) {
            ::dup2(devNull, STDERR_FILENO);
        }
        ::execlp("dbus-daemon", "dbus-daemon", config.constData(), printAddress.constData(), "--nofork", "--nopidfile",
            "--nosyslog", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    m_pid = pid;

    QByteArray line;
    char c = 0;
    while (::read(pipeFds[0], &c, 1) == 1 && c != '\n') {
        line.append(c);
    }
    ::close(pipeFds[0]);
    m_address = QString::fromUtf8(line.trimmed());
    if (m_address.isEmpty()) {
        stop();
        return false;
    }
    return true;
}

void TestBus::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }
}
