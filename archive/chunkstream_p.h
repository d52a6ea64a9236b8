#pragma once
// An entry's chunk stream between its compression and its place in the container: its
// header, which comes first, needs the stream's length and CRC. Small streams stay in
// memory; a longer one goes on to the call's unnamed work file, so memory stays bounded
// whatever the source's size, and 100,000 small entries touch no work file at all.

#include "posixfile_p.h"

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

namespace zeva::archive::internal {

class ChunkStream {
public:
    // The work file, when one is needed, is made in `workFolder`.
    explicit ChunkStream(std::string workFolder) : m_workFolder(std::move(workFolder)) {}

    void clear();
    // Throws Failure when the work file cannot be made or written.
    void append(const void *data, size_t length);
    int64_t size() const { return m_size; }

    // Appends the whole stream to `container`, `piece` bytes at a time, calling `copied`
    // after each piece. Throws Failure.
    void copyTo(std::FILE *container, const std::string &containerName, int32_t piece,
                const std::function<void(int64_t)> &copied);

private:
    void spill();

    std::string m_workFolder;
    std::vector<unsigned char> m_memory;   // the stream's tail not yet in the work file
    UniqueFd m_work;                       // made on first need, reused by later entries
    int64_t m_spilled = 0;                 // bytes of the stream in the work file
    int64_t m_size = 0;
};

} // namespace zeva::archive::internal
