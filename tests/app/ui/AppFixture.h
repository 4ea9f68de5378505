#pragma once
// What the application-shell tests share: a whole CBrumbleApp in a fresh settings folder,
// with recording message and sound doubles, and connection windows on real loopback servers.

#include <gtest/gtest.h>

#include <QAction>
#include <QComboBox>
#include <QTest>
#include <QUrl>

#include <memory>
#include <vector>

#include "app/BrumbleApp.h"
#include "app/ChildFrame.h"
#include "common/ScriptedServer.h"
#include "common/TestSupport.h"

namespace brumble::test {

inline const std::string kHost = "127.0.0.1";

inline QAction* FindAction(QWidget* window, const QString& text)
{
    for (QAction* action : window->findChildren<QAction*>()) {
        if (action->text() == text)
            return action;
    }
    return nullptr;
}

inline void TypeAndEnter(QComboBox* box, const QString& text)
{
    QTest::keyClicks(box, text);
    QTest::keyClick(box, Qt::Key_Return);
}

class AppFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        qputenv("BRUMBLE_CONFIG_DIR", QByteArray::fromStdString(m_config.Path()));
        qputenv("BRUMBLE_NO_TELNET_OFFER", "1");
    }

    std::unique_ptr<CBrumbleApp> MakeApp(const QStringList& arguments = {})
    {
        CBrumbleApp::Options options{arguments, &messages, &sound};
        auto made = std::make_unique<CBrumbleApp>(options);
        made->openUrl = [this](const QUrl& url) {
            openedUrls.push_back(url);
            return true;
        };
        return made;
    }
    std::unique_ptr<CBrumbleApp> StartApp(const QStringList& arguments = {})
    {
        auto started = MakeApp(arguments);
        EXPECT_TRUE(started->InitInstance());
        return started;
    }

    // A connection window on to, waited for until its command line is enabled.
    CChildFrame* OpenTo(CBrumbleApp& on, CScriptedServer& to)
    {
        on.Services().app.nextHost = kHost;
        on.Services().app.nextPort = to.Port();
        CChildFrame* frame = on.OpenNewConnectionWindow(false);
        EXPECT_NE(frame, nullptr);
        if (!frame)
            return nullptr;
        EXPECT_TRUE(to.WaitForClient());
        EXPECT_TRUE(WaitUntil([frame] { return frame->CommandLine()->isEnabled(); }));
        return frame;
    }
    // Starts app and opens a window on server.
    CChildFrame* StartAndOpen()
    {
        app = StartApp();
        return OpenTo(*app, server);
    }

    ScopedTempDir m_config;
    CRecordingMessageSink messages;
    CRecordingSoundPlayer sound;
    std::vector<QUrl> openedUrls;
    std::unique_ptr<CBrumbleApp> app;
    CScriptedServer server;
};

} // namespace brumble::test
