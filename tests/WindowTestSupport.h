#pragma once
// What the window tests share: a simulated host behind the device seam, a
// program folder of their own, message boxes and file dialogs answered and
// recorded instead of shown, and small finders for controls and files.
#include "common/LinkLog.h"
#include "common/ProgramState.h"
#include "hostsim/SimFtdiDevice.h"
#include "hostsim/SimulatedHost.h"
#include "link/clsUSBInterface.h"
#include "link/codeFTDIDirect.h"
#include "platform/FileDialog.h"
#include "platform/MessageBox.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QListWidget>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <deque>
#include <memory>
#include <string>
#include <vector>

namespace windowtest {

// How long a window test waits for something it knows will happen: long
// enough for a loaded machine or a sanitizer build, so only a hang ends it.
inline constexpr int kPatienceMs = 60000;

inline std::string ReadFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll().toStdString() : std::string("<missing>");
}

inline void WriteFile(const QString& path, const std::string& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes.data(), static_cast<qint64>(bytes.size()));
}

template <class T> T* Find(const QWidget* w, const QString& name) {
    T* child = w->findChild<T*>(name);
    EXPECT_NE(child, nullptr) << name.toStdString();
    return child;
}

inline QStringList Lines(const QListWidget* list) {
    QStringList lines;
    for (int i = 0; i < list->count(); ++i) {
        lines << list->item(i)->text();
    }
    return lines;
}

// The controls of `order` in the order the focus chain from `start` reaches
// them; equal to `order` when the keyboard goes through them as listed.
inline QStringList FocusOrder(QWidget* start, const QStringList& order) {
    QStringList chain;
    QWidget* w = start;
    for (int guard = 0; guard < 200 && w != nullptr && chain.size() < order.size();
         ++guard, w = w->nextInFocusChain()) {
        if (order.contains(w->objectName()) && !chain.contains(w->objectName())) {
            chain << w->objectName();
        }
    }
    return chain;
}

// A fresh simulated host, a program folder, an empty link log and answered
// dialogs for every test. The link is made by MakeLink(), as the main window
// would make it; a derived fixture destroys its windows before calling
// TearDown() here.
class SimulatedHostTest : public ::testing::Test {
protected:
    void SetUp() override {
        LinkLog::Instance().Clear();
        ProgramState& state = ProgramState::Instance();
        state.SetProgramFolder(dir.path().toStdString());
        state.SiteParams = {};
        FtHandle = 0;
        SetFtdiBackend(std::make_shared<hostsim::SimFtdiDevice>(host));
        platform::SetMessageHook([this](const platform::MessageRequest& r) {
            messages.push_back(r);
            if (answers.empty()) {
                return defaultAnswer;
            }
            const platform::MessageAnswer a = answers.front();
            answers.pop_front();
            return a;
        });
        platform::SetFileDialogHook([this](const platform::FileDialogRequest& r) {
            dialogs.push_back(r);
            QString answer;
            if (!dialogAnswers.empty()) {
                answer = dialogAnswers.front();
                dialogAnswers.pop_front();
            }
            return answer;
        });
    }
    void TearDown() override {
        ProgramState::Instance().Link = nullptr;
        link.reset();
        platform::SetMessageHook({});
        platform::SetFileDialogHook({});
        SetFtdiBackend(nullptr);
        FtHandle = 0;
        LinkLog::Instance().Clear();
    }

    void MakeLink() {
        link = std::make_unique<clsUSBInterface>();
        ProgramState::Instance().Link = link.get();
    }
    QString FilePath(const char* name) const { return dir.filePath(name); }
    QString LastMessage() const { return messages.empty() ? QString() : messages.back().text; }

    QTemporaryDir dir;
    std::shared_ptr<hostsim::SimulatedHost> host = std::make_shared<hostsim::SimulatedHost>();
    std::unique_ptr<clsUSBInterface> link;
    std::vector<platform::MessageRequest> messages;
    std::deque<platform::MessageAnswer> answers; // then defaultAnswer
    platform::MessageAnswer defaultAnswer = platform::MessageAnswer::Ok;
    std::vector<platform::FileDialogRequest> dialogs;
    std::deque<QString> dialogAnswers; // then a cancel
};

// The node counts of the site parameter messages `host` received, in order.
inline std::vector<int> SiteCounts(const hostsim::SimulatedHost& host) {
    std::vector<int> counts;
    for (const auto& f : host.Requests()) {
        if (f.size() == 31 && f[0] == 12 && f[6] == 4 && f[7] == 6) {
            counts.push_back(f[9]);
        }
    }
    return counts;
}

} // namespace windowtest
