#pragma once
// Header only: ClientApp lives above the fixtures library.
#include "core/ui/ClientApp.h"
#include "tests/fixtures/FakeDialogs.h"
#include "tests/fixtures/FakeGameStarter.h"
#include "tests/fixtures/FakeMacAddress.h"
#include "tests/fixtures/FakeProcessMemory.h"
#include "tests/fixtures/FakeRegistry.h"
#include "tests/fixtures/FakeSoundPlayer.h"
#include "tests/fixtures/FakeWebBrowser.h"

// Every platform service of a whole client, faked, for a test's client to
// derive from (the fakes then outlive its ClientApp).
struct FakeClientPlatform
{
    FakeDialogs dialogs;
    FakeRegistry registry;
    FakeMacAddress mac{QByteArray("\x00\x1A\x2B\x3C\x4D\x5E", 6)};
    FakeWebBrowser browser;
    FakeSoundPlayer sound;
    FakeGameStarter games;
    FakeProcessMemory memory;

    ClientApp::Platform platform() { return {&dialogs, &registry, &mac, &browser, &sound, &games, &memory}; }
};
