// A compressing thread that runs out of memory: the failure reaches the caller as any
// other failure instead of ending the process. Large allocations made off the main
// thread fail on request, through a replaced operator new (the library's delete frees
// what malloc gave); not under AddressSanitizer, which owns the allocator.

#include "archivetestutil.h"

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <thread>

namespace {
std::atomic<bool> failLargeOffMain{false};
std::thread::id mainThread;
} // namespace

#ifndef __SANITIZE_ADDRESS__
void *operator new(std::size_t size)
{
    if (failLargeOffMain && size >= (1u << 20) && std::this_thread::get_id() != mainThread)
        throw std::bad_alloc();
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
#endif

namespace zeva::archive::test {
namespace {

TEST(ArchiveMembers, AWorkerOutOfMemoryFailsTheCallNotTheProcess)
{
#ifdef __SANITIZE_ADDRESS__
    GTEST_SKIP() << "the sanitizer owns operator new";
#endif
    TempDir dir;
    writeFile(dir.path("f"), sampleData(5 << 20));
    writeFile(dir.path("c"), "the container of yesterday");
    const int status = inChild(60, [&] {
        ZLibArchive zip;
        zip.setReadBuf(2 << 20);
        zip.setThreads(2);
        std::string message;
        zip.setCallbacks({{}, {}, [&](const std::string &m) { message = m; }});
        if (!zip.AddFile(dir.path("f")))
            return 3;
        mainThread = std::this_thread::get_id();
        failLargeOffMain = true;
        const int16_t code = zip.Compress(dir.path("c"));
        failLargeOffMain = false;
        if (code != 0 || !zip.failed() || message != "发生错误，原因：out of memory")
            return 1;
        return readFile(dir.path("c")) == "the container of yesterday" ? 0 : 2;
    });
    EXPECT_EQ(status, 0) << "-1: the process ended; 1: no out-of-memory failure; 2: the old container was lost";
}

} // namespace
} // namespace zeva::archive::test
