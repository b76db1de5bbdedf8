#include "hostsim/PrinterSim.h"
#include "platform/IniProfile.h"
#include "terminal/TerminalCore.h"
#include "terminal/TerminalView.h"
#include "terminal/frmTerminal.h"
#include "tests/WindowTestSupport.h"

#include "PtyPair.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>

using namespace terminal;
using windowtest::ReadFile;

namespace {

class TerminalWindow : public windowtest::SimulatedHostTest {
protected:
    PtyPair pty;
    QPointer<frmTerminal> window;

    void SetUp() override {
        SimulatedHostTest::SetUp();
        ASSERT_TRUE(pty.Ready());
    }
    void TearDown() override {
        delete window.data();
        SimulatedHostTest::TearDown();
    }

    std::string SettingsPath() const { return ProgramState::Instance().SettingsPath; }
    void Store(const char* key, const std::string& value) {
        ASSERT_TRUE(platform::WriteProfileString("Terminal", key, value, SettingsPath()));
    }

    void Open() {
        Store("CommPortDevice", pty.SlavePath());
        window = new frmTerminal;
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.data()));
    }

    template <class T> T* Find(const char* name) { return windowtest::Find<T>(window, name); }
    TerminalView* Box() { return Find<TerminalView>("txtTerminal"); }
    QComboBox* Ports() { return Find<QComboBox>("cboCommPort"); }
    void Click(const char* button) { QTest::mouseClick(Find<QPushButton>(button), Qt::LeftButton); }

    // Sends `bytes` in pieces of `piece` until the box ends with `last`,
    // which only the whole of `bytes` may show.
    void Feed(const std::string& bytes, std::size_t piece, const QString& last) {
        for (std::size_t at = 0; at < bytes.size(); at += piece) {
            ASSERT_TRUE(pty.Send(std::string_view(bytes).substr(at, piece)));
            QCoreApplication::processEvents();
        }
        ASSERT_TRUE(Until([&] { return Box()->Text().endsWith(last); }))
            << Box()->Text().right(200).toStdString();
    }
    template <class Condition> static bool Until(Condition condition) {
        return QTest::qWaitFor(condition, windowtest::kPatienceMs);
    }

    // What the window sent, waiting for `count` bytes.
    std::string Sent(std::size_t count) {
        std::string got;
        (void)Until([&] {
            got += pty.Receive(count - got.size(), 0);
            return got.size() >= count;
        });
        return got;
    }
};

TEST_F(TerminalWindow, ShowsAndCapturesAFilteredTicketByteForByte) {
    Store("PrinterType", "1");
    Open();
    ASSERT_TRUE(window->PortOpen()) << window->StatusText().toStdString();
    EXPECT_EQ(Find<QComboBox>("cboPrinterType")->currentText(), "Epson TM-267");

    const QString capturePath = FilePath("tickets.txt");
    windowtest::WriteFile(capturePath, "earlier\r\n");
    dialogAnswers.push_back(capturePath);
    Click("cmdCapture");
    EXPECT_EQ(Find<QPushButton>("cmdCapture")->text(), "End Capture");

    const std::string ticket = hostsim::SampleTicket(hostsim::PrinterModel::Epson, 1) +
                               hostsim::SampleTicket(hostsim::PrinterModel::Epson, 2);
    std::string shown;
    ReceiveState state;
    ReceiveText(std::span(reinterpret_cast<const std::uint8_t*>(ticket.data()), ticket.size()),
                {.PrinterType = kPrinterEpsonTM267}, state, shown);
    // Both tickets end alike: only the whole text says all has come.
    Feed(ticket, 7, ViewText(shown));
    EXPECT_EQ(Box()->Text(), ViewText(shown));

    Click("cmdCapture");
    EXPECT_EQ(Find<QPushButton>("cmdCapture")->text(), "Capture");
    EXPECT_EQ(ReadFile(capturePath), "earlier\r\n" + shown);

    Find<QComboBox>("cboPrinterType")->setCurrentIndex(kPrinterNone);
    Find<QCheckBox>("chkCRToCRLF")->setChecked(true);
    Click("cmdClear");
    Feed("end\r\n.", 1, ".");
    EXPECT_EQ(Box()->Text(), "end\n\n.");

    // A capture that cannot be opened or written ends with a message.
    dialogAnswers.push_back(FilePath("no/such/folder/Capture.txt"));
    Click("cmdCapture");
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_FALSE(window->Capturing());

    if (QFile::exists("/dev/full")) {
        dialogAnswers.push_back("/dev/full");
        Click("cmdCapture");
        ASSERT_TRUE(window->Capturing());
        Feed("x", 1, "x");
        EXPECT_EQ(Find<QPushButton>("cmdCapture")->text(), "Capture");
    }
}

TEST_F(TerminalWindow, AFailedOpenReopensThePreviousPortOnceAndStops) {
    Open();
    ASSERT_TRUE(window->PortOpen());
    const int previous = Ports()->currentIndex();

    Ports()->lineEdit()->setText("/dev/orvane-no-such-port");
    QTest::keyClick(Ports()->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(messages.size(), 1u);
    EXPECT_EQ(Ports()->currentIndex(), previous);
    EXPECT_TRUE(window->PortOpen());
    ASSERT_TRUE(pty.Send("still here"));
    ASSERT_TRUE(Until([&] { return Box()->Text() == "still here"; }));

    // With the previous port gone too, it stays closed after one message.
    pty.CloseMaster();
    ASSERT_TRUE(Until([&] { return !window->PortOpen(); }));
    const int missing = Ports()->findText("/dev/orvane-no-such-port");
    ASSERT_GE(missing, 0);
    Ports()->setCurrentIndex(missing);
    emit Ports()->activated(missing);
    EXPECT_EQ(messages.size(), 2u);
    EXPECT_FALSE(window->PortOpen());
    EXPECT_EQ(Ports()->currentIndex(), previous);
}

TEST_F(TerminalWindow, SendsTypedKeysAndTheChatLineAndAClosedPeerLosesNothing) {
    Open();
    const QString capturePath = FilePath("Capture.txt");
    dialogAnswers.push_back(capturePath);
    Click("cmdCapture");
    Box()->setFocus();
    QTest::keyClicks(Box(), "ab");
    QTest::keyClick(Box(), Qt::Key_Return);
    QTest::keyClick(Box(), Qt::Key_C, Qt::ControlModifier);
    QTest::keyClick(Box(), Qt::Key_X, Qt::AltModifier);
    EXPECT_EQ(Sent(4), "ab\r\x03");

    // The chat line goes out whole, not key by key.
    QLineEdit* chat = Find<QLineEdit>("txtChat");
    chat->setFocus();
    QTest::keyClicks(chat, "PING");
    QTest::mouseDClick(chat, Qt::LeftButton);
    EXPECT_EQ(Sent(6), "PING\r\n");
    QTest::keyClick(chat, Qt::Key_Return);
    EXPECT_EQ(Sent(6), "PING\r\n");
    // Keys typed on another control reach it and the port.
    QCheckBox* hex = Find<QCheckBox>("chkDisplayHex");
    hex->setFocus();
    QTest::keyClick(hex, Qt::Key_Space);
    EXPECT_TRUE(hex->isChecked());
    EXPECT_EQ(Sent(1), " ");
    hex->setChecked(false);

    Feed("before the end\r\n", 100, "before the end\n");
    pty.CloseMaster();
    ASSERT_TRUE(Until([&] { return !window->PortOpen(); }));
    EXPECT_TRUE(window->StatusText().contains("stopped working"));
    EXPECT_TRUE(messages.empty());
    EXPECT_TRUE(window->Capturing());
    EXPECT_EQ(ReadFile(capturePath), "before the end\r\n");

    // Nothing goes out silently while no port is open.
    Box()->setFocus();
    QTest::keyClick(Box(), Qt::Key_A);
    EXPECT_EQ(window->StatusText(), "Not sent, no port is open: a typed key.");
    chat->setText("hello");
    QTest::keyClick(chat, Qt::Key_Return);
    EXPECT_EQ(window->StatusText(), "Not sent, no port is open: the chat line.");
    EXPECT_EQ(chat->text(), "hello");
}

TEST_F(TerminalWindow, SettingsComeBackAfterClose) {
    for (const auto& [key, value] : {std::pair{"BaudRate", "8"}, {"Handshaking", "2"},
                                     {"PrinterType", "5"}, {"CRToCRLF", "1"},
                                     {"TerminalWidth", "9000"}}) {
        Store(key, value);
    }
    Open();
    EXPECT_EQ(Find<QComboBox>("cboBaudRate")->currentIndex(), 8);
    EXPECT_EQ(Find<QComboBox>("cboHandshaking")->currentIndex(), 2);
    EXPECT_EQ(Find<QComboBox>("cboPrinterType")->currentIndex(), 5);
    EXPECT_TRUE(Find<QCheckBox>("chkCRToCRLF")->isChecked());
    EXPECT_EQ(Ports()->currentData().toString().toStdString(), pty.SlavePath());
    const int dpi = window->logicalDpiX();
    EXPECT_EQ(window->width(), TwipsToPixels(9000, dpi));

    Find<QComboBox>("cboPrinterType")->setCurrentIndex(6);
    Find<QCheckBox>("chkCRToCRLF")->setChecked(false);
    Ports()->setCurrentIndex(3);
    Click("cmdClose");
    for (const auto& [key, value] : {std::pair{"CommPort", 3}, {"BaudRate", 8}, {"Handshaking", 2},
                                     {"PrinterType", 6}, {"CRToCRLF", 0}}) {
        EXPECT_EQ(platform::GetProfileInt("Terminal", key, -1, SettingsPath()), value) << key;
    }
    EXPECT_NEAR(platform::GetProfileInt("Terminal", "TerminalWidth", -1, SettingsPath()), 9000,
                1440 / dpi);
    // "Close" unloads the window.
    EXPECT_TRUE(Until([&] { return window.isNull(); }));
}

} // namespace
