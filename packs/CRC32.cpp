#include "packs/CRC32.h"

#include "core/util/AtomicFile.h"
#include "core/util/Files.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>

#ifdef Q_OS_LINUX
#include <cerrno>
#include <ctime>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include <cstdio>
#include <cstring>
#include <memory>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define ZORBEL_CRC_CLMUL 1
#endif

namespace {

// Slice-by-16 tables: Table[0] is the classic byte table; Table[k][n] is the
// register contribution of byte n seen k bytes earlier.
struct CrcTables
{
    quint32 t[16][256];
    CrcTables()
    {
        for (quint32 n = 0; n < 256; ++n) {
            quint32 c = n;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? (c >> 1) ^ 0xEDB88320u : c >> 1;
            t[0][n] = c;
        }
        for (quint32 n = 0; n < 256; ++n) {
            for (int k = 1; k < 16; ++k)
                t[k][n] = (t[k - 1][n] >> 8) ^ t[0][t[k - 1][n] & 0xFF];
        }
    }
};

const CrcTables &tables()
{
    static const CrcTables instance;
    return instance;
}

// Runs the register (preset form, no inversion) over the bytes.
quint32 registerBytes(quint32 r, const uchar *p, size_t n)
{
    const auto &t = tables().t;
    while (n && (reinterpret_cast<quintptr>(p) & 7)) {
        r = (r >> 8) ^ t[0][(r ^ *p++) & 0xFF];
        --n;
    }
    while (n >= 16) {
        quint32 a, b, c, d;
        std::memcpy(&a, p, 4);
        std::memcpy(&b, p + 4, 4);
        std::memcpy(&c, p + 8, 4);
        std::memcpy(&d, p + 12, 4);
        a = qFromLittleEndian(a) ^ r;
        b = qFromLittleEndian(b);
        c = qFromLittleEndian(c);
        d = qFromLittleEndian(d);
        r = t[15][a & 0xFF] ^ t[14][(a >> 8) & 0xFF] ^ t[13][(a >> 16) & 0xFF] ^ t[12][a >> 24]
            ^ t[11][b & 0xFF] ^ t[10][(b >> 8) & 0xFF] ^ t[9][(b >> 16) & 0xFF] ^ t[8][b >> 24]
            ^ t[7][c & 0xFF] ^ t[6][(c >> 8) & 0xFF] ^ t[5][(c >> 16) & 0xFF] ^ t[4][c >> 24]
            ^ t[3][d & 0xFF] ^ t[2][(d >> 8) & 0xFF] ^ t[1][(d >> 16) & 0xFF] ^ t[0][d >> 24];
        p += 16;
        n -= 16;
    }
    while (n--)
        r = (r >> 8) ^ t[0][(r ^ *p++) & 0xFF];
    return r;
}

#ifdef ZORBEL_CRC_CLMUL
// Carry-less multiply folding (four 128-bit lanes), then a Barrett reduction;
// the constants are those of the reflected polynomial 0xEDB88320. Takes and
// returns the register; `n` is a multiple of 16, at least 64.
__attribute__((target("pclmul,sse4.1"))) quint32 registerClmul(quint32 r, const uchar *p, size_t n)
{
    alignas(16) static const quint64 k1k2[] = {0x0154442bd4ull, 0x01c6e41596ull};
    alignas(16) static const quint64 k3k4[] = {0x01751997d0ull, 0x00ccaa009eull};
    alignas(16) static const quint64 k5k0[] = {0x0163cd6124ull, 0x0000000000ull};
    alignas(16) static const quint64 poly[] = {0x01db710641ull, 0x01f7011641ull};

    __m128i x0, x1, x2, x3, x4, x5, x6, x7, x8, y5, y6, y7, y8;
    x1 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x00));
    x2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x10));
    x3 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x20));
    x4 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x30));
    x1 = _mm_xor_si128(x1, _mm_cvtsi32_si128(int(r)));
    x0 = _mm_load_si128(reinterpret_cast<const __m128i *>(k1k2));
    p += 64;
    n -= 64;
    while (n >= 64) {
        x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
        x6 = _mm_clmulepi64_si128(x2, x0, 0x00);
        x7 = _mm_clmulepi64_si128(x3, x0, 0x00);
        x8 = _mm_clmulepi64_si128(x4, x0, 0x00);
        x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
        x2 = _mm_clmulepi64_si128(x2, x0, 0x11);
        x3 = _mm_clmulepi64_si128(x3, x0, 0x11);
        x4 = _mm_clmulepi64_si128(x4, x0, 0x11);
        y5 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x00));
        y6 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x10));
        y7 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x20));
        y8 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p + 0x30));
        x1 = _mm_xor_si128(_mm_xor_si128(x1, x5), y5);
        x2 = _mm_xor_si128(_mm_xor_si128(x2, x6), y6);
        x3 = _mm_xor_si128(_mm_xor_si128(x3, x7), y7);
        x4 = _mm_xor_si128(_mm_xor_si128(x4, x8), y8);
        p += 64;
        n -= 64;
    }
    x0 = _mm_load_si128(reinterpret_cast<const __m128i *>(k3k4));
    x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
    x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x2), x5);
    x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
    x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x3), x5);
    x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
    x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
    x1 = _mm_xor_si128(_mm_xor_si128(x1, x4), x5);
    while (n >= 16) {
        x2 = _mm_loadu_si128(reinterpret_cast<const __m128i *>(p));
        x5 = _mm_clmulepi64_si128(x1, x0, 0x00);
        x1 = _mm_clmulepi64_si128(x1, x0, 0x11);
        x1 = _mm_xor_si128(_mm_xor_si128(x1, x2), x5);
        p += 16;
        n -= 16;
    }
    // 128 bits to 64.
    x2 = _mm_clmulepi64_si128(x1, x0, 0x10);
    x3 = _mm_setr_epi32(~0, 0, ~0, 0);
    x1 = _mm_srli_si128(x1, 8);
    x1 = _mm_xor_si128(x1, x2);
    x0 = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(k5k0));
    x2 = _mm_srli_si128(x1, 4);
    x1 = _mm_and_si128(x1, x3);
    x1 = _mm_clmulepi64_si128(x1, x0, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    // Barrett reduction to 32 bits.
    x0 = _mm_load_si128(reinterpret_cast<const __m128i *>(poly));
    x2 = _mm_and_si128(x1, x3);
    x2 = _mm_clmulepi64_si128(x2, x0, 0x10);
    x2 = _mm_and_si128(x2, x3);
    x2 = _mm_clmulepi64_si128(x2, x0, 0x00);
    x1 = _mm_xor_si128(x1, x2);
    return quint32(_mm_extract_epi32(x1, 1));
}

bool haveClmul()
{
    static const bool yes = __builtin_cpu_supports("pclmul") && __builtin_cpu_supports("sse4.1");
    return yes;
}
#endif

quint32 runRegister(quint32 r, const char *data, qint64 length)
{
    const uchar *p = reinterpret_cast<const uchar *>(data);
    size_t n = length > 0 ? size_t(length) : 0;
#ifdef ZORBEL_CRC_CLMUL
    if (n >= 64 && haveClmul()) {
        const size_t bulk = n & ~size_t(15);
        r = registerClmul(r, p, bulk);
        p += bulk;
        n -= bulk;
    }
#endif
    return registerBytes(r, p, n);
}

// What the cache is checked against: the file's size, its last-modified time
// and its creation time as local "yyyy-MM-dd HH:mm:ss.zzz" texts. Not every
// file system keeps a birth time; the status change time stands in (it moves
// on any touch too, which only makes the cache stricter). Start-up looks at
// every pack, so on Linux this is one statx call and the texts are formatted
// by hand.
struct FileLook
{
    bool isFile = false;
    qint64 size = 0;
    QByteArray modified;
    QByteArray created;
};

#ifdef Q_OS_LINUX
QByteArray timeText(const struct statx_timestamp &t)
{
    const time_t seconds = time_t(t.tv_sec);
    struct tm local{};
    if (!localtime_r(&seconds, &local))
        return QByteArray();
    char text[40];
    const int n = std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d:%02d.%03u", local.tm_year + 1900,
                                local.tm_mon + 1, local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec,
                                unsigned(t.tv_nsec / 1000000));
    return n > 0 ? QByteArray(text, qMin(n, int(sizeof text) - 1)) : QByteArray();
}

// `dirFd` and `name` as for statx/openat: a folder and a name in it, or
// AT_FDCWD and a full path.
FileLook lookAt(int dirFd, const QByteArray &name)
{
    FileLook look;
    struct statx sx{};
    if (::statx(dirFd, name.constData(), AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &sx) != 0)
        return look;
    look.isFile = S_ISREG(sx.stx_mode);
    look.size = qint64(sx.stx_size);
    look.modified = timeText(sx.stx_mtime);
    look.created = timeText((sx.stx_mask & STATX_BTIME) ? sx.stx_btime : sx.stx_ctime);
    return look;
}

FileLook lookAt(const QString &fileName)
{
    return lookAt(AT_FDCWD, QFile::encodeName(fileName));
}

// The first bytes of the cache file (it is a few dozen bytes long).
QByteArray readCache(int dirFd, const QByteArray &name)
{
    const int fd = ::openat(dirFd, name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return QByteArray();
    char buffer[512];
    ssize_t n;
    do {
        n = ::read(fd, buffer, sizeof buffer);
    } while (n < 0 && errno == EINTR);
    ::close(fd);
    return n > 0 ? QByteArray(buffer, qsizetype(n)) : QByteArray();
}
#else
QByteArray timeText(const QDateTime &t)
{
    return t.isValid() ? t.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss.zzz")).toLatin1()
                       : QByteArray();
}

FileLook lookAt(const QString &fileName)
{
    const QFileInfo info(fileName);
    FileLook look;
    look.isFile = info.isFile();
    look.size = info.size();
    look.modified = timeText(info.lastModified());
    const QDateTime born = info.birthTime();
    look.created = timeText(born.isValid() ? born : info.metadataChangeTime());
    return look;
}

QByteArray readCache(const QString &cacheFile)
{
    QFile cache(cacheFile);
    return cache.open(QIODevice::ReadOnly) ? cache.read(512) : QByteArray();
}
#endif

// The file's look and its cache's first bytes; inside the open folder of a
// scan by name, else by full path.
void lookAtPack(const QString &fileName, const QString &scanFolder, int scanFd, FileLook *look, QByteArray *cache,
                bool readTheCache)
{
#ifdef Q_OS_LINUX
    if (scanFd >= 0) {
        const QFileInfo where(fileName);
        if (QDir::cleanPath(where.absolutePath()) == scanFolder) {
            const QByteArray name = QFile::encodeName(where.fileName());
            *look = lookAt(scanFd, name);
            if (readTheCache)
                *cache = readCache(scanFd, name + ".crc");
            return;
        }
    }
    *look = lookAt(fileName);
    if (readTheCache)
        *cache = readCache(AT_FDCWD, QFile::encodeName(clsCRC32::CacheFileName(fileName)));
#else
    Q_UNUSED(scanFolder);
    Q_UNUSED(scanFd);
    *look = lookAt(fileName);
    if (readTheCache)
        *cache = readCache(clsCRC32::CacheFileName(fileName));
#endif
}

// Lines 1 and 2 of a cache file: a decimal number with blanks around it.
bool readNumber(const QByteArray &line, qint64 *value)
{
    bool ok = false;
    *value = line.trimmed().toLongLong(&ok);
    return ok;
}

} // namespace

clsCRC32::clsCRC32()
{
    tables();
}

quint32 clsCRC32::update(quint32 crc, const char *data, qint64 length)
{
    return ~runRegister(~crc, data, length);
}

qint64 clsCRC32::FileSize(const QString &FileName) const
{
    QFile f(FileName);
    if (!QFileInfo(FileName).isFile() || !f.open(QIODevice::ReadOnly))
        return -1;
    return f.size();
}

QByteArray clsCRC32::LastModifiedText(const QString &FileName)
{
    return lookAt(FileName).modified;
}

QByteArray clsCRC32::CreatedText(const QString &FileName)
{
    return lookAt(FileName).created;
}

bool clsCRC32::Checksum(const QString &FileName, bool UseCache, quint32 *crc)
{
    FileLook look;
    QByteArray cacheBytes;
    lookAtPack(FileName, m_scanFolder, m_scanFd, &look, &cacheBytes, UseCache);
    if (!look.isFile)
        return false;
    const qint64 fileSize = look.size;
    const QByteArray &modified = look.modified;
    const QByteArray &created = look.created;
    const QString cacheFile = CacheFileName(FileName);

    if (UseCache) {
        const QList<QByteArray> lines = cacheBytes.split('\n');
        auto line = [&lines](int i) {
            QByteArray l = i < lines.size() ? lines.at(i) : QByteArray();
            if (l.endsWith('\r'))
                l.chop(1);
            return l;
        };
        qint64 reg = 0, size = 0;
        if (lines.size() >= 4 && readNumber(line(0), &reg) && readNumber(line(1), &size)
            && reg >= -2147483648LL && reg <= 4294967295LL && size == fileSize && line(2) == modified
            && line(3) == created) {
            *crc = ~quint32(reg);
            return true;
        }
    }

    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        return false;
    // Read in pieces of up to 4 MiB; a small pack needs no more than its size
    // (and the buffer is not cleared first: it is read into at once).
    const qint64 bufferSize = qBound<qint64>(1, fileSize, qint64(4) << 20);
    std::unique_ptr<char[]> buffer(new char[size_t(bufferSize)]);
    quint32 reg = 0xFFFFFFFFu;
    qint64 size = 0;
    for (;;) {
        const qint64 n = f.read(buffer.get(), bufferSize);
        if (n < 0)
            return false;
        if (n == 0)
            break;
        reg = runRegister(reg, buffer.get(), n);
        size += n;
    }
    // A non-negative register is written with a blank in place of its sign.
    const qint32 signedReg = qint32(reg);
    QByteArray text = signedReg >= 0 ? QByteArray(" ") : QByteArray();
    text += QByteArray::number(signedReg) + "\r\n";
    text += " " + QByteArray::number(size) + "\r\n";
    text += modified + "\r\n" + created + "\r\n";
    // A torn or stale cache is found out and recomputed, so it needs the
    // rename but not the wait for the disk. One that cannot be written is
    // only slower.
    AtomicFile::writeUnsynced(cacheFile, text);
    *crc = ~reg;
    return true;
}

clsCRC32::FolderScan::FolderScan(clsCRC32 &calculator, const QString &folder)
    : m_calculator(calculator)
{
#ifdef Q_OS_LINUX
    m_calculator.m_scanFd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    m_calculator.m_scanFolder = QDir::cleanPath(QFileInfo(folder).absoluteFilePath());
#else
    Q_UNUSED(folder);
#endif
}

clsCRC32::FolderScan::~FolderScan()
{
#ifdef Q_OS_LINUX
    if (m_calculator.m_scanFd >= 0)
        ::close(m_calculator.m_scanFd);
#endif
    m_calculator.m_scanFd = -1;
    m_calculator.m_scanFolder.clear();
}

quint32 clsCRC32::CRC32(const QString &FileName, bool UseCache)
{
    quint32 crc = 0;
    return Checksum(FileName, UseCache, &crc) ? crc : 0;
}

QByteArray PadTo8(QByteArray text)
{
    while (text.size() < 8)
        text.prepend('0');
    return text;
}

QByteArray crc8(quint32 crc)
{
    return PadTo8(QByteArray::number(crc, 16).toUpper());
}

bool IsNoPack(const QByteArray &crc)
{
    return crc.isEmpty() || crc == "00000000" || crc == "OFF";
}

bool IsCrc8(const QByteArray &text)
{
    if (text.size() != 8)
        return false;
    for (char c : text) {
        if (!((c >= '0' && c <= '9') || (c >= 'A' && c <= 'F') || (c >= 'a' && c <= 'f')))
            return false;
    }
    return true;
}
