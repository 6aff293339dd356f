#pragma once
#include "platform/WebBrowser.h"

// Opens web pages in the desktop's browser. Only http and https addresses are
// opened: a page address comes from settings and must not start a program.
class DesktopWebBrowser : public WebBrowser
{
public:
    bool open(const QUrl &url) override;
};
