// A compressing thread that runs out of memory: the failure reaches the caller as any
// other failure instead of ending the process. Large allocations made off the main
// thread fail on request, through a replaced operator new (not under AddressSanitizer,
// which owns the allocator).

#include "archivetestutil.h"
#include "zlibarchive.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <thread>

#if defined(__SANITIZE_ADDRESS__)
#define ZEVA_TEST_OWN_ALLOCATOR 0
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZEVA_TEST_OWN_ALLOCATOR 0
#endif
#endif
#ifndef ZEVA_TEST_OWN_ALLOCATOR
#define ZEVA_TEST_OWN_ALLOCATOR 1
#endif

namespace {
std::atomic<bool> failLargeOffMain{false};
std::thread::id mainThread;
} // namespace

#if ZEVA_TEST_OWN_ALLOCATOR
void *operator new(std::size_t size)
{
    if (failLargeOffMain && size >= (1u << 20) && std::this_thread::get_id() != mainThread)
        throw std::bad_alloc();
    if (void *p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void *operator new(std::size_t size, const std::nothrow_t &) noexcept
{
    try {
        return ::operator new(size);
    } catch (...) {
        return nullptr;
    }
}
void operator delete(void *p) noexcept { std::free(p); }
void operator delete(void *p, std::size_t) noexcept { std::free(p); }
void operator delete(void *p, const std::nothrow_t &) noexcept { std::free(p); }
#endif

namespace zeva::archive::test {
namespace {

TEST(ArchiveMembers, AWorkerOutOfMemoryFailsTheCallNotTheProcess)
{
    if (!ZEVA_TEST_OWN_ALLOCATOR)
        GTEST_SKIP() << "the sanitizer owns operator new";
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
