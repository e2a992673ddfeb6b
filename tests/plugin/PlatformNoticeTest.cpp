// The host keeps Qt's platform notices off the terminal and lets every other message through.
#include <gtest/gtest.h>

#include <QString>
#include <QtGlobal>
#include <tuple>
#include <vector>

#include "host/DialogCall.h"

namespace {

std::vector<QString> shown;

void Show(QtMsgType, const QMessageLogContext&, const QString& message) {
    shown.push_back(message);
}

TEST(PlatformNotices, OnlyThePlatformsNoticesAreDropped) {
    const std::tuple<QtMsgType, const char*, bool> rows[] = {
        {QtWarningMsg, "This plugin does not support propagateSizeHints()", false},
        {QtWarningMsg, "This plugin does not support raise()", false},
        {QtWarningMsg, "QStandardPaths: XDG_RUNTIME_DIR not set, defaulting to '/tmp/runtime-root'",
         false},
        {QtWarningMsg,
         "QStandardPaths: wrong permissions on runtime directory /run/user/0, 0755 "
         "instead of 0700",
         true},
        {QtWarningMsg, "QFile::open: the plugin does not support this", true},
        {QtCriticalMsg, "This plugin does not support raise()", true},
        {QtInfoMsg, "This plugin does not support raise()", true},
    };
    qInstallMessageHandler(Show);
    halvex::host::PrepareForCallsWithoutDialog();
    for (const auto& [type, text, passes] : rows) {
        shown.clear();
        qt_message_output(type, QMessageLogContext(), QString::fromUtf8(text));
        EXPECT_EQ(shown.size(), passes ? 1u : 0u) << text;
    }
    qInstallMessageHandler(nullptr);
}

}  // namespace
