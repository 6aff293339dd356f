#pragma once
#include <QUrl>

// Opens a web page (the register and lost-password pages) in the user's browser.
class WebBrowser
{
public:
    virtual ~WebBrowser() = default;
    virtual bool open(const QUrl &url) = 0;
};
