#include "treefile.h"

#include "io/savefile.h"

#include <QIODevice>
#include <QString>

#include <fstream>
#include <streambuf>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

// An output stream buffer over a Qt device, so that the tree writer streams
// into the save file without holding the whole text in memory.
class DeviceBuffer : public std::streambuf
{
public:
    explicit DeviceBuffer(QIODevice *device)
        : m_device(device)
        , m_buffer(1 << 20)
    {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    }

protected:
    int_type overflow(int_type c) override
    {
        if (!drain())
            return traits_type::eof();
        if (!traits_type::eq_int_type(c, traits_type::eof())) {
            *pptr() = traits_type::to_char_type(c);
            pbump(1);
        }
        return traits_type::not_eof(c);
    }

    int sync() override { return drain() ? 0 : -1; }

    // A block larger than the buffer (the plan image's text) goes to the
    // device as it is instead of through the buffer.
    std::streamsize xsputn(const char *data, std::streamsize count) override
    {
        if (count < std::streamsize(m_buffer.size()))
            return std::streambuf::xsputn(data, count);
        if (!drain() || m_device->write(data, count) != count)
            return 0;
        return count;
    }

private:
    bool drain()
    {
        const qint64 size = pptr() - pbase();
        const bool ok = size == 0 || m_device->write(pbase(), size) == size;
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return ok;
    }

    QIODevice *m_device;
    std::vector<char> m_buffer;
};

} // namespace

TreeFile::TreeFile(fs::path path)
    : m_path(std::move(path))
{
}

bool TreeFile::save(std::string *error) const
{
    SaveFile file(QString::fromStdU16String(m_path.u16string()));
    QString why;
    if (QIODevice *device = file.open()) {
        DeviceBuffer buffer(device);
        std::ostream out(&buffer);
        if (!m_root.write(out, -1) || !out.flush())
            why = QStringLiteral("cannot be written: ") + device->errorString();
        else if (file.commit())
            return true;
    }
    if (why.isEmpty())
        why = file.errorString();
    if (error)
        *error = why.toStdString();
    return false;
}

bool TreeFile::load(std::int64_t maxNodeEnds, bool *overLimit)
{
    if (overLimit)
        *overLimit = false;
    m_root.clear();
    std::error_code error;
    if (fs::is_directory(m_path, error))
        return false;
    std::ifstream in(m_path, std::ios::binary);
    if (!in.is_open())
        return false;
    if (m_root.read(in, maxNodeEnds))
        return true;
    m_root.clear();
    if (overLimit)
        *overLimit = true;
    return false;
}
