#pragma once
#include "updater/unzip/CodeModule.h"

#include <QString>
#include <QtGlobal>

class Dialogs;

// The zip extraction wrapper of both programs: options as properties, one
// Unzip call, the printed messages of the last extraction. Flags are stored
// as 1 or 0, as the library expects them.
class CGUnzipFiles
{
public:
    // A failure raised by Unzip itself (not a result of the extraction).
    struct Failure
    {
        qint32 number = 0;
        QString description;
        QString source;
    };
    // Unzip's result when it raised a failure (see LastFailure()).
    static constexpr qint32 RaisedFailure = -1;
    static constexpr qint32 OverflowError = 6;

    // `dialogs` answers the password and overwrite questions; without it no
    // password is given and every overwrite question is answered "Yes".
    explicit CGUnzipFiles(Dialogs *dialogs = nullptr);

    bool ExtractNewer() const { return m_ExtractNewer == 1; }
    void setExtractNewer(bool v) { m_ExtractNewer = v ? 1 : 0; }
    bool SpaceToUnderScore() const { return m_SpaceToUnderScore == 1; }
    void setSpaceToUnderScore(bool v) { m_SpaceToUnderScore = v ? 1 : 0; }
    bool PromptOverwrite() const { return m_PromptOverwrite == 1; }
    void setPromptOverwrite(bool v) { m_PromptOverwrite = v ? 1 : 0; }
    qint32 MessageLevel() const { return m_MessageLevel; }
    void setMessageLevel(qint32 v) { m_MessageLevel = v; }
    bool WriteToStdOut() const { return m_WriteToStdOut == 1; }
    void setWriteToStdOut(bool v) { m_WriteToStdOut = v ? 1 : 0; }
    bool TestZip() const { return m_TestZip == 1; }
    void setTestZip(bool v) { m_TestZip = v ? 1 : 0; }
    qint32 ExtractList() const { return m_ExtractList; }
    void setExtractList(qint32 v) { m_ExtractList = v; }
    bool ExtractOnlyNewer() const { return m_ExtractOnlyNewer == 1; }
    void setExtractOnlyNewer(bool v) { m_ExtractOnlyNewer = v ? 1 : 0; }
    bool DisplayComment() const { return m_DisplayComment == 1; }
    void setDisplayComment(bool v) { m_DisplayComment = v ? 1 : 0; }
    bool HonorDirectories() const { return m_HonorDirectories == 1; }
    void setHonorDirectories(bool v) { m_HonorDirectories = v ? 1 : 0; }
    bool OverWriteFiles() const { return m_OverWriteFiles == 1; }
    void setOverWriteFiles(bool v) { m_OverWriteFiles = v ? 1 : 0; }
    bool ConvertCRtoCRLF() const { return m_ConvertCRtoCRLF == 1; }
    void setConvertCRtoCRLF(bool v) { m_ConvertCRtoCRLF = v ? 1 : 0; }
    bool Verbose() const { return m_Verbose == 1; }
    void setVerbose(bool v) { m_Verbose = v ? 1 : 0; }
    bool CaseSensitive() const { return m_CaseSensitive == 1; }
    void setCaseSensitive(bool v) { m_CaseSensitive = v ? 1 : 0; }
    qint32 Privilege() const { return m_Privilege; }
    void setPrivilege(qint32 v) { m_Privilege = v; }
    QString ZipFileName() const { return m_ZipFileName; }
    void setZipFileName(const QString &v) { m_ZipFileName = v; }
    QString ExtractDir() const { return m_ExtractDir; }
    void setExtractDir(const QString &v) { m_ExtractDir = v; }

    // Limits and entry policy for this object's extractions.
    void setLimits(const CodeModule::UnzipLimits &limits) { m_Limits = limits; }
    void setEntryPolicy(CodeModule::EntryPolicy policy) { m_Policy = std::move(policy); }
    // Asked before each entry is written; false stops the extraction.
    void setEntryHook(CodeModule::ServiceHook hook) { m_EntryHook = std::move(hook); }

    // Non-empty arguments replace ZipFileName / ExtractDir for this and later
    // calls. 0 is success; other values are the engine's result codes;
    // RaisedFailure when the call itself failed (LastFailure tells why).
    qint32 Unzip(const QString &sZipFileName = QString(), const QString &sExtractDir = QString());
    // Everything printed by the most recent extraction of any object.
    QString GetLastMessage() const;
    Failure LastFailure() const { return m_Failure; }

private:
    Dialogs *m_Dialogs = nullptr;
    qint16 m_ExtractNewer = 0;
    qint16 m_SpaceToUnderScore = 0;
    qint16 m_PromptOverwrite = 0;
    qint32 m_MessageLevel = 2;
    qint16 m_WriteToStdOut = 0;
    qint16 m_TestZip = 0;
    qint32 m_ExtractList = 0;
    qint16 m_ExtractOnlyNewer = 0;
    qint16 m_DisplayComment = 0;
    qint16 m_HonorDirectories = 1;
    qint16 m_OverWriteFiles = 1;
    qint16 m_ConvertCRtoCRLF = 0;
    qint16 m_Verbose = 0;
    qint16 m_CaseSensitive = 1;
    qint32 m_Privilege = 0;
    QString m_ZipFileName;
    QString m_ExtractDir;
    CodeModule::UnzipLimits m_Limits;
    CodeModule::EntryPolicy m_Policy;
    CodeModule::ServiceHook m_EntryHook;
    Failure m_Failure;
};
