// The container, as Windows writers of it produce it (all integers 32-bit little-endian):
//
//   header   21, "Quorvanta zLibControl", LastIndex (entries - 1)
//   entry    N, name (N characters of GBK: a double-byte character counts once),
//            FileSize, CRC-32 of the data, CRC-32 of the compressed payloads,
//            C (bytes of the chunk stream that follows)
//   chunk    uncompressed length (ReadBuf, the last one less), L, L bytes of compress2
//
// Memory is bounded by the chunks: a file is read, checked and compressed ReadBuf bytes at
// a time, and a chunk read from a container is trusted only after its lengths are checked
// against the bytes left in the file and against what deflate can produce from L bytes
// (about 1032:1), so a hostile length never reaches an allocation. A chunk is inflated
// through fixed pieces of ReadBuf (at most 1 MiB) for its input and its output alike.
//
// Chunks are independent, so Compress hands them to worker threads; the caller's thread
// reads the source, collects the results in chunk order and writes them, so the container
// and the order of progress reports are those of one thread. Each worker reuses one
// z_stream with deflateReset and gives deflate the capacity compress2 would get, which
// yields compress2's bytes without its per-chunk set-up.
//
// Names: "/" is "\" in the container, drives are dropped, and a character GBK cannot hold
// is stored as "_". On unpacking, every name lands below outputpath by whole path
// components or is refused (see makeTargetPath).

#include "zlibarchive.h"

#include "gbkcodec.h"

#include <zlib.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <filesystem>
#include <memory>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>

namespace zeva::archive {
namespace {

namespace fs = std::filesystem;

constexpr char kSignature[] = "Quorvanta zLibControl";
constexpr int32_t kSignatureLength = 21;
constexpr int32_t kDefaultReadBuf = 65536;
constexpr int64_t kFieldLimit = INT32_MAX;
constexpr int kMaxRepeats = 11;
constexpr int kFolderAttribute = 16;
// A deflate stream cannot expand more than this per input byte (plus a small constant).
constexpr int64_t kMaxInflateRatio = 1032;
constexpr int64_t kMinEntryBytes = 20;
const std::string kFailurePrefix = "发生错误，原因：";

// A failure that ends Compress or Decompress with the unexpected-failure message.
struct Failure {
    std::string description;
};
// A chunk zlib refused after the repeats; its code is the call's result.
struct ZlibFailure {
    int code;
};

std::string errnoText() { return std::strerror(errno); }

struct FileCloser {
    void operator()(std::FILE *f) const { std::fclose(f); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

FilePtr openFile(const std::string &path, const char *mode, const char *purpose)
{
    FilePtr f(std::fopen(path.c_str(), mode));
    if (!f)
        throw Failure{std::string("cannot open ") + purpose + " " + path + ": " + errnoText()};
    return f;
}

// Opens a source for reading only when it is a regular file: a FIFO or a device named in
// its place would block the open or never end. Null with errno set otherwise.
FilePtr openRegular(const std::string &path, struct stat &st)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0)
        return nullptr;
    if (::fstat(fd, &st) != 0) {
        const int error = errno;
        ::close(fd);
        errno = error;
        return nullptr;
    }
    if (!S_ISREG(st.st_mode)) {
        ::close(fd);
        errno = S_ISDIR(st.st_mode) ? EISDIR : ENOTSUP;
        return nullptr;
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    FilePtr f(::fdopen(fd, "rb"));
    if (!f)
        ::close(fd);
    return f;
}

// Why openRegular failed.
std::string notRegularText()
{
    return errno == ENOTSUP ? std::string("it is not a regular file") : errnoText();
}

void closeChecked(FilePtr &f, const std::string &path)
{
    std::FILE *raw = f.release();
    if (raw && std::fclose(raw) != 0)
        throw Failure{"cannot write " + path + ": " + errnoText()};
}

void writeBytes(std::FILE *f, const void *data, size_t length, const std::string &path)
{
    if (length && std::fwrite(data, 1, length, f) != length)
        throw Failure{"cannot write " + path + ": " + errnoText()};
}

void writeInt(std::FILE *f, int32_t value, const std::string &path)
{
    const uint32_t v = uint32_t(value);
    const unsigned char bytes[4] = {uint8_t(v), uint8_t(v >> 8), uint8_t(v >> 16), uint8_t(v >> 24)};
    writeBytes(f, bytes, 4, path);
}

bool isFolder(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool isRegularFile(const std::string &path)
{
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

int64_t modifiedNs(const struct stat &st)
{
    return int64_t(st.st_mtim.tv_sec) * 1000000000 + st.st_mtim.tv_nsec;
}

int clampInt(int64_t v)
{
    return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

// Number of characters in GBK bytes: a lead byte and its trail count once.
int32_t gbkCharacterCount(const std::string &gbk)
{
    int32_t count = 0;
    for (size_t i = 0; i < gbk.size(); ++count) {
        const auto c = static_cast<unsigned char>(gbk[i]);
        i += (c >= 0x81 && c <= 0xFE && i + 1 < gbk.size()) ? 2 : 1;
    }
    return count;
}

// Bytes of the UTF-8 character at `at`; 1 for a byte that starts no valid sequence.
size_t utf8Length(std::string_view s, size_t at)
{
    const auto c = static_cast<unsigned char>(s[at]);
    const size_t n = (c >= 0xC2 && c <= 0xDF) ? 2 : (c >= 0xE0 && c <= 0xEF) ? 3 : (c >= 0xF0 && c <= 0xF4) ? 4 : 1;
    if (at + n > s.size())
        return 1;
    for (size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[at + k]) & 0xC0) != 0x80)
            return 1;
    return n;
}

bool hasDrive(const std::string &name)
{
    return name.size() >= 2 && name[1] == ':' && name[0] != '\\' && name[0] != '/';
}

// compress2's bytes for one chunk at a time, from one z_stream reused with deflateReset.
class Deflater {
public:
    explicit Deflater(int level) { m_ready = deflateInit(&m_stream, level) == Z_OK; }
    ~Deflater() { if (m_ready) deflateEnd(&m_stream); }
    Deflater(const Deflater &) = delete;
    Deflater &operator=(const Deflater &) = delete;

    // The capacity compress2 is given (length + length / 1000 + 12, halves to even) matters:
    // stored blocks are cut to the room left, so another capacity could change the bytes.
    int compress(const unsigned char *in, size_t length, std::vector<unsigned char> &out,
                 size_t &outLength)
    {
        if (!m_ready)
            return Z_MEM_ERROR;
        double capacity = std::nearbyint(double(length) + double(length) / 1000.0 + 12.0);
        for (int repeat = 0;; ++repeat) {
            capacity = std::min(capacity, double(UINT_MAX / 2));
            out.resize(size_t(capacity));
            deflateReset(&m_stream);
            m_stream.next_in = const_cast<unsigned char *>(in);
            m_stream.avail_in = uInt(length);
            m_stream.next_out = out.data();
            m_stream.avail_out = uInt(out.size());
            int r = deflate(&m_stream, Z_FINISH);
            if (r == Z_STREAM_END) {
                outLength = m_stream.total_out;
                return Z_OK;
            }
            if (r == Z_OK)
                r = Z_BUF_ERROR;   // what compress2 answers when the room ran out
            if (r != Z_BUF_ERROR || repeat == kMaxRepeats)
                return r;
            capacity *= 2;
        }
    }

private:
    z_stream m_stream{};
    bool m_ready = false;
};

// uncompress's result for one chunk, from one reused z_stream, with the repeat rule for
// Z_BUF_ERROR kept inside the chunk's own bound. Input and output pass through fixed
// pieces of memory: only the output's total decides between the repeats, so neither the
// chunk nor what it inflates to is ever held whole.
class Inflater {
public:
    using Source = std::function<void(unsigned char *data, size_t length)>;   // reads exactly length
    using Sink = std::function<void(const unsigned char *data, size_t length)>;

    explicit Inflater(int32_t readBuf)
        : m_input(size_t(std::clamp<int32_t>(readBuf, 4096, 1 << 20))), m_piece(m_input.size())
    {
        m_ready = inflateInit(&m_stream) == Z_OK;
    }
    ~Inflater() { if (m_ready) inflateEnd(&m_stream); }
    Inflater(const Inflater &) = delete;
    Inflater &operator=(const Inflater &) = delete;

    // Reads all `length` bytes of the chunk from `source`, also those after the end of the
    // stream, unless it fails.
    int uncompress(const Source &source, int64_t length, int64_t declared, int64_t remaining,
                   const Sink &sink, int64_t &produced)
    {
        if (!m_ready)
            return Z_MEM_ERROR;
        const int64_t bound = kMaxInflateRatio * length + 64;
        int64_t capacity = declared;
        int64_t unread = length;
        int repeat = 0;
        inflateReset(&m_stream);
        m_stream.avail_in = 0;
        produced = 0;
        auto feed = [&] {
            const size_t n = size_t(std::min<int64_t>(unread, int64_t(m_input.size())));
            source(m_input.data(), n);
            unread -= int64_t(n);
            m_stream.next_in = m_input.data();
            m_stream.avail_in = uInt(n);
        };
        for (;;) {
            if (m_stream.avail_in == 0 && unread > 0)
                feed();
            m_stream.next_out = m_piece.data();
            m_stream.avail_out = uInt(m_piece.size());
            const int r = inflate(&m_stream, Z_NO_FLUSH);
            if (r == Z_NEED_DICT)
                return Z_DATA_ERROR;
            if (r != Z_OK && r != Z_BUF_ERROR && r != Z_STREAM_END)
                return r;
            const size_t have = m_piece.size() - m_stream.avail_out;
            produced += int64_t(have);
            // A larger output buffer is what each repeat would have offered.
            while (produced > capacity) {
                if (repeat == kMaxRepeats)
                    return Z_BUF_ERROR;
                ++repeat;
                const int64_t next = std::min(2 * repeat * remaining - 1, bound);
                if (next <= capacity)
                    return Z_BUF_ERROR;
                capacity = next;
            }
            if (have)
                sink(m_piece.data(), have);
            if (r == Z_STREAM_END) {
                while (unread > 0)
                    feed();   // bytes after the stream still belong to the chunk
                return Z_OK;
            }
            if (m_stream.avail_out != 0 && m_stream.avail_in == 0 && unread == 0)
                return Z_DATA_ERROR;   // the input ended inside the stream
        }
    }

private:
    z_stream m_stream{};
    std::vector<unsigned char> m_input;
    std::vector<unsigned char> m_piece;
    bool m_ready = false;
};

struct Chunk {
    std::vector<unsigned char> in;
    std::vector<unsigned char> out;
    size_t inLength = 0;
    size_t outLength = 0;
    int rc = Z_OK;
    std::exception_ptr error;   // what a worker threw (out of memory); rethrown by the caller
};

// Reads a source chunk by chunk, compresses the chunks (on workers when there are several)
// and hands them to the sink in chunk order on the calling thread.
class ChunkPipeline {
public:
    using Sink = std::function<void(const Chunk &)>;

    ChunkPipeline(int threads, int level, bool crc)
        : m_threads(std::max(1, threads)), m_level(level), m_withCrc(crc) {}

    // Returns the CRC-32 of the source (0 unless asked for); throws Failure or ZlibFailure.
    uint32_t run(std::FILE *source, const std::string &path, int64_t length, int32_t readBuf,
                 const Sink &sink)
    {
        m_source = source;
        m_path = &path;
        m_left = length;
        m_readBuf = readBuf;
        const int64_t chunks = (length + readBuf - 1) / readBuf;
        // Even one worker pays off beside the caller when there is a second core: the
        // reads, CRCs and writes then overlap the compression.
        const int workers = int(std::min<int64_t>(m_threads, chunks));
        if (chunks <= 1 || (workers <= 1 && std::thread::hardware_concurrency() < 2))
            runInline(chunks, sink);
        else
            runParallel(chunks, std::max(workers, 1), sink);
        return m_crc;
    }

private:
    enum class State { Free, Queued, Done };

    void readChunk(Chunk &chunk)
    {
        chunk.error = nullptr;
        chunk.inLength = size_t(std::min<int64_t>(m_readBuf, m_left));
        chunk.in.resize(chunk.inLength);
        if (std::fread(chunk.in.data(), 1, chunk.inLength, m_source) != chunk.inLength)
            throw Failure{"cannot read " + *m_path + (std::ferror(m_source) ? ": " + errnoText()
                                                                             : ": it became shorter")};
        m_left -= int64_t(chunk.inLength);
        if (m_withCrc)
            m_crc = crc32(m_crc, chunk.in.data(), uInt(chunk.inLength));
    }

    void runInline(int64_t chunks, const Sink &sink)
    {
        Deflater deflater(m_level);
        Chunk chunk;
        for (int64_t k = 0; k < chunks; ++k) {
            readChunk(chunk);
            chunk.rc = deflater.compress(chunk.in.data(), chunk.inLength, chunk.out, chunk.outLength);
            if (chunk.rc != Z_OK)
                throw ZlibFailure{chunk.rc};
            sink(chunk);
        }
    }

    void runParallel(int64_t chunks, int workers, const Sink &sink)
    {
        // A few chunks per worker keep them busy while the caller writes; no more, so that
        // memory stays a small multiple of ReadBuf.
        const int64_t slots = std::max<int64_t>(4, int64_t(workers) * 3);
        std::vector<Chunk> ring(static_cast<size_t>(slots));
        std::vector<State> state(static_cast<size_t>(slots), State::Free);
        std::deque<size_t> queue;
        std::mutex mutex;
        std::condition_variable workReady, chunkDone;
        bool stop = false;

        auto work = [&] {
            Deflater deflater(m_level);
            for (;;) {
                std::unique_lock lock(mutex);
                workReady.wait(lock, [&] { return stop || !queue.empty(); });
                if (stop)
                    return;
                const size_t i = queue.front();
                queue.pop_front();
                lock.unlock();
                Chunk &c = ring[i];
                try {
                    c.rc = deflater.compress(c.in.data(), c.inLength, c.out, c.outLength);
                } catch (...) {
                    c.error = std::current_exception();   // escaping a thread would end the process
                }
                lock.lock();
                state[i] = State::Done;
                chunkDone.notify_all();
            }
        };
        std::vector<std::thread> threads;
        struct Joiner {
            std::vector<std::thread> &threads;
            std::mutex &mutex;
            bool &stop;
            std::condition_variable &cv;
            ~Joiner()
            {
                { std::lock_guard lock(mutex); stop = true; }
                cv.notify_all();
                for (auto &t : threads)
                    t.join();
            }
        } joiner{threads, mutex, stop, workReady};
        for (int w = 0; w < workers; ++w) {
            try {
                threads.emplace_back(work);
            } catch (const std::system_error &) {
                break;   // no more threads to be had: work with those there are
            }
        }
        if (threads.empty()) {
            runInline(chunks, sink);
            return;
        }

        int64_t nextRead = 0;
        for (int64_t nextWrite = 0; nextWrite < chunks; ++nextWrite) {
            for (; nextRead < chunks && nextRead - nextWrite < slots; ++nextRead) {
                const size_t i = size_t(nextRead % slots);
                readChunk(ring[i]);
                { std::lock_guard lock(mutex); state[i] = State::Queued; queue.push_back(i); }
                workReady.notify_one();
            }
            const size_t i = size_t(nextWrite % slots);
            {
                std::unique_lock lock(mutex);
                chunkDone.wait(lock, [&] { return state[i] == State::Done; });
                state[i] = State::Free;
            }
            if (ring[i].error)
                std::rethrow_exception(ring[i].error);
            if (ring[i].rc != Z_OK)
                throw ZlibFailure{ring[i].rc};
            sink(ring[i]);
        }
    }

    int m_threads;
    int m_level;
    bool m_withCrc;
    std::FILE *m_source = nullptr;
    const std::string *m_path = nullptr;
    int64_t m_left = 0;
    int32_t m_readBuf = kDefaultReadBuf;
    uint32_t m_crc = 0;
};

// Bounded reads from a container: nothing is read past its end.
class Reader {
public:
    explicit Reader(const std::string &path) : m_path(path)
    {
        m_file = openFile(path, "rb", "the container");
        struct stat st {};
        if (::fstat(fileno(m_file.get()), &st) != 0)
            throw Failure{"cannot read " + path + ": " + errnoText()};
        m_size = st.st_size;
    }

    int64_t size() const { return m_size; }
    int64_t position() const { return m_position; }
    int64_t left() const { return m_size - m_position; }

    void read(void *data, int64_t length, const char *what)
    {
        if (length > left())
            throw Failure{"the container " + m_path + " ends early: " + what + " at byte "
                          + std::to_string(m_position) + " needs " + std::to_string(length)
                          + " bytes, " + std::to_string(left()) + " remain"};
        if (length && std::fread(data, 1, size_t(length), m_file.get()) != size_t(length))
            throw Failure{"cannot read " + m_path + ": " + errnoText()};
        m_position += length;
    }

    int32_t readInt(const char *what)
    {
        unsigned char b[4];
        read(b, 4, what);
        return int32_t(uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24);
    }

    void skip(int64_t length)
    {
        if (length > left() || fseeko(m_file.get(), off_t(length), SEEK_CUR) != 0)
            throw Failure{"the container " + m_path + " ends early at byte " + std::to_string(m_position)};
        m_position += length;
    }

private:
    std::string m_path;
    FilePtr m_file;
    int64_t m_size = 0;
    int64_t m_position = 0;
};

std::string decodeName(const std::string &gbk)
{
    bool ok = true;
    std::string name = text::gbkToUtf8(gbk, &ok);
    if (ok)
        return name;
    static const std::string_view replacement = "\xEF\xBF\xBD";
    std::string out;
    out.reserve(name.size());
    for (size_t at = 0; at < name.size();) {
        if (std::string_view(name).substr(at, replacement.size()) == replacement) {
            out += '_';
            at += replacement.size();
        } else {
            out += name[at++];
        }
    }
    return out;
}

struct BusyScope {
    explicit BusyScope(bool &flag) : flag(flag) { flag = true; }
    ~BusyScope() { flag = false; }
    bool &flag;
};

// Removes a work file when the scope ends, unless it was handed on.
struct WorkFileGuard {
    std::string path;
    ~WorkFileGuard() { if (!path.empty()) ::unlink(path.c_str()); }
};

// True when `inner` is `outer` or lies below it, comparing whole components.
bool isWithin(const fs::path &inner, const fs::path &outer)
{
    auto i = inner.begin();
    for (auto o = outer.begin(); o != outer.end(); ++o, ++i) {
        if (o->empty() && std::next(o) == outer.end())
            break;   // a trailing separator
        if (i == inner.end() || *i != *o)
            return false;
    }
    return true;
}

// Puts the finished work file in place of its target ("FileCopy") in one rename, so an
// existing target is replaced only by a complete file and a link is replaced, never
// followed. Across file systems the bytes go first to a new file beside the target.
void moveToTarget(const std::string &work, const std::string &target, int32_t readBuf)
{
    const mode_t mask = ::umask(0);
    ::umask(mask);
    if (::rename(work.c_str(), target.c_str()) == 0) {
        ::chmod(target.c_str(), 0666 & ~mask);
        return;
    }
    if (errno != EXDEV)
        throw Failure{"cannot write " + target + ": " + errnoText()};
    FilePtr in = openFile(work, "rb", "the work file");
    const size_t slash = target.rfind('/');
    std::string copy = target.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".zLiXXXXXX.tmp";
    const int fd = ::mkstemps(copy.data(), 4);
    if (fd < 0)
        throw Failure{"cannot write beside " + target + ": " + errnoText()};
    WorkFileGuard guard{copy};
    FilePtr out(::fdopen(fd, "wb"));
    if (!out) {
        ::close(fd);
        throw Failure{"cannot write " + copy + ": " + errnoText()};
    }
    std::vector<unsigned char> buffer(size_t(std::clamp<int32_t>(readBuf, 1, 1 << 20)));
    for (size_t n; (n = std::fread(buffer.data(), 1, buffer.size(), in.get())) > 0;)
        writeBytes(out.get(), buffer.data(), n, copy);
    if (std::ferror(in.get()))
        throw Failure{"cannot read " + work + ": " + errnoText()};
    ::fchmod(fileno(out.get()), 0666 & ~mask);
    closeChecked(out, copy);
    if (::rename(copy.c_str(), target.c_str()) != 0)
        throw Failure{"cannot write " + target + ": " + errnoText()};
    guard.path.clear();
    in.reset();
    ::unlink(work.c_str());   // handed on as a copy: the work file itself is done with
}

// "*" any run, "?" one character, everything else itself; ASCII letters in either case,
// as the Windows listing matches them. "*.*" matches every name.
bool matchPattern(std::string_view pattern, std::string_view name)
{
    if (pattern == "*.*")
        return true;
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; };
    size_t p = 0, n = 0, starP = std::string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && pattern[p] == '*') {
            starP = ++p;
            starN = n;
        } else if (p < pattern.size() && pattern[p] == '?') {
            ++p;
            n += utf8Length(name, n);
        } else if (p < pattern.size() && lower(pattern[p]) == lower(name[n])) {
            ++p;
            ++n;
        } else if (starP != std::string_view::npos) {
            p = starP;
            starN += utf8Length(name, starN);
            n = starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == '*')
        ++p;
    return p == pattern.size();
}

} // namespace

struct ZLibArchive::Options {
    std::string outputpath;
    bool infoOnly = false;
    bool checkCrc = true;
    bool doubleCrc = false;
    bool saveCorrupted = true;
    bool usePaths = true;
    bool overwrite = true;
    bool verify = false;
};

std::string resultText(int code)
{
    switch (code) {
    case result::Ok: return "done";
    case result::NoEntries: return "no entries to pack, or not a container (signature differs)";
    case result::ContainerExists: return "the container exists and may not be overwritten";
    case result::NotAFile: return "the container is missing or is a folder";
    case result::Busy: return "the archive is busy with another call";
    case Z_STREAM_ERROR: return "zlib: stream error";
    case Z_DATA_ERROR: return "zlib: corrupt compressed data";
    case Z_MEM_ERROR: return "zlib: out of memory";
    case Z_BUF_ERROR: return "zlib: a chunk does not fit its declared size";
    case Z_VERSION_ERROR: return "zlib: version mismatch";
    default: return "result " + std::to_string(code);
    }
}

ZLibArchive::ZLibArchive()
{
    std::error_code ec;
    fs::path temp = fs::temp_directory_path(ec);
    m_tempFolder = ec ? std::string("/tmp") : temp.string();
    while (m_tempFolder.size() > 1 && m_tempFolder.back() == '/')
        m_tempFolder.pop_back();
}

ZLibArchive::~ZLibArchive()
{
    clearTable();
}

void ZLibArchive::setMax(int value)
{
    m_max = std::max(value, 1);
    if (m_value > m_max)
        m_value = m_max;
    if (m_callbacks.progress)
        m_callbacks.progress(m_max, m_value);
}

void ZLibArchive::setValue(int value)
{
    m_value = std::max(std::min(value, m_max), 0);
    if (m_callbacks.progress)
        m_callbacks.progress(m_max, m_value);
}

void ZLibArchive::addValue(int64_t amount)
{
    setValue(clampInt(int64_t(m_value) + amount));
}

int ZLibArchive::threads() const
{
    if (m_threads > 0)
        return m_threads;
    return int(std::max(1u, std::thread::hardware_concurrency()));
}

void ZLibArchive::reportFailure(const std::string &description)
{
    m_failure = description;
    if (m_callbacks.failure)
        m_callbacks.failure(kFailurePrefix + description);
}

bool ZLibArchive::refusedWhileBusy()
{
    if (!m_busy)
        return false;
    if (m_callbacks.failure)
        m_callbacks.failure(kFailurePrefix + resultText(result::Busy));
    return true;
}

std::string ZLibArchive::newWorkFile()
{
    std::string name = m_tempFolder + "/zLiXXXXXX.tmp";
    const int fd = ::mkstemps(name.data(), 4);
    if (fd < 0)
        throw Failure{"cannot create a work file in " + m_tempFolder + ": " + errnoText()};
    ::close(fd);
    return name;
}

void ZLibArchive::dropWorkFile(ArchiveEntry &entry)
{
    if (!entry.TempFile.empty())
        ::unlink(entry.TempFile.c_str());
    entry.TempFile.clear();
}

void ZLibArchive::clearTable()
{
    for (auto &e : m_entries)
        dropWorkFile(e);
    m_entries.clear();
}

const ArchiveEntry *ZLibArchive::entry(int32_t Index) const
{
    return Index >= 0 && Index < FileCount() ? &m_entries[size_t(Index)] : nullptr;
}

std::string ZLibArchive::crcText(uint32_t crc)
{
    char text[9];
    std::snprintf(text, sizeof text, "%08X", crc);
    return text;
}

std::string ZLibArchive::storedName(const std::string &name)
{
    std::string s = name;
    std::replace(s.begin(), s.end(), '/', '\\');
    if (hasDrive(s))
        s.erase(0, 2);
    if (s.empty() || s[0] != '\\')
        s.insert(0, "\\");
    bool lossless = true;
    text::utf8ToGbk(s, &lossless);
    if (lossless)
        return s;
    std::string out;
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8Length(s, i);
        const std::string one = s.substr(i, n);
        text::utf8ToGbk(one, &lossless);
        out += lossless ? one : "_";
        i += n;
    }
    return out;
}

std::string ZLibArchive::Original_Crc32(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? crcText(e->uncompressedCrc) : std::string();
}

std::string ZLibArchive::Filename(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->Filename : std::string();
}

void ZLibArchive::setFilename(int32_t Index, const std::string &value)
{
    if (!refusedWhileBusy() && entry(Index))
        m_entries[size_t(Index)].Filename = storedName(value);
}

std::string ZLibArchive::Path(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->Path : std::string();
}

std::string ZLibArchive::Compressed_CRC32(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? crcText(e->compressedCrc) : std::string();
}

int32_t ZLibArchive::Compressed_Size(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->Compressed_Size : -1;
}

int32_t ZLibArchive::FileSize(int32_t Index) const
{
    const ArchiveEntry *e = entry(Index);
    return e ? e->FileSize : -1;
}

void ZLibArchive::setReadBuf(int32_t value)
{
    m_readBuf = value < 1 ? kDefaultReadBuf : value;
}

bool ZLibArchive::RemoveFile(int32_t Index)
{
    if (refusedWhileBusy() || !entry(Index))
        return false;
    dropWorkFile(m_entries[size_t(Index)]);
    m_entries.erase(m_entries.begin() + Index);
    return true;
}

void ZLibArchive::Reset()
{
    if (refusedWhileBusy())
        return;
    clearTable();
    setValue(0);
}

uint32_t ZLibArchive::Calculate_Crc32(const std::string &Filename)
{
    m_failure.clear();
    struct stat st {};
    if (::stat(Filename.c_str(), &st) != 0 || S_ISDIR(st.st_mode))
        return 0;
    FilePtr f = openRegular(Filename, st);
    if (!f) {
        if (errno != EISDIR)
            m_failure = "cannot open " + Filename + ": " + notRegularText();
        return 0;
    }
    std::vector<unsigned char> buffer(size_t(std::max<int64_t>(1, std::min<int64_t>(m_readBuf, st.st_size))));
    uint32_t crc = 0;
    for (int64_t left = st.st_size; left > 0;) {
        const size_t n = size_t(std::min<int64_t>(left, int64_t(buffer.size())));
        if (std::fread(buffer.data(), 1, n, f.get()) != n) {
            m_failure = "cannot read " + Filename + (std::ferror(f.get()) ? ": " + errnoText() : ": it became shorter");
            return 0;
        }
        crc = crc32(crc, buffer.data(), uInt(n));
        left -= int64_t(n);
        addValue(int64_t(n));
    }
    return crc;
}

bool ZLibArchive::addOneFile(const std::string &name)
{
    ArchiveEntry e;
    e.Path = name;
    std::error_code ec;
    const fs::path absolute = fs::absolute(name, ec);
    e.Filename = storedName((ec ? fs::path(name) : absolute).lexically_normal().string());
    struct stat st {};
    if (::stat(name.c_str(), &st) != 0) {
        m_failure = "cannot read " + name + ": " + errnoText();
        return false;
    }
    e.sourceLength = st.st_size;
    e.sourceModified = modifiedNs(st);
    e.FileSize = int32_t(std::min<int64_t>(st.st_size, kFieldLimit));
    try {
        e.TempFile = newWorkFile();
    } catch (const Failure &f) {
        m_failure = f.description;
        return false;
    }
    setMax(e.FileSize);
    setValue(0);
    e.uncompressedCrc = Calculate_Crc32(name);
    if (failed()) {
        dropWorkFile(e);
        return false;
    }
    m_entries.push_back(std::move(e));
    return true;
}

bool ZLibArchive::AddFile(const std::string &Filename, int32_t attrib)
{
    if (refusedWhileBusy())
        return false;
    m_failure.clear();
    struct stat st {};
    if (::stat(Filename.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            return (attrib & kFolderAttribute) != 0;   // a folder is accepted, nothing added
        if (!S_ISREG(st.st_mode))
            return false;
        return attrib == kFolderAttribute || addOneFile(Filename);
    }
    if (Filename.find_first_of("*?") == std::string::npos)
        return false;

    const size_t slash = Filename.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : Filename.substr(0, slash + 1);
    const std::string pattern = Filename.substr(folder.size());
    if (folder.find_first_of("*?") != std::string::npos)
        return false;
    std::error_code ec;
    fs::directory_iterator it(folder.empty() ? fs::path(".") : fs::path(folder), ec);
    if (ec)
        return false;
    bool matched = false;
    std::vector<std::string> files;
    if ((attrib & kFolderAttribute) && (matchPattern(pattern, ".") || matchPattern(pattern, "..")))
        matched = true;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        const std::string name = it->path().filename().string();
        if (!matchPattern(pattern, name))
            continue;
        std::error_code typeError;
        if (it->is_directory(typeError)) {
            matched = matched || (attrib & kFolderAttribute);
        } else if (it->is_regular_file(typeError)) {
            matched = true;
            files.push_back(folder + name);
        }
    }
    if (!matched)
        return false;
    std::sort(files.begin(), files.end());
    for (const auto &file : files)
        if (!addOneFile(file))
            return false;
    return true;
}

int16_t ZLibArchive::Compress(const std::string &Filename, bool Overwrite, int32_t level)
{
    if (refusedWhileBusy())
        return result::Busy;
    BusyScope busy(m_busy);
    m_failure.clear();
    if (m_entries.empty())
        return result::NoEntries;
    struct stat st {};
    if (::lstat(Filename.c_str(), &st) == 0) {
        if (isFolder(Filename))
            return result::NotAFile;
        if (!Overwrite)
            return result::ContainerExists;
    }
    // compress2 would answer Z_STREAM_ERROR for every chunk and fall back to 6.
    {
        z_stream probe{};
        if (deflateInit(&probe, level) == Z_STREAM_ERROR)
            level = Z_DEFAULT_COMPRESSION;
        else
            deflateEnd(&probe);
    }
    if (level == Z_DEFAULT_COMPRESSION)
        level = 6;

    // The container is written beside its place and put there when complete, so a failure
    // leaves an existing container as it was; only the file this call made is removed.
    const size_t slash = Filename.rfind('/');
    std::string partial = Filename.substr(0, slash == std::string::npos ? 0 : slash + 1) + ".zLiXXXXXX.tmp";
    const int fd = ::mkstemps(partial.data(), 4);
    if (fd < 0) {
        reportFailure("cannot write beside " + Filename + ": " + errnoText());
        return result::Ok;
    }
    WorkFileGuard guard{partial};
    FilePtr out(::fdopen(fd, "w+b"));
    if (!out) {
        ::close(fd);
        reportFailure("cannot write " + partial + ": " + errnoText());
        return result::Ok;
    }
    try {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
        writeInt(out.get(), kSignatureLength, Filename);
        writeBytes(out.get(), kSignature, kSignatureLength, Filename);
        writeInt(out.get(), LastIndex(), Filename);
        int32_t packed = 0;
        for (auto &e : m_entries) {
            if (e.Path.empty() || !isRegularFile(e.Path))
                continue;
            packEntry(e, out.get(), Filename, level);
            ++packed;
        }
        if (packed != FileCount()) {
            if (std::fseek(out.get(), 4 + kSignatureLength, SEEK_SET) != 0)
                throw Failure{"cannot write " + Filename + ": " + errnoText()};
            writeInt(out.get(), packed - 1, Filename);
        }
        closeChecked(out, Filename);
        if (Overwrite) {
            if (::rename(partial.c_str(), Filename.c_str()) != 0)
                throw Failure{"cannot write " + Filename + ": " + errnoText()};
            guard.path.clear();
        } else {
            // A link fails rather than replace a container that appeared meanwhile; where
            // the file system has no links, a last look before the rename has to do.
            if (::link(partial.c_str(), Filename.c_str()) != 0) {
                if (errno == EEXIST || ::lstat(Filename.c_str(), &st) == 0)
                    return result::ContainerExists;
                if (::rename(partial.c_str(), Filename.c_str()) != 0)
                    throw Failure{"cannot write " + Filename + ": " + errnoText()};
                guard.path.clear();
            }
        }
        return result::Ok;
    } catch (const ZlibFailure &z) {
        m_failure = resultText(z.code);
        return int16_t(z.code);
    } catch (const Failure &f) {
        reportFailure(f.description);
    } catch (const std::bad_alloc &) {
        reportFailure("out of memory");
    } catch (const std::system_error &e) {
        reportFailure(e.what());
    }
    return result::Ok;
}

void ZLibArchive::packEntry(ArchiveEntry &e, std::FILE *container, const std::string &containerName,
                            int level)
{
    struct stat st {};
    FilePtr source = openRegular(e.Path, st);
    if (!source)
        throw Failure{"cannot open the source " + e.Path + ": " + notRegularText()};
    if (st.st_size > kFieldLimit)
        throw Failure{e.Path + " holds 2 GiB or more, which the container's 32-bit sizes cannot hold"};
    const int64_t length = st.st_size;

    dropWorkFile(e);
    e.TempFile = newWorkFile();
    WorkFileGuard guard{e.TempFile};
    FilePtr work = openFile(e.TempFile, "wb", "the work file");

    setValue(0);
    setMax(int(length));
    uint32_t compressedCrc = 0;
    int64_t stream = 0;
    // The CRC AddFile took still holds unless the source changed since; then it is taken
    // again from the bytes packed.
    const bool unchanged = e.sourceModified != 0 && length == e.sourceLength && modifiedNs(st) == e.sourceModified;
    ChunkPipeline pipeline(threads(), level, !unchanged);
    const uint32_t readCrc = pipeline.run(source.get(), e.Path, length, m_readBuf, [&](const Chunk &c) {
        stream += 8 + int64_t(c.outLength);
        if (stream > kFieldLimit)
            throw Failure{"the packed form of " + e.Path + " reaches 2 GiB, which the container's 32-bit sizes cannot hold"};
        writeInt(work.get(), int32_t(c.inLength), e.TempFile);
        writeInt(work.get(), int32_t(c.outLength), e.TempFile);
        writeBytes(work.get(), c.out.data(), c.outLength, e.TempFile);
        compressedCrc = crc32(compressedCrc, c.out.data(), uInt(c.outLength));
        addValue(m_readBuf);
    });
    source.reset();
    closeChecked(work, e.TempFile);

    // The entry describes the bytes packed, also when the source changed since AddFile.
    e.sourceLength = length;
    e.FileSize = int32_t(length);
    if (!unchanged)
        e.uncompressedCrc = readCrc;
    e.compressedCrc = compressedCrc;
    e.Compressed_Size = int32_t(stream);

    setValue(0);
    setMax(clampInt(stream + 6));
    const std::string name = text::utf8ToGbk(e.Filename);
    writeInt(container, gbkCharacterCount(name), containerName);
    writeBytes(container, name.data(), name.size(), containerName);
    writeInt(container, e.FileSize, containerName);
    writeInt(container, int32_t(e.uncompressedCrc), containerName);
    writeInt(container, int32_t(e.compressedCrc), containerName);
    writeInt(container, e.Compressed_Size, containerName);
    addValue(6);

    // The kernel copies the pieces when it can (no trip through our buffers); the FILE's
    // position is brought to the new end afterwards.
    FilePtr copy = openFile(e.TempFile, "rb", "the work file");
    if (std::fflush(container) != 0)
        throw Failure{"cannot write " + containerName + ": " + errnoText()};
    std::vector<unsigned char> buffer;
    bool kernelCopy = true;
    for (int64_t left = stream; left > 0;) {
        const size_t n = size_t(std::min<int64_t>(left, m_readBuf));
        size_t done = 0;
        while (kernelCopy && done < n) {
            const ssize_t r = ::copy_file_range(fileno(copy.get()), nullptr, fileno(container), nullptr, n - done, 0);
            if (r <= 0) {
                if (done != 0 || r == 0)
                    throw Failure{"cannot write " + containerName + ": " + errnoText()};
                kernelCopy = false;   // not offered here: copy through a buffer
                break;
            }
            done += size_t(r);
        }
        if (!kernelCopy) {
            buffer.resize(n);
            if (std::fread(buffer.data(), 1, n, copy.get()) != n)
                throw Failure{"cannot read " + e.TempFile + ": " + errnoText()};
            writeBytes(container, buffer.data(), n, containerName);
        }
        left -= int64_t(n);
        addValue(int64_t(n));
    }
    if (std::fseek(container, 0, SEEK_END) != 0)
        throw Failure{"cannot write " + containerName + ": " + errnoText()};
    copy.reset();
    e.TempFile.clear();   // the guard deletes it
}

int16_t ZLibArchive::Decompress(const std::string &Filename, const std::string &outputpath,
                                bool GetFileInfoOnly, bool CheckCRC32, bool DoubleCRC32,
                                bool SaveCorruptedFiles, bool UsePaths, bool Overwrite)
{
    Options options;
    options.outputpath = outputpath;
    options.infoOnly = GetFileInfoOnly;
    options.checkCrc = CheckCRC32;
    options.doubleCrc = DoubleCRC32;
    options.saveCorrupted = SaveCorruptedFiles;
    options.usePaths = UsePaths;
    options.overwrite = Overwrite;
    return readContainer(Filename, options, nullptr);
}

int16_t ZLibArchive::Verify(const std::string &Filename, std::vector<int32_t> *badEntries)
{
    Options options;
    options.verify = true;
    return readContainer(Filename, options, badEntries);
}

int16_t ZLibArchive::readContainer(const std::string &container, const Options &options,
                                   std::vector<int32_t> *badEntries)
{
    if (refusedWhileBusy())
        return result::Busy;
    BusyScope busy(m_busy);
    m_failure.clear();
    m_refused = 0;
    struct stat st {};
    if (::stat(container.c_str(), &st) != 0 || !S_ISREG(st.st_mode))
        return result::NotAFile;
    try {
        Reader reader(container);
        setMax(clampInt(reader.size()));
        if (reader.left() < 4 + kSignatureLength || reader.readInt("the signature length") != kSignatureLength)
            return result::BadSignature;
        char signature[kSignatureLength];
        reader.read(signature, kSignatureLength, "the signature");
        if (std::memcmp(signature, kSignature, kSignatureLength) != 0)
            return result::BadSignature;
        const int32_t lastIndex = reader.readInt("the entry count");
        if (lastIndex < -1)
            throw Failure{"the container " + container + " announces " + std::to_string(int64_t(lastIndex) + 1) + " entries"};
        clearTable();
        m_entries.reserve(size_t(std::min<int64_t>(int64_t(lastIndex) + 1, reader.left() / kMinEntryBytes + 1)));
        setValue(clampInt(reader.position()));

        Inflater inflater(m_readBuf);
        for (int32_t index = 0; index <= lastIndex; ++index) {
            ArchiveEntry e;
            const int32_t nameLength = reader.readInt("a name length");
            if (nameLength < 0 || nameLength > reader.left())
                throw Failure{"entry " + std::to_string(index) + " of " + container + " has a name length of "
                              + std::to_string(nameLength) + " at byte " + std::to_string(reader.position() - 4)
                              + ", beyond the container"};
            std::string raw;
            for (int32_t k = 0; k < nameLength; ++k) {
                unsigned char c;
                reader.read(&c, 1, "a name");
                raw += char(c);
                if (c >= 0x81 && c <= 0xFE) {
                    reader.read(&c, 1, "a name");
                    raw += char(c);
                }
            }
            e.Filename = decodeName(raw);
            e.FileSize = reader.readInt("a file size");
            e.sourceLength = e.FileSize;
            e.uncompressedCrc = uint32_t(reader.readInt("a CRC"));
            e.compressedCrc = uint32_t(reader.readInt("a CRC"));
            e.Compressed_Size = reader.readInt("a compressed size");
            m_entries.push_back(e);
            // The local copy, not the table's row: the table may move while events run.
            const ArchiveEntry &entry = e;
            setValue(clampInt(reader.position()));
            if (entry.Compressed_Size <= 0) {
                if (options.verify && badEntries
                    && (entry.FileSize != 0 || entry.uncompressedCrc != 0 || entry.compressedCrc != 0))
                    badEntries->push_back(index);   // data announced, none stored
                continue;
            }
            if (entry.Compressed_Size > reader.left())
                throw Failure{"entry " + std::to_string(index) + " (" + entry.Filename + ") of " + container + " claims "
                              + std::to_string(entry.Compressed_Size) + " bytes, but only "
                              + std::to_string(reader.left()) + " remain"};
            std::string target;
            if (!options.verify) {
                if (options.infoOnly) {
                    reader.skip(entry.Compressed_Size);
                    setValue(clampInt(reader.position()));
                    continue;
                }
                target = makeTargetPath(entry.Filename, options.outputpath, options.usePaths, options.overwrite);
                if (target.empty()) {
                    ++m_refused;
                    reader.skip(entry.Compressed_Size);
                    setValue(clampInt(reader.position()));
                    continue;
                }
            }
            WorkFileGuard guard;
            std::string workFile;
            FilePtr sink;
            if (!options.verify) {
                workFile = newWorkFile();
                guard.path = workFile;
                sink = openFile(workFile, "wb", "the work file");
            }
            const bool crc = options.verify || options.checkCrc;
            const bool doubleCrc = options.verify || (options.checkCrc && options.doubleCrc);
            uint32_t uncompressedCrc = 0, compressedCrc = 0;
            int64_t produced = 0;
            for (int64_t remaining = entry.Compressed_Size; remaining > 0;) {
                if (remaining < 8)
                    throw Failure{"entry " + std::to_string(index) + " (" + entry.Filename + ") of " + container
                                  + " ends inside a chunk header at byte " + std::to_string(reader.position())};
                const int32_t declared = reader.readInt("a chunk length");
                const int32_t length = reader.readInt("a chunk length");
                if (length < 0 || length > remaining - 8
                    || declared < 0 || declared > kMaxInflateRatio * length + 64)
                    throw Failure{"entry " + std::to_string(index) + " (" + entry.Filename + ") of " + container
                                  + " has a corrupt chunk at byte " + std::to_string(reader.position() - 8)
                                  + " (" + std::to_string(declared) + " bytes from " + std::to_string(length)
                                  + ", " + std::to_string(remaining - 8) + " left in the entry)"};
                int64_t outLength = 0;
                const int r = inflater.uncompress(
                    [&](unsigned char *data, size_t n) {
                        reader.read(data, int64_t(n), "a chunk");
                        if (doubleCrc)
                            compressedCrc = crc32(compressedCrc, data, uInt(n));
                    },
                    length, declared, remaining,
                    [&](const unsigned char *data, size_t n) {
                        if (crc)
                            uncompressedCrc = crc32(uncompressedCrc, data, uInt(n));
                        if (sink)
                            writeBytes(sink.get(), data, n, workFile);
                    }, outLength);
                if (r != Z_OK)
                    throw ZlibFailure{r};
                remaining -= 8 + int64_t(length);
                produced += outLength;
                setValue(clampInt(reader.position()));
            }
            if (options.verify) {
                if (badEntries && (uncompressedCrc != entry.uncompressedCrc || compressedCrc != entry.compressedCrc
                                   || produced != entry.FileSize))
                    badEntries->push_back(index);
                continue;
            }
            closeChecked(sink, workFile);
            const bool bad = options.checkCrc && !options.saveCorrupted
                && (uncompressedCrc != entry.uncompressedCrc
                    || (options.doubleCrc && compressedCrc != entry.compressedCrc));
            if (!bad) {
                moveToTarget(workFile, target, m_readBuf);
                guard.path.clear();
            }
        }
        return result::Ok;
    } catch (const ZlibFailure &z) {
        m_failure = resultText(z.code);
        return int16_t(z.code);
    } catch (const Failure &f) {
        reportFailure(f.description);
    } catch (const std::bad_alloc &) {
        reportFailure("out of memory");
    }
    return result::Ok;
}

// Where an entry is written, or "" when it is refused or exists while Overwrite is false.
// The container's leading "\" is its own, not an absolute path: every name lands below
// outputpath. Refused: a "." or ".." component, a ":" anywhere but a drive's, a "\\"
// prefix, a NUL, an empty last component, or a target whose resolved folder (links
// followed) is not below outputpath by whole components.
std::string ZLibArchive::makeTargetPath(const std::string &stored, const std::string &outputpath,
                                        bool UsePaths, bool Overwrite)
{
    std::string name = stored;
    if (hasDrive(name))
        name.erase(0, 2);   // before the prefix check: a drive followed by a share prefix is a share too
    if (name.rfind("\\\\", 0) == 0 || name.rfind("//", 0) == 0 || name.rfind("\\/", 0) == 0
        || name.rfind("/\\", 0) == 0)
        return {};
    if (name.find(':') != std::string::npos || name.find('\0') != std::string::npos)
        return {};
    std::vector<std::string> parts;
    size_t start = 0;
    for (size_t i = 0; i <= name.size(); ++i) {
        if (i == name.size() || name[i] == '\\' || name[i] == '/') {
            parts.push_back(name.substr(start, i - start));
            start = i + 1;
        }
    }
    if (parts.empty() || parts.back().empty())
        return {};
    for (const auto &p : parts)
        if (p == "." || p == "..")
            return {};
    std::erase_if(parts, [](const std::string &p) { return p.empty(); });
    if (!UsePaths)
        parts.erase(parts.begin(), parts.end() - 1);

    std::error_code ec;
    fs::path base = outputpath.empty() ? fs::current_path(ec) : fs::absolute(outputpath, ec);
    if (ec)
        throw Failure{"cannot resolve the output folder " + outputpath + ": " + ec.message()};
    base = base.lexically_normal();
    fs::path full = base;
    for (const auto &p : parts)
        full /= p;

    const fs::path realBase = fs::weakly_canonical(base, ec);
    const fs::path realFolder = ec ? fs::path() : fs::weakly_canonical(full.parent_path(), ec);
    if (ec || !isWithin(realFolder, realBase))
        return {};

    struct stat st {};
    if (::lstat(full.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode))
            throw Failure{"cannot write " + full.string() + ": it is a folder"};
        // The old file stays until the entry has been read whole: moveToTarget replaces it.
        return Overwrite ? full.string() : std::string();
    }
    fs::path prefix;
    for (const auto &part : full.parent_path()) {
        prefix /= part;
        if (m_callbacks.letEventsRun)
            m_callbacks.letEventsRun();
        if (::lstat(prefix.c_str(), &st) == 0 && S_ISDIR(st.st_mode))
            continue;
        if (isFolder(prefix.string()))
            continue;   // a link to a folder, already found to stay inside
        if (::mkdir(prefix.c_str(), 0777) != 0)
            throw Failure{"cannot create the folder " + prefix.string() + ": " + errnoText()};
    }
    return full.string();
}

} // namespace zeva::archive
