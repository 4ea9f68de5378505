#pragma once
// What the application-shell tests share: a whole CBrumbleApp in a fresh settings folder,
// with recording message and sound doubles, and a way to open a connection window on a real
// loopback server.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QUrl>

#include <memory>
#include <vector>

#include "app/BrumbleApp.h"
#include "app/ChildFrame.h"
#include "common/ScriptedServer.h"
#include "common/TestSupport.h"

namespace brumble::test {

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("BRUMBLE_CONFIG_DIR", QByteArray::fromStdString(m_config.Path()));
        qputenv("BRUMBLE_NO_TELNET_OFFER", "1");
    }

    std::unique_ptr<CBrumbleApp> MakeApp(const QStringList& arguments = {})
    {
        CBrumbleApp::Options options;
        options.arguments = arguments;
        options.messages = &messages;
        options.sound = &sound;
        auto app = std::make_unique<CBrumbleApp>(options);
        app->openUrl = [this](const QUrl& url) {
            openedUrls.push_back(url);
            return true;
        };
        return app;
    }

    std::unique_ptr<CBrumbleApp> StartApp(const QStringList& arguments = {})
    {
        auto app = MakeApp(arguments);
        EXPECT_TRUE(app->InitInstance());
        return app;
    }

    // A connection window on server, waited for until its command line is enabled.
    CChildFrame* OpenTo(CBrumbleApp& app, CScriptedServer& server,
                        const std::string& host = "127.0.0.1")
    {
        app.Services().app.nextHost = host;
        app.Services().app.nextPort = server.Port();
        CChildFrame* frame = app.OpenNewConnectionWindow(false);
        EXPECT_NE(frame, nullptr);
        if (!frame)
            return nullptr;
        EXPECT_TRUE(server.WaitForClient());
        EXPECT_TRUE(WaitUntil([frame] { return frame->CommandLine()->isEnabled(); }));
        return frame;
    }

    ScopedTempDir m_config;
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    std::vector<QUrl> openedUrls;
};

} // namespace brumble::test
