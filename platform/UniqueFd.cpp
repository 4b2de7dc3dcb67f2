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
