#pragma once
#include "core/VersionCheck.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

class ErrorReporter;
class Registry;
class SoundPlayer;
struct ClientState;

// The client's start-up (Main): splash, settings and skin, start sound, game
// folder, pack folders, version check, restores and game-data set-up, the
// executable and language, pack checksums, skins and block list, then the
// login window. Every step that belongs to another part of the client is a
// hook filled by the composition root; an empty hook is a step that part does
// not provide (yet) and is skipped.
//
// After each step the sequence asks whether the program is ending (Cancel in
// an error report, an update hand-over) and stops at once if so.
class StartupSequence
{
public:
    struct Hooks
    {
        // Windows.
        std::function<void()> showSplash;                  // frmStartup visible, events run once
        std::function<void(const QByteArray &)> caption;   // frmStartup.lblStart
        std::function<void()> loadSkinPictures;            // the last steps of LoadSettings
        // Why the pictures of a skin (a SkinPath) cannot be loaded; empty
        // when they all can.
        std::function<QByteArray(const QByteArray &)> skinFault;
        std::function<void(const QByteArray &)> status;    // a status line for the lobby's chat
        std::function<void()> showLogin;                   // login window, server list, splash gone

        // Game folder and version.
        std::function<void()> FindGamePath;                // fills the game's Setup fields
        std::function<VersionCheck::Result(const QByteArray &)> CheckVersion;

        // Restores and game-data set-up, called in this order. The palettes
        // go back before the pack journals: a palette file that a mod pack
        // replaced was saved as the pack's copy, and the journal holds the
        // original.
        std::function<void()> CheckPaletteRestore;
        std::function<void()> RestoreMapBackup;
        std::function<void()> RestoreModBackup;
        std::function<void()> CheckHeaderRestore;
        std::function<void()> InitTribeShades;
        std::function<void()> CheckConstantRestore;
        std::function<void()> SetDefaultTribeColours;

        // Pack checksums, skins and block list.
        std::function<void()> BuildMappackCrcList;
        std::function<void()> BuildModpackCrcList;
        std::function<void()> skinListLoaded;              // fill lstskinslist from InstalledSkins
        std::function<void()> LoadBlockList;

        // True once the program is ending; start-up stops after the step.
        std::function<bool()> exiting;
    };

    static constexpr char GameKey[] = "software\\bullfrog productions ltd\\populous: the beginning";
    static constexpr char ExeKey[]
        = "software\\bullfrog productions ltd\\populous: the beginning\\HWSWSelect";

    StartupSequence(ClientState &state, Registry &registry, SoundPlayer &sound,
                    ErrorReporter &errors, Hooks hooks);

    // Runs the whole sequence once. True when the login window is on screen;
    // false when the program is to end.
    bool Main();

    // The steps of the sequence (also those that are not hooked), by name.
    // LoadSettings is also the options panel's skin apply: a skin that
    // cannot be loaded is reported there.
    void LoadSettings();
    // Start-up's LoadSettings: a chosen skin that cannot be loaded gives way
    // to the default skin for this run, with one status line and no report;
    // qx.ini keeps the choice, so a mended skin is used at the next start.
    void loadSettingsAtStart();
    void PlayFile(const QByteArray &fileName);
    // Start-up's PlayFile of the start sound: a skin's missing or unplayable
    // sound gives way to the default skin's (or to silence), with one status
    // line and no report, as a broken skin does.
    void playStartSound();
    void makePackFolders();
    void chooseExecutable();
    void chooseLanguage();

    // What ran, in order ("LoadSettings", "caption:Done!", ...), for the log
    // of a failed start and for tests.
    const QStringList &stepsRun() const { return m_steps; }

    static constexpr char StartSound[] = "\\loading.wav";

private:
    static QByteArray skinName(const QByteArray &skinPath);
    bool playSkinSound(const QByteArray &skinPath, QByteArray *why);
    bool step(const QString &name, const std::function<void()> &body);
    bool caption(const QByteArray &text);

    ClientState &m_state;
    Registry &m_registry;
    SoundPlayer &m_sound;
    ErrorReporter &m_errors;
    Hooks m_hooks;
    QStringList m_steps;
};
