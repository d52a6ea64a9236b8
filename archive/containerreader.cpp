// The container's length is taken once, when it is opened; every later length is checked
// against what is left of it, so a hostile count or size never reaches an allocation.

#include "containerreader_p.h"

#include <sys/stat.h>

namespace zeva::archive::internal {

ContainerReader::ContainerReader(const std::string &path) : m_path(path)
{
    m_file = openFile(path, "rb", "the container");
    struct stat st {};
    if (::fstat(fileno(m_file.get()), &st) != 0)
        throw Failure{"cannot read " + path + ": " + errnoText()};
    m_size = st.st_size;
}

void ContainerReader::read(void *data, int64_t length, const char *what)
{
    if (length > left())
        throw Failure{"the container " + m_path + " ends early: " + what + " at byte " + std::to_string(m_position)
                      + " needs " + std::to_string(length) + " bytes, " + std::to_string(left()) + " remain"};
    if (length && std::fread(data, 1, size_t(length), m_file.get()) != size_t(length))
        throw Failure{"cannot read " + m_path + ": " + errnoText()};
    m_position += length;
}

int32_t ContainerReader::readInt(const char *what)
{
    unsigned char b[4];
    read(b, 4, what);
    return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
}

void ContainerReader::skip(int64_t length)
{
    if (length > left() || fseeko(m_file.get(), off_t(length), SEEK_CUR) != 0)
        throw Failure{"the container " + m_path + " ends early at byte " + std::to_string(m_position)};
    m_position += length;
}

} // namespace zeva::archive::internal
