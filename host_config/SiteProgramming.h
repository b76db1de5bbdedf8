#pragma once
// The main window's "Program": the clock, the site parameters and the two
// ticket texts, each sent when asked for, in that order, through the device
// link. The window and orvane-cli both run it; a request to stop ends it at
// the next exchange and says what was not sent.

#include "common/SiteParamRecord.h"
#include "host_config/SiteConfig.h"

#include <QDateTime>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

class clsUSBInterface;

namespace hostconfig {

// The parts "Program" may send, in the order it sends them.
enum SendPart : int { kPartDateTime = 0, kPartParameters = 1, kPartHeader = 2, kPartFooter = 3 };
inline constexpr int kSendParts = 4;

struct ProgramJob {
    std::array<bool, kSendParts> send{};
    SiteParamRecord site; // what the parameters part sends, as it goes out
    QString header;       // the location (header) text
    QString footer;       // the disclaimer (footer) text
    // Read once, when the clock part goes out.
    std::function<QDateTime()> clock;
};

struct ProgramControl {
    // Before each exchange: the part, and the block of a ticket text (0 for
    // the other parts).
    std::function<void(int part, int block)> progress;
    // True when no further exchange may start.
    std::function<bool()> stop;
};

struct ProgramOutcome {
    // Each part asked for whose every message went out.
    std::array<bool, kSendParts> went{};
    // What a stop kept back, one entry per part ("Location (Header)" or,
    // when some of its blocks went, "Location (Header) (blocks 3 to 8 of 8)").
    QStringList notSent;
};

// What refuses a "Program" run that sends the parts in `send`, one line
// each: the parameter entries when the parameters go, and each ticket text
// that goes. Parts that do not go are not checked.
QStringList ProgramProblems(const std::array<bool, kSendParts>& send,
                            const std::array<QString, kParameterCount>& parameters,
                            const QString& header, const QString& footer);

// The single messages; each returns whether its request went out whole.
bool SendSiteParams(clsUSBInterface* link, const SiteParamRecord& record);
bool SendClock(clsUSBInterface* link, const QDateTime& now);
// The 8 blocks of a ticket text (choice 1 header, 2 footer). Events are let
// through between blocks; `stop` is asked before each block. `blocksSent`
// counts the blocks written.
bool SendTicketText(clsUSBInterface* link, int choice, const QString& text,
                    const std::function<bool()>& stop, int* blocksSent = nullptr);

// Runs "Program" for `job`. When it was stopped, the link log says what
// was not sent.
ProgramOutcome ProgramSite(clsUSBInterface* link, const ProgramJob& job,
                           const ProgramControl& control);

} // namespace hostconfig
