#pragma once
// Bounded reads from a container: a read that would pass the end of the file fails with
// what was being read and where, before anything is read or allocated for it.

#include "posixfile_p.h"

#include <cstdint>
#include <string>

namespace zeva::archive::internal {

class ContainerReader {
public:
    explicit ContainerReader(const std::string &path);   // throws Failure

    int64_t size() const { return m_size; }
    int64_t position() const { return m_position; }
    int64_t left() const { return m_size - m_position; }

    // Each throws Failure when fewer bytes than asked remain or the file cannot be read;
    // `what` names the field in that message.
    void read(void *data, int64_t length, const char *what);
    int32_t readInt(const char *what);
    void skip(int64_t length);

private:
    std::string m_path;
    FilePtr m_file;
    int64_t m_size = 0;
    int64_t m_position = 0;
};

} // namespace zeva::archive::internal
