#pragma once
#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <functional>

class Dialogs;

// The extraction engine behind CGUnzipFiles, in the shape of the classic
// unzip library interface: an option record, a callback record, and one call
// that extracts a whole archive, reporting through the callbacks on the
// calling thread. The engine itself is libzip.
//
// Archives are untrusted: every entry is checked before anything is written
// (names confined to the extraction folder, no symbolic links, caps on entry
// count, total size and compression ratio), so a refused archive writes
// nothing. Each entry goes to a temporary file beside its target and is
// renamed into place only after a clean read (sizes and CRC checked).
namespace CodeModule {

// Result codes (those of the classic library).
enum : qint32 {
    PK_OK = 0,
    PK_WARN = 1,    // some entries skipped or failed, others extracted
    PK_ERR = 2,     // a damaged entry or a refused archive
    PK_BADERR = 3,
    PK_MEM = 4,
    PK_NOZIP = 9,   // not a zip archive, or missing
    PK_PARAM = 10,
    PK_DISK = 50,   // a file could not be written
    IZ_BADPWD = 82, // every entry that needed a password was skipped
};

// Replace question answers.
enum : qint32 { IDM_REPLACE_NO = 100, IDM_REPLACE_YES = 102, IDM_REPLACE_NONE = 104 };

// The 15 options, in record order, then the archive and folder names (ANSI).
struct UnzipOptionRecord
{
    qint32 ExtractOnlyNewer = 0;
    qint32 SpaceToUnderScore = 0;
    qint32 PromptOverwrite = 0;
    qint32 MessageLevel = 0;
    qint32 WriteToStdOut = 0;
    qint32 TestZip = 0;
    qint32 ExtractList = 0;
    qint32 ExtractNewer = 0;
    qint32 DisplayComment = 0;
    qint32 HonorDirectories = 0;
    qint32 OverWriteFiles = 0;
    qint32 ConvertCRtoCRLF = 0;
    qint32 Verbose = 0;
    qint32 CaseSensitive = 0;
    qint32 Privilege = 0;
    const char *ZipFileName = nullptr;
    const char *ExtractDir = nullptr;
};

using PrintFn = qint32 (*)(const char *buffer, quint32 length);
using ReplaceFn = qint32 (*)(char *fileName);
using PasswordFn = qint32 (*)(char *buffer, qint32 size, const char *prompt, const char *name);
using MessageFn = void (*)(quint32 ucsize, quint32 csize, quint32 cfactor, quint32 mo, quint32 dy,
                           quint32 yr, quint32 hh, quint32 mm, char c, const char *fileName,
                           const char *method, quint32 crc, char fCrypt);
using ServiceFn = qint32 (*)(const char *name, quint32 size);

struct UnzipCallbackRecord
{
    PrintFn Print = nullptr;
    void *Sound = nullptr;
    ReplaceFn Replace = nullptr;
    PasswordFn Password = nullptr;
    MessageFn Message = nullptr;
    ServiceFn Service = nullptr;
    qint32 TotalSizeComp = 0;
    qint32 TotalSize = 0;
    qint32 CompFactor = 0;
    qint32 NumMembers = 0;
    qint16 cchComment = 0;
};

struct UnzipVersionRecord
{
    qint32 structlen = 64;
    qint32 flag = 0;
    char betalevel[10];
    char date[20];
    char zlibver[10];
    qint32 unzip = 0, zipinfo = 0, os2dll = 0, windll = 0;
};

// Limits for one archive. The defaults suit packs and client releases.
struct UnzipLimits
{
    qint64 MaxEntries = 20000;
    qint64 MaxTotalSize = qint64(4) << 30;     // 4 GiB unpacked in all
    qint64 MaxRatio = 1000;                    // unpacked : packed, per entry
    qint64 RatioFreeSize = qint64(1) << 20;    // entries below 1 MiB are not ratio-checked
};

// What the last extraction printed; what GetLastMessage returns.
extern QByteArray UnzipMessages;
// Set once the password prompt was answered with nothing, until the next run.
extern bool PasswordRefused;

// The boxes the password and replace callbacks show (nullptr: no password,
// and "Yes" to every replace question).
void SetDialogs(Dialogs *dialogs);
// Limits and an entry policy (checked against each entry's confined parts;
// false refuses the whole archive; it may also respell the parts, which stay
// confined) for the next extractions.
void SetLimits(const UnzipLimits &limits);
using EntryPolicy = std::function<bool(QStringList &parts, bool isDirectory)>;
void SetEntryPolicy(EntryPolicy policy);

// Asked before each entry is written; false skips it and every later one
// (the extraction then ends with a warning result): how a run is stopped.
using ServiceHook = std::function<bool()>;
void SetServiceHook(ServiceHook hook);

// The callbacks.
qint32 UnzipPrintCallback(const char *buffer, quint32 length);
qint32 UnzipServiceCallback(const char *name, quint32 size);
qint32 UnzipPasswordCallback(char *buffer, qint32 size, const char *prompt, const char *name);
qint32 UnzipReplaceCallback(char *fileName);
void UnzipMessageCallback(quint32 ucsize, quint32 csize, quint32 cfactor, quint32 mo, quint32 dy,
                          quint32 yr, quint32 hh, quint32 mm, char c, const char *fileName,
                          const char *method, quint32 crc, char fCrypt);

// The library's two entry points.
qint32 UzpVersion2(UnzipVersionRecord *version);
qint32 Wiz_SingleEntryUnzip(qint32 ifnc, char **ifnv, qint32 xfnc, char **xfnv,
                            const UnzipOptionRecord *options, UnzipCallbackRecord *callbacks);

// Fills the records and runs one extraction; options in the order of
// CGUnzipFiles::Unzip.
qint32 VBUnzip(const QString &sZipFileName, const QString &sUnzipDirectory, qint16 iExtractNewer,
               qint16 iSpaceUnderScore, qint16 iPromptOverwrite, qint16 iQuiet, qint16 iWriteStdOut,
               qint16 iTestZip, qint16 iExtractList, qint16 iExtractOnlyNewer,
               qint16 iDisplayComment, qint16 iHonorDirectories, qint16 iOverwriteFiles,
               qint16 iConvertCR_CRLF, qint16 iVerbose, qint16 iCaseSensitivity, qint16 iPrivilege);

} // namespace CodeModule
