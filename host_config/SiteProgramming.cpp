#include "host_config/SiteProgramming.h"

#include "common/codeCommon.h"
#include "host_config/MainWindowTexts.h"
#include "link/clsUSBInterface.h"

#include <QCoreApplication>
#include <QPointer>

namespace hostconfig {

namespace {

bool Stopped(const std::function<bool()>& stop) {
    return stop && stop();
}

} // namespace

QStringList ProgramProblems(const std::array<bool, kSendParts>& send,
                            const std::array<QString, kParameterCount>& parameters,
                            const QString& header, const QString& footer) {
    QStringList problems;
    if (send[kPartParameters]) {
        problems << ParameterProblemLines(parameters);
    }
    if (send[kPartHeader]) {
        problems << TicketTextProblemLines(texts::kFrameLocation, EncodeTicketText(header));
    }
    if (send[kPartFooter]) {
        problems << TicketTextProblemLines(texts::kFrameDisclaimer, EncodeTicketText(footer));
    }
    return problems;
}

bool SendSiteParams(clsUSBInterface* link, const SiteParamRecord& record) {
    const QPointer<clsUSBInterface> alive(link);
    if (alive == nullptr) {
        return false;
    }
    const auto payload = SiteConfigPayload(record);
    alive->SendMessage(kSiteParamsMessage.deviceId, kSiteParamsMessage.MsgLen(),
                       kSiteParamsMessage.cmnd, payload);
    return alive != nullptr && alive->LastRequestSent();
}

bool SendClock(clsUSBInterface* link, const QDateTime& now) {
    const QPointer<clsUSBInterface> alive(link);
    if (alive == nullptr) {
        return false;
    }
    const auto payload = DateTimePayload(now);
    alive->SendMessage(kDateTimeMessage.deviceId, kDateTimeMessage.MsgLen(), kDateTimeMessage.cmnd,
                       payload);
    return alive != nullptr && alive->LastRequestSent();
}

bool SendTicketText(clsUSBInterface* link, int choice, const QString& text,
                    const std::function<bool()>& stop, int* blocksSent) {
    const QPointer<clsUSBInterface> alive(link);
    const TicketText encoded = EncodeTicketText(text);
    int sent = 0;
    bool whole = true;
    for (int block = 0; block < kTicketTextBlocks; ++block) {
        if (alive == nullptr || Stopped(stop)) {
            whole = false;
            break;
        }
        const auto payload = HeaderFooterBlock(choice, block, encoded.buffer);
        alive->SendMessage(kHeaderFooterMessage.deviceId, kHeaderFooterMessage.MsgLen(),
                           kHeaderFooterMessage.cmnd, payload);
        if (alive == nullptr) {
            whole = false;
            break;
        }
        whole = whole && alive->LastRequestSent();
        ++sent;
        QCoreApplication::processEvents();
    }
    if (blocksSent != nullptr) {
        *blocksSent = sent;
    }
    return whole;
}

ProgramOutcome ProgramSite(clsUSBInterface* link, const ProgramJob& job,
                           const ProgramControl& control) {
    const QPointer<clsUSBInterface> alive(link);
    ProgramOutcome outcome;
    for (int n = 0; n < kSendParts; ++n) {
        const auto i = static_cast<std::size_t>(n);
        if (!job.send[i]) {
            continue;
        }
        const bool stoppedBefore = alive == nullptr || Stopped(control.stop);
        int blocks = 0;
        bool went = false;
        if (!stoppedBefore) {
            if (control.progress) {
                control.progress(n, 0);
            }
            switch (n) {
            case kPartDateTime:
                went = SendClock(alive, job.clock ? job.clock() : QDateTime::currentDateTime());
                break;
            case kPartParameters:
                went = SendSiteParams(alive, job.site);
                break;
            default: {
                // The ticket text's own stop check also reports each block.
                int block = 0;
                const auto stopBeforeBlock = [&]() {
                    if (Stopped(control.stop)) {
                        return true;
                    }
                    if (control.progress && block > 0) {
                        control.progress(n, block);
                    }
                    ++block;
                    return false;
                };
                went = SendTicketText(alive, n == kPartHeader ? 1 : 2,
                                      n == kPartHeader ? job.header : job.footer, stopBeforeBlock,
                                      &blocks);
                break;
            }
            }
        }
        outcome.went[i] = went;
        if (alive == nullptr) {
            break; // the link went away while a reply was awaited
        }
        if (!went && Stopped(control.stop)) {
            const bool partly = n >= kPartHeader && !stoppedBefore && blocks > 0;
            outcome.notSent << (partly ? QString(texts::kBlocksNotSent)
                                             .arg(texts::kSend[i])
                                             .arg(blocks + 1)
                                             .arg(kTicketTextBlocks)
                                             .arg(kTicketTextBlocks)
                                       : QString(texts::kSend[i]));
        }
    }
    if (!outcome.notSent.isEmpty()) {
        AppendStatusText(QString(texts::kProgramStopped)
                             .arg(outcome.notSent.join(QStringLiteral(", ")))
                             .toStdString());
    }
    return outcome;
}

} // namespace hostconfig
