#include "updater/unzip/CGUnzipFiles.h"

#include "core/util/CodePage.h"

#include <limits>

CGUnzipFiles::CGUnzipFiles(Dialogs *dialogs)
    : m_Dialogs(dialogs)
{
}

qint32 CGUnzipFiles::Unzip(const QString &sZipFileName, const QString &sExtractDir)
{
    m_Failure = Failure();
    if (!sZipFileName.isEmpty())
        m_ZipFileName = sZipFileName;
    if (!sExtractDir.isEmpty())
        m_ExtractDir = sExtractDir;

    // The library takes these three as 16-bit values.
    auto fits = [](qint32 v) {
        return v >= std::numeric_limits<qint16>::min() && v <= std::numeric_limits<qint16>::max();
    };
    if (!fits(m_MessageLevel) || !fits(m_ExtractList) || !fits(m_Privilege)) {
        m_Failure = {OverflowError, QStringLiteral("Overflow"), QStringLiteral("CGUnZipFiles::Unzip")};
        return RaisedFailure;
    }

    CodeModule::SetDialogs(m_Dialogs);
    CodeModule::SetLimits(m_Limits);
    CodeModule::SetEntryPolicy(m_Policy);
    CodeModule::SetServiceHook(m_EntryHook);
    const qint32 result = CodeModule::VBUnzip(
        m_ZipFileName, m_ExtractDir, m_ExtractNewer, m_SpaceToUnderScore, m_PromptOverwrite,
        qint16(m_MessageLevel), m_WriteToStdOut, m_TestZip, qint16(m_ExtractList), m_ExtractOnlyNewer,
        m_DisplayComment, m_HonorDirectories, m_OverWriteFiles, m_ConvertCRtoCRLF, m_Verbose,
        m_CaseSensitive, qint16(m_Privilege));
    // The module state is process-wide: leave nothing of this object behind.
    CodeModule::SetDialogs(nullptr);
    CodeModule::SetLimits(CodeModule::UnzipLimits());
    CodeModule::SetEntryPolicy(nullptr);
    CodeModule::SetServiceHook(nullptr);
    return result;
}

QString CGUnzipFiles::GetLastMessage() const
{
    return CodePage::toUnicode(CodeModule::UnzipMessages);
}
