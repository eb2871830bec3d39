#pragma once

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <csignal>
#include <sys/resource.h>

// Lowers the file size limit while it lives, so that a write fails part-way as
// on a full disk. While `quiet`, SIGXFSZ is ignored, so such a write returns an
// error instead of ending the process; a child started meanwhile inherits both.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes, bool quiet = true)
        : m_quiet(quiet)
    {
        if (getrlimit(RLIMIT_FSIZE, &m_saved) != 0)
            return;
        if (m_quiet)
            m_handler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_saved;
        lowered.rlim_cur = bytes;
        m_set = setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        if (m_set)
            setrlimit(RLIMIT_FSIZE, &m_saved);
        if (m_quiet)
            std::signal(SIGXFSZ, m_handler);
    }
    FileSizeLimit(const FileSizeLimit &) = delete;
    FileSizeLimit &operator=(const FileSizeLimit &) = delete;

    bool isSet() const { return m_set; }

private:
    rlimit m_saved {};
    bool m_quiet;
    bool m_set = false;
    void (*m_handler)(int) = SIG_DFL;
};
#endif
