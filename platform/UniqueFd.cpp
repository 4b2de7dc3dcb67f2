#include "platform/UniqueFd.h"

#include <unistd.h>

UniqueFd::~UniqueFd()
{
    if (m_fd >= 0) {
        ::close(m_fd);
    }
}

bool UniqueFd::close()
{
    const int fd = m_fd;
    m_fd = -1;
    return fd >= 0 && ::close(fd) == 0;
}

void UniqueFd::reset(int fd)
{
    if (m_fd >= 0 && m_fd != fd) {
        ::close(m_fd);
    }
    m_fd = fd;
}
