#include "core/StartupSequence.h"

#include "core/ClientState.h"
#include "core/Settings.h"
#include "core/api/ErrorReporter.h"
#include "core/util/CodePage.h"
#include "core/util/Files.h"
#include "core/util/SettingsKeys.h"
#include "core/util/Text.h"
#include "core/util/WinPath.h"
#include "packs/LangFile.h"
#include "platform/Registry.h"
#include "platform/SoundPlayer.h"

#include <QDir>

StartupSequence::StartupSequence(ClientState &state, Registry &registry, SoundPlayer &sound,
                                 ErrorReporter &errors, Hooks hooks)
    : m_state(state)
    , m_registry(registry)
    , m_sound(sound)
    , m_errors(errors)
    , m_hooks(std::move(hooks))
{
}

bool StartupSequence::step(const QString &name, const std::function<void()> &body)
{
    if (body) {
        m_steps.append(name);
        body();
    }
    return !(m_hooks.exiting && m_hooks.exiting());
}

bool StartupSequence::caption(const QByteArray &text)
{
    m_steps.append(QStringLiteral("caption:") + QString::fromLatin1(text));
    if (m_hooks.caption)
        m_hooks.caption(text);
    return !(m_hooks.exiting && m_hooks.exiting());
}

bool StartupSequence::Main()
{
    const Hooks &h = m_hooks;
    bool versionSaysExit = false;
    const bool ran = step("showSplash", h.showSplash)
        && step("LoadSettings", [this] { loadSettingsAtStart(); })
        && step("PlayFile", [this] {
               if (!m_state.Options.DisableStartSound)
                   playStartSound();
           })
        && step("FindGamePath", h.FindGamePath)
        && step("makePackFolders", [this] { makePackFolders(); })
        && caption("Getting Version Status..")
        && step("CheckVersion", h.CheckVersion ? std::function<void()>([&] {
               versionSaysExit = h.CheckVersion("gatherhall") == VersionCheck::Result::Exit;
           })
                                               : std::function<void()>())
        && !versionSaysExit
        && caption("Loading Skin Textures..")
        && caption("Checking for Backup Data..")
        && step("CheckPaletteRestore", h.CheckPaletteRestore)
        && step("RestoreMapBackup", h.RestoreMapBackup)
        && step("RestoreModBackup", h.RestoreModBackup)
        && step("CheckHeaderRestore", h.CheckHeaderRestore)
        && step("InitTribeShades", h.InitTribeShades)
        && step("CheckConstantRestore", h.CheckConstantRestore)
        && step("SetDefaultTribeColours", h.SetDefaultTribeColours)
        && step("chooseExecutable", [this] { chooseExecutable(); })
        && step("chooseLanguage", [this] { chooseLanguage(); })
        && caption("Generating CRC32 for Mappacks")
        && step("BuildMappackCrcList", h.BuildMappackCrcList)
        && caption("Generating CRC32 for Modpacks")
        && step("BuildModpackCrcList", h.BuildModpackCrcList)
        && step("LoadInstalledSkins", [this] {
               Settings::LoadInstalledSkins(m_state.Options, m_state.Setup.ProgramFolder);
               if (m_hooks.skinListLoaded)
                   m_hooks.skinListLoaded();
           })
        && step("LoadBlockList", h.LoadBlockList)
        && caption("Done!")
        && step("showLogin", h.showLogin);
    return ran;
}

void StartupSequence::LoadSettings()
{
    Settings::LoadSettings(m_state.Options, m_state.Setup.ProgramFolder);
    if (m_hooks.loadSkinPictures)
        m_hooks.loadSkinPictures();
}

void StartupSequence::loadSettingsAtStart()
{
    const QString folder = m_state.Setup.ProgramFolder;
    Settings::LoadSettings(m_state.Options, folder);
    const QByteArray chosen = m_state.Options.SkinPath;
    const QByteArray fallback = SettingsKeys::SkinPath.defaultValue;
    if (m_hooks.skinFault && chosen.compare(fallback, Qt::CaseInsensitive) != 0) {
        // When the default skin is no better, the chosen one stays and its
        // failure is reported as at any other load.
        const QByteArray fault = m_hooks.skinFault(chosen);
        if (!fault.isEmpty() && m_hooks.skinFault(fallback).isEmpty()) {
            if (m_hooks.status)
                m_hooks.status("The skin \"" + skinName(chosen) + "\" cannot be loaded (" + fault
                               + "); the default skin is used instead.");
            Settings::LoadSettings(m_state.Options, folder, fallback);
        }
    }
    if (m_hooks.loadSkinPictures)
        m_hooks.loadSkinPictures();
}

QByteArray StartupSequence::skinName(const QByteArray &skinPath)
{
    const qsizetype slash = skinPath.lastIndexOf('\\');
    return slash >= 0 && slash + 1 < skinPath.size() ? skinPath.mid(slash + 1) : skinPath;
}

bool StartupSequence::playSkinSound(const QByteArray &skinPath, QByteArray *why)
{
    const QString file = Settings::skinFile(m_state.Setup.ProgramFolder, skinPath, StartSound);
    if (!Files::FileExists(file)) {
        *why = "there is no " + QByteArray(StartSound).mid(1);
        return false;
    }
    QString error;
    if (m_sound.play(file, &error))
        return true;
    *why = CodePage::fromUnicode(error);
    return false;
}

void StartupSequence::playStartSound()
{
    if (m_state.Options.DisableSound)
        return;
    const QByteArray chosen = m_state.Options.SkinPath;
    QByteArray why;
    if (playSkinSound(chosen, &why))
        return;
    const QByteArray fallback = SettingsKeys::SkinPath.defaultValue;
    QByteArray unused;
    const bool fellBack = chosen.compare(fallback, Qt::CaseInsensitive) != 0 && playSkinSound(fallback, &unused);
    if (m_hooks.status)
        m_hooks.status("The start sound of the skin \"" + skinName(chosen) + "\" cannot be played (" + why + "); "
                       + (fellBack ? "the default skin's sound is played instead." : "the start is silent."));
}

void StartupSequence::PlayFile(const QByteArray &fileName)
{
    if (m_state.Options.DisableSound)
        return;
    const QString file
        = Settings::skinFile(m_state.Setup.ProgramFolder, m_state.Options.SkinPath, fileName);
    if (!Files::FileExists(file)) {
        m_errors.ShowError({53, QStringLiteral("File not found: ") + file, QStringLiteral("modSound")},
                           QStringLiteral("modSound.PlayFile"));
        return;
    }
    QString why;
    if (!m_sound.play(file, &why))
        m_errors.ShowError({5, why, QStringLiteral("modSound")}, QStringLiteral("modSound.PlayFile"));
}

void StartupSequence::makePackFolders()
{
    GameSetup &setup = m_state.Setup;
    const QString mappacks = WinPath::join(setup.ProgramFolder, QByteArray("\\mappacks"));
    const QString modpacks = WinPath::join(setup.ProgramFolder, QByteArray("\\modpacks"));
    if (!Files::DirExists(mappacks))
        QDir().mkpath(mappacks);
    if (!Files::DirExists(modpacks))
        QDir().mkpath(modpacks);
    setup.MappacksFolder = mappacks;
    setup.ModpacksFolder = modpacks;
}

void StartupSequence::chooseExecutable()
{
    GameSetup &setup = m_state.Setup;
    const QVariant current = m_registry.RegGetString(Registry::HKEY_LOCAL_MACHINE, ExeKey, "CurrentEXE");
    const QByteArray fromRegistry = current.typeId() == QMetaType::QByteArray
        ? current.toByteArray()
        : (current.isValid() ? QByteArray::number(current.toInt()) : QByteArray());
    setup.GameExeName = SettingsKeys::read(
        WinPath::join(setup.ProgramFolder, QByteArray(SettingsKeys::QxIni)), SettingsKeys::ExeFile,
        fromRegistry);
    setup.GameExePath = setup.GamePathWindows + '\\' + setup.GameExeName;
}

void StartupSequence::chooseLanguage()
{
    if (!m_state.Setup.GameInstalled)
        return;
    const QVariant value = m_registry.RegGetString(Registry::HKEY_LOCAL_MACHINE, GameKey, "language");
    const qint32 language = value.typeId() == QMetaType::QByteArray
        ? Text::LeadingInt32(value.toByteArray())
        : value.toInt();
    const QByteArray file = LanguageFileName(language);
    m_state.CurrentUser.LangFile = file;
    m_state.Setup.LangFile = file;
}
